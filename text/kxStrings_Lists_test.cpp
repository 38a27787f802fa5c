#include "text/kxStrings_Lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/ListLines.h"

namespace {

using namespace TkxStringLists;

void Fill(TStrings& List, const std::vector<std::u16string>& Texts) {
  for (const auto& text : Texts) List.Add(text);
}

TEST(TkxStringLists, LookupsByLineAndByValue) {
  TObject a, b;
  TStringList list;
  list.AddObject(u"k=v", &a);
  list.AddObject(u"k", &b);
  list.Add(u"x= V ");
  EXPECT_EQ(GetObjectByNameFromStringList(u"K", list), &b);  // the whole line, ignoring case
  EXPECT_EQ(GetObjectByNameFromStringList(u"k=v", list), &a);
  EXPECT_EQ(GetObjectByNameFromStringList(u"x", list), nullptr);

  EXPECT_EQ(FindValueInStringList(u"v", list, false, false, false), 0);
  EXPECT_EQ(FindValueInStringList(u"v", list, true, true, true), 2);  // last first
  EXPECT_EQ(FindValueInStringList(u"v", list, true, false, true), 0);
  EXPECT_EQ(FindValueInStringList(u"", list, false, false, false), 1);  // "k" has no value
  EXPECT_EQ(FindValueInStringList(u"w", list, true, true, false), -1);
}

TEST(TkxStringLists, ReplaceInStringList) {
  struct Case {
    std::vector<std::u16string> lines;
    std::u16string search, replace;
    bool ignoreCase, wholeWord;
    std::u16string mode, want;
  };
  const Case cases[] = {
      {{u"k=v"}, u"k", u"key", false, false, u"NAMES", u"key=v"},
      {{u"k=v"}, u"v", u"w", false, false, u"VALUE", u"k=w"},
      {{u"abc"}, u"b", u"x", false, false, u"", u"axc"},
      {{u"abc"}, u"B", u"x", true, false, u"other", u"axc"},
      {{u"abc"}, u"B", u"x", false, false, u"", u"abc"},
      {{u"ab", u"b"}, u"b", u"x", false, true, u"", u"ax|x"},  // whole or inside
      {{u"k:v"}, u"k", u"n", false, false, u"names", u"n:v"},    // modes compare exactly
      // A name is always written back with "=".
      {{u"a=1"}, u"a", u"b", false, true, u"NAMES", u"b=1"},
      // A value that becomes empty deletes its line; the next line is still
      // visited and the loop ends at the list's end.
      {{u"a=x", u"b=x", u"c=y"}, u"x", u"", false, true, u"VALUE", u"c=y"},
      {{u"a=x", u"b=yx", u"c=x"}, u"x", u"", false, false, u"VALUE", u"b=y"},
  };
  for (const auto& c : cases) {
    TStringList list;
    Fill(list, c.lines);
    EXPECT_EQ(&ReplaceInStringList(list, c.search, c.replace, c.ignoreCase, c.wholeWord, c.mode),
              &list);
    EXPECT_EQ(ListLines(list), c.want) << " / " << ToUtf8(c.search);
  }

  TStringList colon;
  colon.SetNameValueSeparator(u':');
  Fill(colon, {u"k:v"});
  ReplaceInStringList(colon, u"k", u"n", false, false, u"NAMES");
  EXPECT_EQ(ListLines(colon), u"n=v");
}

TEST(TkxStringLists, ReplaceInWideStringList) {
  struct Case {
    std::vector<std::u16string> lines;
    std::u16string search, replace;
    bool wholeWord;
    std::u16string mode, want;
  };
  const Case cases[] = {
      // With WholeWord only equal elements change.
      {{u"O", u"1O", u"OO"}, u"O", u"", true, u"", u"|1O|OO"},
      {{u"O", u"1O", u"OO"}, u"O", u"0", false, u"", u"0|10|00"},
      // Values go through the first line with the same name.
      {{u"k=a", u"k=b"}, u"a", u"c", false, u"VALUE", u"k=c|k=b"},
      {{u"k=a", u"k=b"}, u"b", u"c", false, u"NAMES", u"k=a|k=a"},
      // Emptied values delete lines without running past the end.
      {{u"a=x", u"b=x", u"c=y"}, u"x", u"", true, u"VALUE", u"c=y"},
  };
  for (const auto& c : cases) {
    TStringList list;
    Fill(list, c.lines);
    ReplaceInWideStringList(list, c.search, c.replace, false, c.wholeWord, c.mode);
    EXPECT_EQ(ListLines(list), c.want);
  }
}

TEST(TkxStringLists, DeleteWhenEquals) {
  struct Case {
    std::vector<std::u16string> lines;
    std::u16string search;
    bool ignoreCase, wholeWord;
    std::u16string mode, want;
  };
  const Case cases[] = {
      {{u"ab", u"b", u"c"}, u"b", false, false, u"", u"c"},
      {{u"ab", u"B", u"c"}, u"b", true, false, u"", u"c"},
      {{u"", u"a", u""}, u"", false, true, u"", u"a"},  // empty lines, as whole words
      {{u"", u"a"}, u"", false, false, u"", u"|a"},     // an empty text is never contained
      {{u"x=a", u"a=y"}, u"a", false, false, u"VALUE", u"a=y"},
      {{u"x=a", u"a=y"}, u"a", false, false, u"NAMES", u"x=a"},
      // The list ignores case; a match on "a" deletes "a", not "A".
      {{u"A", u"a"}, u"a", false, true, u"", u"A"},
  };
  for (const auto& c : cases) {
    TStringList list, wide;
    Fill(list, c.lines);
    Fill(wide, c.lines);
    DeleteWhenEqualsInStringList(list, c.search, c.ignoreCase, c.wholeWord, c.mode);
    DeleteWhenEqualsInWideStringList(wide, c.search, c.ignoreCase, c.wholeWord, c.mode);
    EXPECT_EQ(ListLines(list), c.want);
    EXPECT_EQ(ListLines(wide), c.want);
  }

  // The wide form reads values through the first line with the name.
  TStringList wide;
  Fill(wide, {u"k=a", u"k=b"});
  DeleteWhenEqualsInWideStringList(wide, u"a", false, false, u"VALUE");
  EXPECT_EQ(ListLines(wide), u"");
}

TEST(TkxStringLists, DeleteWhenNotEquals) {
  struct Case {
    std::vector<std::u16string> lines;
    std::u16string searches;
    bool ignoreCase, wholeWord;
    std::u16string mode, want;
  };
  const Case cases[] = {
      {{u"x=a1", u"y=b", u"z=c"}, u"a,b", false, false, u"VALUE", u"x=a1|y=b"},
      {{u"x=a1", u"y=b", u"z=c"}, u"a b", false, false, u"VALUE", u"x=a1|y=b"},  // a blank ends an item
      {{u"x=a1", u"y=b"}, u"\"a1 \"", false, false, u"VALUE", u""},
      {{u"x=a1", u"y=b"}, u"", false, false, u"", u""},  // nothing to keep
      {{u"Ab", u"c"}, u"a", true, false, u"", u"Ab"},
      {{u"Ab", u"c"}, u"a", false, false, u"", u""},
      // "a" is kept, "A" equals it only ignoring case.
      {{u"a", u"A"}, u"a", false, true, u"", u"a"},
  };
  for (const auto& c : cases) {
    TStringList list;
    Fill(list, c.lines);
    DeleteWhenNotEqualsInStringList(list, c.searches, c.ignoreCase, c.wholeWord, c.mode);
    EXPECT_EQ(ListLines(list), c.want) << " / " << ToUtf8(c.searches);
  }
}

TEST(TkxStringLists, JoiningLines) {
  TStringList list;
  Fill(list, {u"a", u"b", u"c"});
  struct Case { int32_t from, to; bool crlf; std::u16string want; };
  const Case cases[] = {
      {1, 5, true, u"b\r\nc"}, {1, 5, false, u"bc"},  {-3, 0, true, u"a"},
      {2, 1, true, u""},       {0, -1, false, u""},   {5, 9, true, u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AddValues(list, c.from, c.to, c.crlf), c.want) << c.from << ".." << c.to;
  EXPECT_EQ(GetCompleteContentWithoutCRLFAtEnd(list), u"abc");

  TStringList blankLast;
  Fill(blankLast, {u"a", u""});
  EXPECT_EQ(AddValues(blankLast, 0, 1, true), u"a\r\n");  // only the final CR LF goes
}

TEST(TkxStringLists, RemoveEmptyLines) {
  TStringList list;
  Fill(list, {u" \t", u"a", u"", u"\r\n \x01", u" b "});
  RemoveEmptyLines(list);
  EXPECT_EQ(ListLines(list), u"a| b ");
}

}  // namespace
