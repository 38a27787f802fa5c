#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

namespace {

TEST(Exceptions, ClassNameAndMessageTravelWithTheException) {
  try {
    throw EConvertError(u"'x\u00E9' is not a valid integer value");
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), u"EConvertError");
    EXPECT_EQ(e.Message, u"'x\u00E9' is not a valid integer value");
    EXPECT_STREQ(e.what(), "'x\xC3\xA9' is not a valid integer value");
  }
}

TEST(Exceptions, OsErrorKeepsTheErrorNumber) {
  const EOSError e(u"open failed", 2);
  EXPECT_EQ(e.ClassName(), u"EOSError");
  EXPECT_EQ(e.ErrorCode, 2);
  const EFOpenError f("cannot open file");
  const EStreamError& base = f;
  EXPECT_EQ(base.ClassName(), u"EFOpenError");
}

}  // namespace
