#include "platform/rtl/Collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

int Sign(int32_t v) { return (v > 0) - (v < 0); }

// The tests run under LC_ALL=C.UTF-8, so this is ICU's root collation.
TEST(Collation, RootOrderUnderTheCLocale) {
  struct Case { std::u16string a, b; int str, text; };
  const Case cases[] = {
      {u"a", u"B", -1, -1},  // alphabetic, not ASCII order
      {u"a", u"b", -1, -1},
      {u"b", u"B", -1, 0},   // lower case first; equal when case is ignored
      {u"ä", u"b", -1, -1},  // an accent does not move a letter to the end
      {u"a", u"ä", -1, -1},  // accents count when case is ignored, too
      {u"A", u"ä", -1, -1},
      {u"", u"a", -1, -1},
      {u"abc", u"abc", 0, 0},
      {u"ABC", u"abc", 1, 0},
      {u"10", u"9", -1, -1},  // no numeric ordering
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Sign(AnsiCompareStr(c.a, c.b)), c.str) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
    EXPECT_EQ(Sign(AnsiCompareStr(c.b, c.a)), -c.str) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
    EXPECT_EQ(Sign(AnsiCompareText(c.a, c.b)), c.text) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
    EXPECT_EQ(AnsiSameText(c.a, c.b), c.text == 0) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
    // The 8-bit forms are the same comparison of the decoded texts.
    EXPECT_EQ(Sign(AnsiCompareStr(ToUtf8(c.a), ToUtf8(c.b))), c.str) << ToUtf8(c.a);
    EXPECT_EQ(Sign(AnsiCompareText(ToUtf8(c.a), ToUtf8(c.b))), c.text) << ToUtf8(c.a);
    EXPECT_EQ(AnsiSameText(ToUtf8(c.a), ToUtf8(c.b)), c.text == 0) << ToUtf8(c.a);
  }

  std::vector<std::u16string> words = {u"B", u"b", u"ä", u"A", u"a", u"c"};
  std::sort(words.begin(), words.end(),
            [](const auto& x, const auto& y) { return AnsiCompareStr(x, y) < 0; });
  EXPECT_EQ(words, (std::vector<std::u16string>{u"a", u"A", u"ä", u"b", u"B", u"c"}));
}

TEST(Collation, EightBitTextDecodesThroughTheCodec) {
  // Invalid bytes must neither collapse into one replacement character nor
  // disagree with the UTF-16 comparison of the decoded texts.
  const std::string texts[] = {"a", "a\xFF", "a\xFE", "\xC3\xA4", "\xC3", "b", "B", ""};
  for (const auto& x : texts)
    for (const auto& y : texts) {
      EXPECT_EQ(Sign(AnsiCompareStr(x, y)), Sign(AnsiCompareStr(ToUtf16(x), ToUtf16(y))))
          << x << " / " << y;
      EXPECT_EQ(Sign(AnsiCompareText(x, y)), Sign(AnsiCompareText(ToUtf16(x), ToUtf16(y))))
          << x << " / " << y;
    }
  EXPECT_NE(AnsiCompareStr(std::string("a\xFF"), std::string("a\xFE")), 0);
}

TEST(Collation, OrdinalCompareMapsOnlyAsciiLetters) {
  struct Case { std::u16string a, b; int str, text; };
  const Case cases[] = {
      {u"B", u"a", -1, 1},
      {u"abc", u"ABC", 1, 0},
      {u"ä", u"Ä", 1, 1},    // only a-z are mapped
      {u"a", u"_", 1, -1},   // "a" counts as "A", below "_"
      {u"a", u"ab", -1, -1},  // a prefix sorts first
      {u"", u"", 0, 0},
      {u"\xDCFF", u"\xFFFD", -1, -1},  // code units, unsigned
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Sign(CompareStr(c.a, c.b)), c.str) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
    EXPECT_EQ(Sign(CompareText(c.a, c.b)), c.text) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
    EXPECT_EQ(SameText(c.a, c.b), c.text == 0) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
  }
  // Bytes compare unsigned: a lead byte sorts after every ASCII letter.
  EXPECT_GT(CompareStr(std::string("\xC3\xA4"), std::string("z")), 0);
  EXPECT_GT(CompareText(std::string("\x80"), std::string("Z")), 0);
  EXPECT_TRUE(SameText(std::string("Key"), std::string("kEY")));
  EXPECT_FALSE(SameText(std::string("\xC3\xA4"), std::string("\xC3\x84")));
}

TEST(Collation, LocaleNameFromPosixName) {
  using kx::platform::detail::CollationLocaleName;
  struct Case { const char* posix; const char* icu; };
  const Case cases[] = {
      {"", ""},          {"C", ""},           {"POSIX", ""},        {"C.UTF-8", ""},
      {"C.utf8", ""},    {"POSIX.UTF-8", ""}, {"de_DE", "de_DE"},   {"de_DE.UTF-8", "de_DE"},
      {"de_DE@euro", "de_DE"}, {"sv_SE.UTF-8@x", "sv_SE"}, {"ca_ES.UTF-8", "ca_ES"}, {"de-AT", "de_AT"},
  };
  for (const auto& c : cases) EXPECT_EQ(CollationLocaleName(c.posix), c.icu) << c.posix;
}

}  // namespace
