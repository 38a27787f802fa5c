#include "text/kxStrings_CharClass.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(IsNumeric, Utf16FormAndItsFlags) {
  struct Case { std::u16string txt; bool blanks, rel, want; };
  const Case cases[] = {
      {u"", false, false, true},          // the empty text is numeric
      {u"0123456789", false, false, true},
      {u"12 3", false, false, false},
      {u"12 3", true, false, true},
      {u"-1,5", true, true, true},
      {u"+1.5 ", true, true, true},
      {u"-1,5", false, true, false},      // AllowNumRelChars alone has no effect
      {u"-1,5", true, false, false},
      {u"1e5", true, true, false},
      {u"1\t2", true, true, false},       // only the blank, no other white space
      {u"\u0661\u0662", false, false, false},  // digits of other scripts do not count
      {u"\uFF11", false, false, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxStrings::IsNumeric(c.txt, c.blanks, c.rel), c.want)
        << ToUtf8(c.txt) << " blanks=" << c.blanks << " rel=" << c.rel;
}

TEST(IsNumeric, EightBitForm) {
  struct Case { std::string txt; bool blanks, want; };
  const Case cases[] = {
      {"", false, true},
      {"0042", false, true},
      {"12 3", false, false},
      {"12 3", true, true},
      {"-1", true, false},
      {"1\xD9\xA1", false, false},        // U+0661 in UTF-8
      {std::string("1\0" "2", 3), false, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxStrings::IsNumeric(c.txt, c.blanks), c.want) << c.txt << " " << c.blanks;
}

TEST(ContainsNumbers, AnyAsciiDigit) {
  EXPECT_TRUE(TkxStrings::ContainsNumbers(u"abc7"));
  EXPECT_FALSE(TkxStrings::ContainsNumbers(u"abc"));
  EXPECT_FALSE(TkxStrings::ContainsNumbers(u""));
  EXPECT_FALSE(TkxStrings::ContainsNumbers(u"\u0661"));
}

TEST(VerifySimpleFormat, MaskOfEqualLength) {
  struct Case { std::u16string format, str; bool want; };
  const Case cases[] = {
      {u"##-$$", u"12-ab", true},
      {u"##-$$", u"12-a", false},         // lengths differ
      {u"#", u"x", false},
      {u"#", u"#", true},                 // "#" also fits itself
      {u"$", u"#", true},
      {u"", u"", true},
      {u"ab", u"aB", false},              // other characters compare exactly
      {u"$$", u"\u00E4\u00F6", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TkxStrings::VerifySimpleFormat(c.format, c.str), c.want)
        << ToUtf8(c.format) << " / " << ToUtf8(c.str);
    EXPECT_EQ(TkxStrings::VerifySimpleFormat(ToUtf8(c.format), ToUtf8(c.str)), c.want)
        << "8-bit: " << ToUtf8(c.format) << " / " << ToUtf8(c.str);
  }
}

TEST(ContainHighAndLowChars, BothForms) {
  struct Case { std::u16string content; int32_t want; };
  const Case cases[] = {
      {u"ace", 0},  {u"Abc", 1}, {u"ace,", 2}, {u"Tag", 3}, {u"j", 3},
      {u"123", 1},  {u"", 0},    {u"\u00E4", 1}, {u"\u00A7", 1}, {u"q;", 2},
      {u"\u0100g", 2},  // above U+00FF: no set
      {u"sum", 0},  {u"ay", 1},  // "y" rises above the line too
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TkxStrings::ContainHighAndLowChars(c.content), c.want) << ToUtf8(c.content);
    EXPECT_EQ(TkxStrings::ContainHighAndLowChars(ToUtf8(c.content)), c.want)
        << "8-bit: " << ToUtf8(c.content);
  }
  // A Latin-1 byte that is no UTF-8 counts as its Latin-1 letter.
  EXPECT_EQ(TkxStrings::ContainHighAndLowChars(std::string("a\xC4" "e")), 1);
  EXPECT_EQ(TkxStrings::ContainHighAndLowChars(std::string("\xFCg")), 3);
  EXPECT_EQ(TkxStrings::ContainHighAndLowChars(std::string("\xE9")), 0);
}

}  // namespace
