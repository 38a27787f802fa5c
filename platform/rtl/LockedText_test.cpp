#include "platform/rtl/LockedText.h"

#include <gtest/gtest.h>

#include <thread>

TEST(LockedText, AssignCopyClear) {
  LockedText t;
  EXPECT_TRUE(t.IsEmpty());
  t = u"online";
  EXPECT_EQ(t, u"online");
  const UnicodeString copy = t;
  t.Clear();
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_EQ(copy, u"online");
}

// A writer and a reader on two threads: every text read is one of those
// written whole (the sanitizer build sees a race if the lock is missing).
TEST(LockedText, ReaderSeesWholeTexts) {
  LockedText t(u"a");
  const UnicodeString longText(1000, u'b');
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) t = (i % 2 != 0) ? longText : UnicodeString(u"a");
  });
  for (int i = 0; i < 2000; ++i) {
    const UnicodeString seen = t;
    ASSERT_TRUE(seen == u"a" || seen == longText);
  }
  writer.join();
}
