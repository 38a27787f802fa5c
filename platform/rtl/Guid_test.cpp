#include "platform/rtl/Guid.h"

#include <gtest/gtest.h>

TEST(GUIDToString, WritesTheFieldsAsNumbers) {
  const TGUID g{0x6B29FC40, 0xCA47, 0x1067, {0xB3, 0x1D, 0x00, 0xDD, 0x01, 0x06, 0x62, 0xDA}};
  EXPECT_EQ(GUIDToString(g), u"{6B29FC40-CA47-1067-B31D-00DD010662DA}");
  EXPECT_EQ(GUIDToString(TGUID{}), u"{00000000-0000-0000-0000-000000000000}");
}

// Version 4 and the RFC variant sit in the digits where the text shows them.
TEST(CreateGUID, IsRandomVersion4) {
  const UnicodeString a = GUIDToString(CreateGUID());
  const UnicodeString b = GUIDToString(CreateGUID());
  EXPECT_NE(a, b);
  for (const UnicodeString& s : {a, b}) {
    ASSERT_EQ(s.size(), 38u);
    EXPECT_EQ(s[15], u'4') << ToUtf8(s);
    EXPECT_NE(UnicodeString(u"89AB").find(s[20]), UnicodeString::npos) << ToUtf8(s);
  }
}
