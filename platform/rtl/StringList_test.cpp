#include "platform/rtl/StringList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/rtl/Exceptions.h"

namespace {

using Items = std::vector<std::u16string>;

static_assert(!std::is_convertible_v<const char16_t*, TStringList>);
static_assert(!std::is_convertible_v<UnicodeString, TStringList>);
static_assert(!std::is_convertible_v<bool, TStringList>);
static_assert(std::is_same_v<TStrings, TStringList>);
static_assert(sizeof(TDuplicates) == 1 && dupIgnore == 0 && dupAccept == 1 && dupError == 2);

Items ItemsOf(const TStringList& list) {
  Items out;
  for (int32_t i = 0; i < list.Count(); ++i) out.push_back(list[i]);
  return out;
}

void Fill(TStringList& list, const Items& items) {
  for (const auto& s : items) list.Add(s);
}

std::string Joined(const Items& items) {
  std::string out;
  for (const auto& s : items) out += "[" + ToUtf8(s) + "]";
  return out;
}

// Runs f, which must raise EStringListError with the message want.
template <class F>
void ExpectListError(F&& f, const std::u16string& want) {
  try {
    f();
    ADD_FAILURE() << "no EStringListError, expected " << ToUtf8(want);
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message, want);
    EXPECT_EQ(e.ClassName(), u"EStringListError");
  }
}

// An object that counts how many of its kind are alive.
class Counted : public TObject {
 public:
  explicit Counted(int& alive) : alive_(alive) { ++alive_; }
  ~Counted() override { --alive_; }

 private:
  int& alive_;
};

TEST(StringListText, LinesEndAtCrLfLfOrCr) {
  struct Case { std::u16string text; Items want; };
  const Case cases[] = {
      {u"a\r\nb\nc", {u"a", u"b", u"c"}},
      {u"a\r\nb\n\rc", {u"a", u"b", u"", u"c"}},  // LF CR ends two lines
      {u"a\rb\r\n", {u"a", u"b"}},               // a final break adds no line
      {u"a\n\nb", {u"a", u"", u"b"}},
      {u"\r\n\r\n", {u"", u""}},
      {u"\n", {u""}},
      {u"", {}},
      {u" a \t", {u" a \t"}},  // lines are not trimmed
      {std::u16string(u"a\0b", 3), {std::u16string(u"a\0b", 3)}},
  };
  for (const auto& c : cases) {
    TStringList list;
    list.Add(u"old");
    list.SetText(c.text);
    EXPECT_EQ(ItemsOf(list), c.want) << ToUtf8(c.text);
  }

  TStringList list;
  Fill(list, {u"a", u"", u"b"});
  EXPECT_EQ(list.Text(), u"a\r\n\r\nb\r\n");
  list.Clear();
  EXPECT_EQ(list.Text(), u"");
}

TEST(StringListDelimited, WriteQuotesOnlyWhereNeeded) {
  struct Case { Items items; std::u16string comma, strictSemicolon; };
  const Case cases[] = {
      {{u"a b", u"c"}, u"\"a b\",c", u"a b;c"},
      {{u""}, u"\"\"", u"\"\""},  // one empty item stays visible
      {{u"a", u""}, u"a,", u"a;"},
      {{u"", u""}, u",", u";"},
      {{u"say \"hi\""}, u"\"say \"\"hi\"\"\"", u"\"say \"\"hi\"\"\""},
      {{u"x,y", u"p;q"}, u"\"x,y\",p;q", u"x,y;\"p;q\""},
      {{u"tab\there", u"ä"}, u"\"tab\there\",ä", u"tab\there;ä"},
      {{}, u"", u""},
  };
  for (const auto& c : cases) {
    TStringList list;
    Fill(list, c.items);
    EXPECT_EQ(list.CommaText(), c.comma) << Joined(c.items);
    list.SetDelimiter(u';');
    list.SetStrictDelimiter(true);
    EXPECT_EQ(list.DelimitedText(), c.strictSemicolon) << Joined(c.items);
    EXPECT_EQ(list.Delimiter(), u';');  // reading CommaText left it alone
  }
}

TEST(StringListDelimited, ReadSkipsBlanksAndHonoursQuotes) {
  struct Case { std::u16string text; Items want; };
  const Case cases[] = {
      {u"a b,c", {u"a", u"b", u"c"}},  // a blank ends an unquoted item
      {u"a,,b", {u"a", u"", u"b"}},
      {u"a,", {u"a", u""}},
      {u",a", {u"", u"a"}},
      {u" ", {}},
      {u"", {}},
      {u"  a  ,\t b \r\n", {u"a", u"b"}},
      {u"\"x \"\"y\"\", z\", w", {u"x \"y\", z", u"w"}},
      {u"\"\"", {u""}},
      {u"\"unclosed, rest", {u"unclosed, rest"}},
      {u"\"a\"b,c", {u"a", u"b", u"c"}},
      // A zero unit ends the text, also inside quotes.
      {std::u16string(u"a\0b", 3), {u"a"}},
      {std::u16string(u"a,\0,b", 5), {u"a", u""}},
      {std::u16string(u"\"a\0b\"", 5), {u"a"}},
      {std::u16string(u"\0a", 2), {}},
  };
  for (const auto& c : cases) {
    TStringList list;
    list.SetDelimiter(u';');
    list.SetQuoteChar(u'\'');
    list.SetCommaText(c.text);
    EXPECT_EQ(ItemsOf(list), c.want) << ToUtf8(c.text);
    // Writing CommaText makes "," and the double quote the list's own.
    EXPECT_EQ(list.Delimiter(), u',');
    EXPECT_EQ(list.QuoteChar(), u'"');
  }
}

TEST(StringListDelimited, StrictDelimiterKeepsBlanks) {
  struct Case { std::u16string text; Items want; };
  const Case cases[] = {
      {u"a b;c", {u"a b", u"c"}},
      {u" a ; b ", {u" a ", u" b "}},
      {u"a;;", {u"a", u"", u""}},
      {u"'it''s; here';x", {u"it's; here", u"x"}},
      {u"'q'rest;x", {u"q", u"rest", u"x"}},
      {u"\t", {u"\t"}},
  };
  for (const auto& c : cases) {
    TStringList list;
    list.SetDelimiter(u';');
    list.SetQuoteChar(u'\'');
    list.SetStrictDelimiter(true);
    list.SetDelimitedText(c.text);
    EXPECT_EQ(ItemsOf(list), c.want) << ToUtf8(c.text);
  }
}

TEST(StringListDelimited, RoundTripKeepsEveryItem) {
  const Items lists[] = {
      {u""},
      {u"", u""},
      {u"", u"a", u""},
      {u" lead", u"trail ", u"in side", u""},
      {u"\"", u"\"\"", u"a\"b", u"\"quoted\""},
      {u",", u";", u"'", u",;'\""},
      {u"\r\n", u"\t", u"\x01", u"\x1F"},
      {u"ä ö", u"\xDCFF", u"\xD83D\xDE00"},
  };
  for (const auto& items : lists) {
    TStringList source;
    Fill(source, items);
    TStringList copy;
    copy.SetCommaText(source.CommaText());
    EXPECT_EQ(ItemsOf(copy), items) << "comma: " << Joined(items);

    for (TStringList* l : {&source, &copy}) {
      l->SetDelimiter(u';');
      l->SetQuoteChar(u'\'');
      l->SetStrictDelimiter(true);
    }
    copy.SetDelimitedText(source.DelimitedText());
    EXPECT_EQ(ItemsOf(copy), items) << "strict: " << Joined(items);
  }
}

TEST(StringListSorted, AddAppliesTheDuplicatesPolicy) {
  struct Case { TDuplicates policy; int32_t index; Items want; };
  const Case cases[] = {
      {dupIgnore, 1, {u"a", u"b", u"c"}},
      {dupAccept, 1, {u"a", u"B", u"b", u"c"}},  // before the equal text
      {dupError, -1, {u"a", u"b", u"c"}},
  };
  for (const auto& c : cases) {
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(c.policy);
    Fill(list, {u"c", u"a", u"b"});
    if (c.policy == dupError) {
      ExpectListError([&] { list.Add(u"B"); }, u"String list does not allow duplicates");
    } else {
      EXPECT_EQ(list.Add(u"B"), c.index) << int(c.policy);
    }
    EXPECT_EQ(ItemsOf(list), c.want) << int(c.policy);
  }
}

TEST(StringListSorted, FindUsesTheListsCollation) {
  // Case ignored (the default): "B" and "b" are the same text.
  TStringList list;
  list.SetSorted(true);
  Fill(list, {u"cherry", u"Banana", u"apple", u"Äxte"});
  EXPECT_EQ(ItemsOf(list), (Items{u"apple", u"Äxte", u"Banana", u"cherry"}));
  struct Case { std::u16string text; bool found; int32_t index; };
  const Case ignoring[] = {
      {u"BANANA", true, 2}, {u"b", false, 2}, {u"zebra", false, 4},
      {u"", false, 0},      {u"äxte", true, 1},
  };
  for (const auto& c : ignoring) {
    int32_t index = -7;
    EXPECT_EQ(list.Find(c.text, index), c.found) << ToUtf8(c.text);
    EXPECT_EQ(index, c.index) << ToUtf8(c.text);
    EXPECT_EQ(list.IndexOf(c.text), c.found ? c.index : -1) << ToUtf8(c.text);
  }

  // Case counts: lower case sorts first, and "B" is found only as "B".
  TStringList exact;
  exact.SetCaseSensitive(true);
  exact.SetSorted(true);
  exact.SetDuplicates(dupAccept);
  Fill(exact, {u"B", u"b", u"A", u"a", u"b"});
  EXPECT_EQ(ItemsOf(exact), (Items{u"a", u"A", u"b", u"b", u"B"}));
  const Case sensitive[] = {
      {u"B", true, 4}, {u"b", true, 2},  // the first of the equal texts
      {u"A", true, 1}, {u"c", false, 5},
  };
  for (const auto& c : sensitive) {
    int32_t index = -7;
    EXPECT_EQ(exact.Find(c.text, index), c.found) << ToUtf8(c.text);
    EXPECT_EQ(index, c.index) << ToUtf8(c.text);
  }
}

TEST(StringListSorted, SortedFlagAndCaseSensitivityKeepTheOrder) {
  TStringList list;
  Fill(list, {u"c", u"a", u"b"});
  list.SetSorted(true);
  EXPECT_EQ(ItemsOf(list), (Items{u"a", u"b", u"c"}));

  TStringList mixed;
  mixed.SetSorted(true);
  mixed.SetDuplicates(dupAccept);
  Fill(mixed, {u"b", u"B", u"a", u"A", u"ä", u"Ä", u"c", u"C"});
  auto sortedUnder = [&](auto compare) {
    for (int32_t i = 1; i < mixed.Count(); ++i)
      if (compare(mixed[i - 1], mixed[i]) > 0) return false;
    return true;
  };
  mixed.SetCaseSensitive(true);
  EXPECT_EQ(ItemsOf(mixed), (Items{u"a", u"A", u"ä", u"Ä", u"b", u"B", u"c", u"C"}));
  int32_t index;
  EXPECT_TRUE(mixed.Find(u"Ä", index));
  EXPECT_EQ(index, 3);
  mixed.SetCaseSensitive(false);
  EXPECT_TRUE(sortedUnder([](const auto& a, const auto& b) { return AnsiCompareText(a, b); }));
  EXPECT_EQ(mixed.Count(), 8);
}

TEST(StringListSorted, OperationsThatBreakTheOrderRaiseAndChangeNothing) {
  TStringList list;
  list.SetSorted(true);
  Fill(list, {u"a=1", u"b=2", u"c=3"});
  const Items before = ItemsOf(list);
  const std::u16string sortedError = u"Operation not allowed on sorted list";
  ExpectListError([&] { list.Insert(0, u"x"); }, sortedError);
  ExpectListError([&] { list.InsertObject(99, u"x", nullptr); }, sortedError);  // before the index
  ExpectListError([&] { list.SetStrings(0, u"x"); }, sortedError);
  ExpectListError([&] { list.Move(0, 2); }, sortedError);
  // Setting a value would first add an empty line and then fail on it.
  ExpectListError([&] { list.SetValues(u"d", u"4"); }, sortedError);
  ExpectListError([&] { list.SetValues(u"a", u"9"); }, sortedError);
  ExpectListError([&] { list.SetValueFromIndex(-1, u"9"); }, sortedError);
  EXPECT_EQ(ItemsOf(list), before);

  list.SetValues(u"B", u"");  // deleting keeps the order, so it is allowed
  EXPECT_EQ(ItemsOf(list), (Items{u"a=1", u"c=3"}));
}

TEST(StringList, IndexErrorsNameTheIndex) {
  TStringList list;
  Fill(list, {u"a", u"b", u"c"});
  ExpectListError([&] { list.Strings(3); }, u"List index out of bounds (3)");
  ExpectListError([&] { list.Objects(-1); }, u"List index out of bounds (-1)");
  ExpectListError([&] { list.Delete(3); }, u"List index out of bounds (3)");
  ExpectListError([&] { list.SetStrings(5, u"x"); }, u"List index out of bounds (5)");
  ExpectListError([&] { list.Exchange(0, 3); }, u"List index out of bounds (3)");
  ExpectListError([&] { list.Insert(4, u"x"); }, u"List index out of bounds (4)");
  ExpectListError([&] { list.Names(7); }, u"List index out of bounds (7)");
  ExpectListError([&] { list.SetCapacity(2); }, u"List capacity out of bounds (2)");
  // A bad target must not cost the moved entry.
  ExpectListError([&] { list.Move(0, 3); }, u"List index out of bounds (3)");
  EXPECT_EQ(ItemsOf(list), (Items{u"a", u"b", u"c"}));

  list.InsertObject(3, u"d", nullptr);  // Count appends
  list.Insert(0, u"z");
  EXPECT_EQ(ItemsOf(list), (Items{u"z", u"a", u"b", u"c", u"d"}));
}

TEST(StringList, EditingKeepsObjectsWithTheirTexts) {
  TObject a, b, c;
  TStringList list;
  list.AddObject(u"a", &a);
  list.AddObject(u"b", &b);
  list.AddObject(u"c", &c);
  list.Move(0, 2);
  EXPECT_EQ(ItemsOf(list), (Items{u"b", u"c", u"a"}));
  EXPECT_EQ(list.Objects(2), &a);
  list.Move(2, 0);
  list.Exchange(0, 1);
  EXPECT_EQ(ItemsOf(list), (Items{u"b", u"a", u"c"}));
  EXPECT_EQ(list.Objects(0), &b);
  list.SetStrings(0, u"B");
  EXPECT_EQ(list.Objects(0), &b);
  list.Delete(1);
  EXPECT_EQ(list.IndexOfObject(&c), 1);
  EXPECT_EQ(list.IndexOfObject(&a), -1);
  EXPECT_EQ(list.IndexOf(u"b"), 0);  // case ignored by default
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf(u"b"), -1);
  list.Add(list[0]);  // adding an entry of the list itself
  EXPECT_EQ(ItemsOf(list), (Items{u"B", u"c", u"B"}));
}

TEST(StringList, AssignAndAddStrings) {
  TObject o;
  TStringList source;
  source.SetDelimiter(u';');
  source.SetQuoteChar(u'\'');
  source.SetNameValueSeparator(u':');
  source.SetStrictDelimiter(true);
  source.SetSorted(true);
  source.AddObject(u"k:v", &o);
  source.Add(u"a b");

  TStringList target;
  target.Add(u"old");
  target.Assign(source);
  EXPECT_EQ(ItemsOf(target), (Items{u"a b", u"k:v"}));
  EXPECT_EQ(target.Objects(1), &o);
  EXPECT_EQ(target.DelimitedText(), u"a b;k:v");
  EXPECT_EQ(target.Values(u"k"), u"v");
  EXPECT_FALSE(target.Sorted());  // the list's own settings stay
  EXPECT_TRUE(target.Equals(source));

  target.Assign(target);  // a list assigned to itself keeps its entries
  EXPECT_EQ(target.Count(), 2);
  target.AddStrings(target);
  EXPECT_EQ(ItemsOf(target), (Items{u"a b", u"k:v", u"a b", u"k:v"}));
  EXPECT_FALSE(target.Equals(source));
}

TEST(StringList, NamesAndValues) {
  TStringList list;
  Fill(list, {u"a=1", u"b=2", u"A=3", u"noval", u"=empty", u"c=x=y"});
  struct Case { int32_t index; std::u16string name, value; };
  const Case byIndex[] = {
      {0, u"a", u"1"},     {2, u"A", u"3"},        {3, u"", u""},  // no separator: no value
      {4, u"", u"empty"},  {5, u"c", u"x=y"},     {-1, u"", u""},
  };
  for (const auto& c : byIndex) {
    if (c.index >= 0) {
      EXPECT_EQ(list.Names(c.index), c.name) << c.index;
    }
    EXPECT_EQ(list.ValueFromIndex(c.index), c.value) << c.index;
  }
  EXPECT_EQ(list.Values(u"A"), u"1");  // the first line, case ignored
  EXPECT_EQ(list.Values(u"noval"), u"");
  EXPECT_EQ(list.Values(u"missing"), u"");
  EXPECT_EQ(list.IndexOfName(u"C"), 5);
  EXPECT_EQ(list.IndexOfName(u"noval"), -1);

  list.SetValues(u"a", u"9");
  list.SetValues(u"d", u"4");
  list.SetValues(u"b", u"");  // deletes
  list.SetValues(u"zz", u"");  // absent: nothing
  list.SetValueFromIndex(3, u"5");  // "=empty" keeps its empty name
  EXPECT_EQ(ItemsOf(list), (Items{u"a=9", u"A=3", u"noval", u"=5", u"c=x=y", u"d=4"}));
  list.SetValueFromIndex(0, u"");
  EXPECT_EQ(list[0], u"A=3");

  TStringList colon;
  colon.SetNameValueSeparator(u':');
  colon.Add(u"x=1:2");
  EXPECT_EQ(colon.Names(0), u"x=1");
  EXPECT_EQ(colon.Values(u"X=1"), u"2");
}

TEST(StringList, ValueIsWhatFollowsTheSeparatorOfTheFoundLine) {
  // The collation may find a name spelt with another length (control
  // characters are ignorable); the value still starts after the line's own
  // separator, not after as many characters as the name asked for.
  TStringList list;
  list.Add(u"a\u0001b=value");
  list.Add(u"x\u0001\u0002\u0003y=");
  ASSERT_EQ(list.IndexOfName(u"ab"), 0);
  EXPECT_EQ(list.Values(u"ab"), u"value");
  EXPECT_EQ(list.Values(u"xy"), u"");
}

TEST(StringList, ObjectsAreOwnedOnlyWhenAsked) {
  int alive = 0;
  {
    TStringList list;
    list.AddObject(u"a", new Counted(alive));
    list.AddObject(u"b", new Counted(alive));
    TObject* a = list.Objects(0);
    TObject* b = list.Objects(1);
    list.Delete(0);
    list.Clear();
    EXPECT_EQ(alive, 2);
    delete a;
    delete b;
  }
  EXPECT_EQ(alive, 0);

  {
    TStringList list(true);
    EXPECT_TRUE(list.OwnsObjects());
    for (const char16_t* s : {u"a", u"b", u"c", u"d", u"e"}) list.AddObject(s, new Counted(alive));
    list.Delete(0);
    EXPECT_EQ(alive, 4);
    // Taking an object back out: drop the reference, then delete the entry.
    TObject* kept = list.Objects(0);
    list.SetObjects(0, nullptr);
    list.Delete(0);
    EXPECT_EQ(alive, 4);
    delete kept;
    list.Exchange(0, 2);
    list.Move(0, 1);
    EXPECT_EQ(alive, 3);
    list.SetText(u"x\r\ny");  // clears first
    EXPECT_EQ(alive, 0);
    list.AddObject(u"z", new Counted(alive));
    list.AddObject(u"w", new Counted(alive));
  }
  EXPECT_EQ(alive, 0);  // the destructor deleted the last two
}

TEST(StringList, ChangeEventsFireOnlyOutsideAnUpdate) {
  TStringList list;
  std::vector<std::string> log;
  list.OnChanging = [&](TStringList& sender) {
    EXPECT_EQ(&sender, &list);
    log.push_back("changing " + std::to_string(sender.Count()));
  };
  list.OnChange = [&](TStringList& sender) { log.push_back("change " + std::to_string(sender.Count())); };

  list.Add(u"a");
  EXPECT_EQ(log, (std::vector<std::string>{"changing 0", "change 1"}));

  log.clear();
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add(u"b");
  list.Delete(0);
  list.EndUpdate();
  list.SetCommaText(u"x,y,z");
  list.Sort();
  list.EndUpdate();
  list.EndUpdate();  // unmatched: ignored, events keep firing
  EXPECT_EQ(log, (std::vector<std::string>{"changing 1", "change 3"}));

  log.clear();
  list.SetText(u"p\r\nq");
  list.Clear();
  list.Clear();  // already empty: nothing happens
  EXPECT_EQ(log, (std::vector<std::string>{"changing 3", "change 2", "changing 2", "change 0"}));

  // An error inside an operation that brackets its changes still ends the
  // bracket: later changes are reported again.
  log.clear();
  list.SetSorted(true);
  list.SetDuplicates(dupError);
  ExpectListError([&] { list.SetCommaText(u"a,b,a"); }, u"String list does not allow duplicates");
  EXPECT_EQ(ItemsOf(list), (Items{u"a", u"b"}));
  EXPECT_EQ(log, (std::vector<std::string>{"changing 0", "change 2"}));
  log.clear();
  list.Add(u"c");
  EXPECT_EQ(log, (std::vector<std::string>{"changing 2", "change 3"}));
}

TEST(StringList, CustomSortAndSort) {
  TStringList list;
  Fill(list, {u"ccc", u"a", u"bb", u"dddd"});
  list.CustomSort([](const TStringList& l, int32_t i, int32_t j) {
    return static_cast<int32_t>(l[j].size()) - static_cast<int32_t>(l[i].size());
  });
  EXPECT_EQ(ItemsOf(list), (Items{u"dddd", u"ccc", u"bb", u"a"}));
  list.Sort();
  EXPECT_EQ(ItemsOf(list), (Items{u"a", u"bb", u"ccc", u"dddd"}));

  // Many entries, with repeats, against the collation.
  std::mt19937 random(42);
  const std::u16string letters = u"aAbBäÄzZ _1";
  TStringList big;
  big.SetCaseSensitive(true);
  for (int i = 0; i < 2000; ++i) {
    std::u16string s;
    for (int k = random() % 4; k > 0; --k) s += letters[random() % letters.size()];
    big.Add(s);
  }
  Items expected = ItemsOf(big);
  big.Sort();
  Items got = ItemsOf(big);
  EXPECT_TRUE(std::is_sorted(got.begin(), got.end(),
                             [](const auto& a, const auto& b) { return AnsiCompareStr(a, b) < 0; }));
  std::sort(expected.begin(), expected.end());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, expected);

  // A comparison that contradicts itself must neither run outside the list
  // nor lose entries.
  Items before = ItemsOf(big);
  for (int32_t answer : {-1, 1}) {
    big.CustomSort([answer](const TStringList&, int32_t, int32_t) { return answer; });
    Items after = ItemsOf(big);
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, expected);
  }

  TStringList sorted;
  sorted.SetSorted(true);
  Fill(sorted, {u"b", u"a"});
  sorted.CustomSort([](const TStringList&, int32_t, int32_t) { return 1; });
  EXPECT_EQ(ItemsOf(sorted), (Items{u"a", u"b"}));  // a sorted list keeps its order
}

TEST(StringList, FilesHoldUtf8AndByteOrderMarksAreRead) {
  const char* dir = std::getenv("TMPDIR");
  const std::string path = std::string(dir != nullptr ? dir : "/tmp") + "/StringList_test_file.txt";
  const UnicodeString name = ToUtf16(path);
  auto fileBytes = [&] {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };

  TStringList list;
  Fill(list, {u"ä", u"a\xDCFF", u""});
  list.SaveToFile(name);
  EXPECT_EQ(fileBytes(), "\xC3\xA4\r\na\xFF\r\n\r\n");  // UTF-8, raw bytes kept, no mark

  struct Case { std::string bytes; Items want; };
  const Case cases[] = {
      {"\xEF\xBB\xBFx\ny", {u"x", u"y"}},
      {std::string("\xFF\xFEx\0\n\0\xE4\0", 8), {u"x", u"ä"}},
      {std::string("\xFE\xFF\0x\0\r\0\xE4", 8), {u"x", u"ä"}},
      {"\xC3\xA4\xFF", {u"ä\xDCFF"}},
  };
  for (const auto& c : cases) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.bytes;
    list.LoadFromFile(name);
    EXPECT_EQ(ItemsOf(list), c.want) << c.bytes;
  }
  std::remove(path.c_str());
  EXPECT_THROW(list.LoadFromFile(name), EFOpenError);
}

TEST(AnsiStringList, EightBitTextsUseTheSameRules) {
  using TAnsiList = TStringListT<AnsiString>;
  TAnsiList list;
  // Bytes above 0x7F are text, not control characters.
  list.SetCommaText("\xC3\xA4 x,\xFF,\"a,b\",");
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list[0], "\xC3\xA4");
  EXPECT_EQ(list[2], "\xFF");
  EXPECT_EQ(list[3], "a,b");
  EXPECT_EQ(list[4], "");
  EXPECT_EQ(list.CommaText(), "\xC3\xA4,x,\xFF,\"a,b\",");

  TAnsiList sorted;
  sorted.SetSorted(true);
  for (const char* s : {"b", "B", "\xC3\xA4", "a", "\xC3\x84rger"}) sorted.Add(s);
  EXPECT_EQ(sorted.Count(), 4);  // "B" is "b" when case is ignored
  EXPECT_EQ(sorted[0], "a");
  EXPECT_EQ(sorted[1], "\xC3\xA4");
  EXPECT_EQ(sorted.IndexOf("\xC3\x84"), 1);
  sorted.SetText("k=v\rx");
  EXPECT_EQ(sorted.Values("K"), "v");
  EXPECT_EQ(sorted.Text(), "k=v\r\nx\r\n");
}

}  // namespace
