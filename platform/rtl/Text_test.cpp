#include "platform/rtl/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Codec, EveryByteValueSurvivesTheRoundTrip) {
  // Each byte alone, and all 256 in one text: valid ASCII passes, every other
  // lone byte is invalid UTF-8 and must come back unchanged.
  std::string all;
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    const UnicodeString wide = ToUtf16(one);
    ASSERT_EQ(wide.size(), 1u) << b;
    EXPECT_EQ(wide[0], b < 0x80 ? char16_t(b) : char16_t(0xDC00 + b)) << b;
    EXPECT_EQ(ToUtf8(wide), one) << b;
    all.push_back(static_cast<char>(b));
  }
  EXPECT_EQ(ToUtf8(ToUtf16(all)), all);
}

TEST(Codec, ValidUtf8OfEveryLengthDecodes) {
  struct Case { std::string utf8; UnicodeString utf16; };
  const Case cases[] = {
      {"", u""},
      {"abc", u"abc"},
      {"\xC3\xA9", u"\u00E9"},                      // two bytes
      {"\xE2\x82\xAC", u"\u20AC"},                  // three bytes
      {"\xF0\x9F\x98\x80", u"\U0001F600"},          // four bytes: a surrogate pair
      {"\xEF\xBF\xBF", u"\uFFFF"},
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},          // the last code point
      {std::string("a\0b", 3), UnicodeString(u"a\0b", 3)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf16(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(ToUtf8(c.utf16), c.utf8) << c.utf8;
    EXPECT_EQ(ToUtf8Strict(c.utf16), c.utf8) << c.utf8;
    EXPECT_TRUE(IsValidUtf8(c.utf8)) << c.utf8;
  }
}

TEST(Codec, InvalidSequencesAreEscapedByteByByte) {
  struct Case { std::string bytes; UnicodeString want; };
  const Case cases[] = {
      {"\xC0\xAF", u"\xDCC0\xDCAF"},                 // overlong "/"
      {"\xE0\x80\xAF", u"\xDCE0\xDC80\xDCAF"},       // overlong, three bytes
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},       // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},  // above U+10FFFF
      {"\xE2\x82", u"\xDCE2\xDC82"},                 // truncated at the end
      {"\xE2\x82x", u"\xDCE2\xDC82x"},               // truncated inside
      {"a\xFF\xC3\xA9", u"a\xDCFF\u00E9"},           // valid text after a bad byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf16(c.bytes), c.want);
    EXPECT_EQ(ToUtf8(ToUtf16(c.bytes)), c.bytes);
    EXPECT_FALSE(IsValidUtf8(c.bytes));
  }
}

TEST(Codec, LoneSurrogatesBecomeQuestionMarks) {
  // exact: ToUtf8Exact succeeds (no "?" stands for a unit).
  struct Case { UnicodeString text; std::string lossless, strict; bool exact; };
  const Case cases[] = {
      {u"a\xD800" "b", "a?b", "a?b", false},            // lone high surrogate
      {u"\xDC00", "?", "?", false},                     // low surrogate outside the byte escape
      {u"\xDCFF", "\xFF", "?", true},                   // a byte escape: raw only in the lossless form
      {u"\xDBFF", "?", "?", false},                     // high surrogate at the end
      {u"\xDE00\xD83D\xDE00", "?\xF0\x9F\x98\x80", "?\xF0\x9F\x98\x80", false},  // reversed pair
      {u"?\xD83D\xDE00", "?\xF0\x9F\x98\x80", "?\xF0\x9F\x98\x80", true},  // a real "?" is exact
  };
  for (const auto& c : cases) {
    std::string exact;
    EXPECT_EQ(ToUtf8Exact(c.text, exact), c.exact) << c.lossless;
    if (c.exact) {
      EXPECT_EQ(exact, c.lossless);
    }
    EXPECT_EQ(ToUtf8(c.text), c.lossless) << c.lossless;
    EXPECT_EQ(ToUtf8Strict(c.text), c.strict) << c.strict;
    EXPECT_TRUE(IsValidUtf8(ToUtf8Strict(c.text)));
  }
}

TEST(CP850, EveryByteDecodesToOneCharacterAndBack) {
  // The page is a bijection between the 256 bytes and 256 BMP characters, so
  // every byte comes back and no two bytes share a character.
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const UnicodeString wide = CP850ToUtf16(all);
  ASSERT_EQ(wide.size(), 256u);
  for (int b = 0; b < 256; ++b) {
    if (b < 0x80) {
      EXPECT_EQ(wide[b], char16_t(b)) << b;
    } else {
      EXPECT_GE(wide[b], 0x80) << b;  // never "?", which marks what has no byte
    }
  }
  EXPECT_EQ(Utf16ToCP850(wide), all);
}

TEST(CP850, KnownCharactersAndWhatHasNoByte) {
  struct Case { std::string cp850; UnicodeString utf16; };
  const Case both_ways[] = {
      {"\x81" "ber", u"\u00FCber"},
      {"\x9C\xD5\xF2\xFE", u"\u00A3\u0131\u2017\u25A0"},
      {"\xC9\xCD\xBB", u"\u2554\u2550\u2557"},  // box drawing
      {"\xFF", u"\u00A0"},
      {std::string("a\0b", 3), UnicodeString(u"a\0b", 3)},  // zero is a character
  };
  for (const auto& c : both_ways) {
    EXPECT_EQ(CP850ToUtf16(c.cp850), c.utf16) << c.cp850;
    EXPECT_EQ(Utf16ToCP850(c.utf16), c.cp850) << c.cp850;
  }
  struct Lossy { UnicodeString utf16; std::string cp850; };
  const Lossy to_question_mark[] = {
      {u"\u20AC1", "?1"},                  // not in the page
      {u"\xDCFF", "?"},                    // a raw byte escape
      {u"a\xD800", "a?"},                  // a lone surrogate
      {u"\U0001F600x", "?x"},              // a pair is one character
  };
  for (const auto& c : to_question_mark) EXPECT_EQ(Utf16ToCP850(c.utf16), c.cp850) << c.cp850;
}

}  // namespace
