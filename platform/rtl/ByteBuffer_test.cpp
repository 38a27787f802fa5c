#include "platform/rtl/ByteBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

TEST(ByteBuffer, CopiesShareUntilOneChanges) {
  std::string big(1 << 20, 'x');
  const char* original = big.data();
  ByteBuffer a(std::move(big));
  EXPECT_EQ(a.Data(), original);  // taken over, not copied

  ByteBuffer b = a;
  EXPECT_TRUE(b.SharesWith(a));
  EXPECT_EQ(b.Data(), original);

  b.Mutable()[0] = 'y';
  EXPECT_FALSE(b.SharesWith(a));
  EXPECT_EQ(a.View()[0], 'x');
  EXPECT_EQ(b.View()[0], 'y');
  EXPECT_EQ(a.Data(), original);

  // The sole holder changes in place.
  const char* own = b.Data();
  b.Mutable()[1] = 'z';
  EXPECT_EQ(b.Data(), own);
  EXPECT_NE(a, b);
}

TEST(ByteBuffer, EmptyAndRawBytes) {
  ByteBuffer empty;
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(empty.View(), "");
  EXPECT_FALSE(empty.SharesWith(ByteBuffer()));
  EXPECT_EQ(empty, ByteBuffer(std::string()));

  const char raw[] = {'\0', '\xFF', 'a'};
  ByteBuffer r(raw, sizeof raw);
  EXPECT_EQ(r.Size(), 3u);
  EXPECT_EQ(r.ToString(), std::string(raw, 3));  // zero bytes are data

  empty.Mutable() = "new";
  EXPECT_EQ(empty.View(), "new");
  empty.Clear();
  EXPECT_TRUE(empty.Empty());
}

// Copies on different threads may change their bytes at the same time; the
// sanitizer build checks that no change reaches another copy.
TEST(ByteBuffer, CopiesChangeIndependentlyOnThreads) {
  const ByteBuffer shared(std::string(4096, '0'));
  std::vector<std::thread> threads;
  std::vector<std::string> seen(8);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&shared, &seen, t] {
      ByteBuffer mine = shared;
      for (int i = 0; i < 100; ++i) {
        ByteBuffer step = mine;
        mine.Mutable()[i] = static_cast<char>('a' + t);
      }
      seen[t] = mine.ToString();
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < 8; ++t) {
    EXPECT_EQ(seen[t].substr(0, 100), std::string(100, static_cast<char>('a' + t)));
    EXPECT_EQ(seen[t][100], '0');
  }
  EXPECT_EQ(shared.View(), std::string(4096, '0'));
}

}  // namespace
