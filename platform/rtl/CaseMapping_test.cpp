#include "platform/rtl/CaseMapping.h"

#include <unicode/uloc.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

struct CaseRow {
  std::u16string in, upper, lower;
};

// Every row: the upper and lower form, both always of the input's length.
const CaseRow kRows[] = {
    {u"", u"", u""},
    {u"Hello, World 42!", u"HELLO, WORLD 42!", u"hello, world 42!"},
    {u"straße", u"STRAßE", u"straße"},                    // no "SS": the length stays
    {u"Ärger über Öl", u"ÄRGER ÜBER ÖL", u"ärger über öl"},
    {u"\u00FF\u0178", u"\u0178\u0178", u"\u00FF\u00FF"},  // ÿ and Ÿ
    {u"\u00B5", u"\u039C", u"\u00B5"},                    // micro sign upper-cases to Greek MU
    {u"\u0101\u0100", u"\u0100\u0100", u"\u0101\u0101"},  // ā Ā: first letters beyond U+00FF
    {u"\u01C6\u01C5", u"\u01C4\u01C4", u"\u01C6\u01C6"},  // dž, Dž: one code point each way
    {u"\u0130i\u0131I", u"\u0130III", u"ii\u0131i"},  // İ i ı I: no Turkish rules
    {u"\u03A3\u03C3\u03C2", u"\u03A3\u03A3\u03A3", u"\u03C3\u03C3\u03C2"},  // no final-sigma context
    {u"a\0b\0c"s, u"A\0B\0C"s, u"a\0b\0c"s},             // zero units do not stop the mapping
    {u"\u00E9\0\u00E9"s, u"\u00C9\0\u00C9"s, u"\u00E9\0\u00E9"s},
    {u"\U00010428\U00010400", u"\U00010400\U00010400", u"\U00010428\U00010428"},  // Deseret pair
    {u"Software\u00E9\u00DF\U00010428i", u"SOFTWARE\u00C9\u00DF\U00010400I",
     u"software\u00E9\u00DF\U00010428i"},
    {u"x\xD801y", u"X\xD801Y", u"x\xD801y"},             // lone high surrogate passes
    {u"x\xDC28y", u"X\xDC28Y", u"x\xDC28y"},             // lone low surrogate passes
    {u"\xDCE9\xDCC9", u"\xDCE9\xDCC9", u"\xDCE9\xDCC9"},   // raw bytes carried as units stay raw
    {u"\xD801", u"\xD801", u"\xD801"},                    // lone surrogate as the very last unit
    {u"12-34_#", u"12-34_#", u"12-34_#"},
    {u"\u4E2D\u6587", u"\u4E2D\u6587", u"\u4E2D\u6587"},  // letters without case
};

TEST(UpperLowerText, MapsEachCodePointKeepingTheLength) {
  for (const auto& r : kRows) {
    const std::u16string in = r.in;
    EXPECT_EQ(UpperText(in), r.upper) << ToUtf8(r.in);
    EXPECT_EQ(LowerText(in), r.lower) << ToUtf8(r.in);
    EXPECT_EQ(UpperText(in).size(), in.size());
    EXPECT_EQ(in, r.in) << "the argument must not change";
  }
}

// Long texts go through blocks of plain ASCII and code point by code point;
// the letters' neighbours "@[`{" must stay, and a pair that straddles a block
// boundary must map as one code point.
TEST(UpperLowerText, LongTextsMapEveryPart) {
  std::u16string in, upper, lower;
  for (int i = 0; i < 4; ++i) {
    in += u"@AZ[`az{";
    upper += u"@AZ[`AZ{";
    lower += u"@az[`az{";
  }
  in += u"abcdefghijklmnO\U00010428straße";  // the pair at units 47 and 48
  upper += u"ABCDEFGHIJKLMNO\U00010400STRAßE";
  lower += u"abcdefghijklmno\U00010428straße";
  EXPECT_EQ(UpperText(in), upper);
  EXPECT_EQ(LowerText(in), lower);
}

// The mapping must not follow the process locale: keys compared against ASCII
// names ("INT", "BINARY") have to match under a Turkish locale as well.
TEST(UpperLowerText, SameUnderATurkishLocale) {
  UErrorCode status = U_ZERO_ERROR;
  const std::string saved = uloc_getDefault();
  uloc_setDefault("tr_TR", &status);
  ASSERT_TRUE(U_SUCCESS(status));
  const std::u16string upper = UpperText(u"int binary");
  const std::u16string lower = LowerText(u"INT BINARY");
  uloc_setDefault(saved.c_str(), &status);
  EXPECT_EQ(upper, u"INT BINARY");
  EXPECT_EQ(lower, u"int binary");
}

// The ASCII forms map "a"-"z" and "A"-"Z" and nothing else, so a byte of a
// UTF-8 sequence or a letter beyond ASCII never changes.
TEST(AsciiCase, MapsOnlyAsciiLetters) {
  EXPECT_EQ(AsciiUpper("az@[`{AZ stra\xC3\x9F" "e"), "AZ@[`{AZ STRA\xC3\x9F" "E");
  EXPECT_EQ(AsciiLower("AZ@[`{az \xC3\x89"), "az@[`{az \xC3\x89");
  EXPECT_EQ(AsciiUpper(u"i\u0131\u00E9"), u"I\u0131\u00E9");
  EXPECT_EQ(AsciiLower(u"I\u0130\u00C9"), u"i\u0130\u00C9");
  EXPECT_TRUE(SameTextAscii("Binary", "BINARY"));
  EXPECT_FALSE(SameTextAscii("Binary", "BINARY "));
  EXPECT_FALSE(SameTextAscii(u"\u00E9", u"\u00C9"));
  EXPECT_TRUE(SameTextAscii(u"Int", u"iNT"));
}

}  // namespace
