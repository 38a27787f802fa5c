#include "platform/console.h"

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include "tests/support/PseudoTerminal.h"

namespace {

namespace console = kx::platform::console;

TEST(Console, AKeyIsSeenOnceWithoutALineEnd) {
  kx::testing::PseudoTerminal terminal;
  EXPECT_FALSE(console::KeyPressed());
  terminal.Type("x");
  EXPECT_TRUE(console::KeyPressed());
  EXPECT_FALSE(console::KeyPressed());
  terminal.Type("ab");
  EXPECT_TRUE(console::KeyPressed());
  EXPECT_TRUE(console::KeyPressed());
  EXPECT_FALSE(console::KeyPressed());
  // The terminal's mode is restored.
  termios mode{};
  ASSERT_EQ(::tcgetattr(terminal.Terminal(), &mode), 0);
  EXPECT_NE(mode.c_lflag & ICANON, 0u);
  EXPECT_NE(mode.c_lflag & ECHO, 0u);
}

TEST(Console, ClearAndTitleSequencesArrive) {
  kx::testing::PseudoTerminal terminal;
  EXPECT_TRUE(console::ClearScreen());
  EXPECT_EQ(terminal.Screen(), "\x1b[2J\x1b[H");
  EXPECT_TRUE(console::SetTitle(u"VANTO DRAV DAEMON (instance id 2) \u00C4"));
  EXPECT_EQ(terminal.Screen(), "\x1b]0;VANTO DRAV DAEMON (instance id 2) \xC3\x84\x07");
  // Control characters cannot end the sequence or start another one.
  EXPECT_TRUE(console::SetTitle(u"a\x07\x1b]0;b\u009Bc\x7F\xD800"));
  EXPECT_EQ(terminal.Screen(), "\x1b]0;a]0;bc?\x07");
}

TEST(Console, NotATerminalAnswersFalse) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  ASSERT_EQ(::write(pipeFds[1], "k", 1), 1);
  console::SetDescriptorsForTesting(std::pair(pipeFds[0], pipeFds[1]));
  EXPECT_FALSE(console::KeyPressed());
  EXPECT_FALSE(console::ClearScreen());
  EXPECT_FALSE(console::SetTitle(u"t"));
  console::SetDescriptorsForTesting(std::nullopt);
  char byte = 0;
  EXPECT_EQ(::read(pipeFds[0], &byte, 1), 1);  // nothing was taken from it
  EXPECT_EQ(byte, 'k');
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);
}

}  // namespace
