#include "platform/rtl/Trim.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

// Each trim removes its own set at its own ends and nothing more: a unit just
// outside the set stays, and an interior run is never touched.
TEST(Trim, EachFormRemovesItsSetAtItsEnds) {
  struct Case {
    std::string_view in, blanks, blanksRight, spaces, spacesLeft, spacesRight;
  };
  const Case cases[] = {
      {" \t a b \r\n", "a b", " \t a b", "a b \r\n", "a b \r\n", " \t a b \r\n"},
      {"\x01x\x7F", "x\x7F", "\x01x\x7F", "\x01x\x7F", "\x01x\x7F", "\x01x\x7F"},
      {"\t\t", "", "", "", "", ""},
      {"", "", "", "", "", ""},
      {"\xC2\xA0x \xFF ", "\xC2\xA0x \xFF", "\xC2\xA0x \xFF", "\xC2\xA0x \xFF", "\xC2\xA0x \xFF ",
       "\xC2\xA0x \xFF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TrimBlanks(c.in), c.blanks) << c.in;
    EXPECT_EQ(TrimBlanksRight(c.in), c.blanksRight) << c.in;
    EXPECT_EQ(TrimSpacesAndTabs(c.in), c.spaces) << c.in;
    EXPECT_EQ(TrimSpacesAndTabsLeft(c.in), c.spacesLeft) << c.in;
    EXPECT_EQ(TrimSpacesAndTabsRight(c.in), c.spacesRight) << c.in;
  }
}

// The UTF-16 forms: blanks are units at or below U+0020; white space adds
// the C1 controls and Unicode's spaces.
TEST(Trim, WhiteSpaceIsWiderThanBlanks) {
  EXPECT_EQ(TrimBlanks(u"\u00A0\ta\u3000 "), u"\u00A0\ta\u3000");
  EXPECT_EQ(TrimWhiteSpace(u"\u00A0\ta\u3000 "), u"a");
  EXPECT_EQ(TrimWhiteSpace(u"\u0085\u2028a b\u202F\u007F"), u"a b");
  EXPECT_EQ(TrimWhiteSpace(u"\u200Ba"), u"\u200Ba");  // zero width space is no white space
  EXPECT_EQ(TrimSpacesAndTabs(u"\r a\t"), u"\r a");
}

}  // namespace
