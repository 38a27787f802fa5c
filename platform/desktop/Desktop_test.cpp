#include "platform/desktop/Desktop.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/desktop/Opener.h"
#include "platform/rtl/Exceptions.h"
#include "tests/support/ScratchFolder.h"

namespace {

class DesktopTest : public kx::testing::ScratchFolderTest {
 protected:
  void TearDown() override {
    kx::platform::SetOpenerForTesting(std::nullopt);
    ScratchFolderTest::TearDown();
  }
};

TEST_F(DesktopTest, WithoutAHookTheAnswersAreHeadless) {
  kx::platform::DesktopHook& desktop = kx::platform::Desktop();
  EXPECT_EQ(&desktop, &kx::platform::HeadlessDesktop());
  EXPECT_TRUE(desktop.ShowMessage(u"hello"));
  UnicodeString user = u"ann", password = u"secret";
  EXPECT_FALSE(desktop.PromptForCredentials(u"Caption", u"Message", user, password));
  EXPECT_EQ(user, u"ann");
  EXPECT_EQ(password, u"secret");
  EXPECT_THROW(desktop.CopyToClipboard({u"plain", "<b>html</b>", "Version:0.9"}), EClipboardException);
  std::string jpeg = "untouched";
  EXPECT_FALSE(desktop.GrabScreenJpeg(false, 80, jpeg));
  EXPECT_TRUE(desktop.RaiseMainWindow());
  desktop.PumpEvents();
}

TEST_F(DesktopTest, TheOpenerGetsTheTargetAsItsLastArgument) {
  Write("opener", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$(dirname \"$0\")/opened\"\n");
  std::filesystem::permissions(P("opener"), std::filesystem::perms::owner_all);
  kx::platform::SetOpenerForTesting(std::vector<UnicodeString>{U("opener"), u"--flag"});
  ASSERT_TRUE(kx::platform::OpenWithDesktop(u"https://example.org/a b"));
  for (int i = 0; i < 500 && Read("opened").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(Read("opened"), "--flag|https://example.org/a b|");

  kx::platform::SetOpenerForTesting(std::vector<UnicodeString>{U("no such opener")});
  EXPECT_FALSE(kx::platform::OpenWithDesktop(u"x"));
}

TEST_F(DesktopTest, FileUrisEncodeEverythingButPlainCharacters) {
  EXPECT_EQ(kx::platform::FileUri(u"/tmp/a b.txt"), "file:///tmp/a%20b.txt");
  EXPECT_EQ(kx::platform::FileUri(u"/t/\u00e4%#?~_-.x"), "file:///t/%C3%A4%25%23%3F~_-.x");
  EXPECT_EQ(kx::platform::FileUri(u"\\srv\\x"), "file:///srv/x");
  EXPECT_EQ(kx::platform::FileUri(u"C:\\x"), "");
  const std::string here = std::filesystem::current_path().string();
  EXPECT_EQ(kx::platform::FileUri(u"rel"), "file://" + (here == "/" ? std::string() : here) + "/rel");
}

}  // namespace
