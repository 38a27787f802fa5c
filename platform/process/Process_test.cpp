#include "platform/process/Process.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "platform/os/LastError.h"
#include "platform/process/ProcessList.h"
#include "tests/support/Process.h"
#include "tests/support/ScratchFolder.h"

namespace {

using kx::platform::ProcessStart;

// The report of kxprocessprobe as key -> values.
std::multimap<std::string, std::string> Report(const std::string& File) {
  std::multimap<std::string, std::string> report;
  std::ifstream in(File);
  std::string line;
  while (std::getline(in, line)) {
    const size_t eq = line.find('=');
    report.emplace(line.substr(0, eq), line.substr(eq + 1));
  }
  return report;
}

std::string One(const std::multimap<std::string, std::string>& Report, const std::string& Key) {
  auto found = Report.find(Key);
  return found == Report.end() ? "<none>" : found->second;
}

// Children of this process that ended and were never reaped.
std::vector<std::string> Zombies() {
  std::vector<std::string> zombies;
  const std::string me = std::to_string(::getpid());
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(text.substr(close + 2));
    std::string state, ppid;
    rest >> state >> ppid;
    if (state == "Z" && ppid == me) zombies.push_back(text);
  }
  return zombies;
}

class ProcessTest : public kx::testing::ScratchFolderTest {};

TEST_F(ProcessTest, AProgramRunsInItsOwnSessionWithOnlyTheStandardStreams) {
  std::filesystem::create_directories(P("work dir"));
  const int leaked = ::open("/dev/null", O_RDONLY);  // no close-on-exec: must not reach the program
  ASSERT_GE(leaked, 0);
  ProcessStart start;
  start.Arguments = {ToUtf16(KX_PROCESS_PROBE), U("report"), u"a b", u"", u"\u00e4"};
  start.WorkDirectory = U("work dir");
  start.Nice = 19;
  uintptr_t handle = 0;
  ASSERT_TRUE(kx::platform::StartProcess(start, &handle));
  ::close(leaked);
  ASSERT_NE(handle, 0u);
  const uint32_t pid = kx::testing::PidOfHandle(handle);
  int pumped = 0;
  uint32_t code = 99;
  EXPECT_TRUE(kx::platform::WaitForProcess(handle, [&] { ++pumped; }, code));
  kx::platform::CloseProcessHandle(handle);
  EXPECT_EQ(code, 0u);
  EXPECT_GE(pumped, 1);
  const auto report = Report(P("report"));
  EXPECT_EQ(One(report, "pid"), std::to_string(pid));
  EXPECT_EQ(One(report, "sid"), std::to_string(pid));  // a session of its own
  EXPECT_EQ(One(report, "fds"), "0,1,2");
  EXPECT_EQ(One(report, "cwd"), P("work dir"));
  EXPECT_EQ(One(report, "nice"), "19");
  auto args = report.equal_range("arg");
  std::vector<std::string> got;
  for (auto it = args.first; it != args.second; ++it) got.push_back(it->second);
  EXPECT_EQ(got, (std::vector<std::string>{"a b", "", "\xC3\xA4"}));
  EXPECT_TRUE(Zombies().empty());
}

TEST_F(ProcessTest, TheExitCodeIsTheProgramsOrTheSignalsPlus128) {
  const std::pair<std::u16string, uint32_t> cases[] = {
      {u"exit 3", 3}, {u"exit 0", 0}, {u"kill -9 $$", 128 + 9}, {u"kill -15 $$", 128 + 15}};
  for (const auto& [script, want] : cases) {
    ProcessStart start;
    start.Arguments = {u"sh", u"-c", script};
    uintptr_t handle = 0;
    ASSERT_TRUE(kx::platform::StartProcess(start, &handle));
    uint32_t code = 99;
    EXPECT_TRUE(kx::platform::WaitForProcess(handle, nullptr, code));
    kx::platform::CloseProcessHandle(handle);
    EXPECT_EQ(code, want) << ToUtf8(script);
  }
  EXPECT_TRUE(Zombies().empty());
}

TEST_F(ProcessTest, WhetherItStartedIsExact) {
  Write("plain.txt", "not a program");
  Write("bin/tool", "#!/bin/sh\n");
  std::filesystem::permissions(P("bin/tool"), std::filesystem::perms::owner_all);
  struct Case {
    std::vector<UnicodeString> arguments;
    UnicodeString folder;
    int error;
  };
  const Case cases[] = {
      {{u"kx-no-such-program-here"}, u"", ENOENT},
      {{U("missing/tool")}, u"", ENOENT},
      {{U("plain.txt")}, u"", EACCES},
      {{U("bin")}, u"", EACCES},  // a folder
      {{U("bin/tool")}, U("no such folder"), ENOENT},
      {{u"C:\\tools\\run.exe"}, u"", ENOENT},  // names nothing here
      {{}, u"", ENOENT},
  };
  for (const auto& c : cases) {
    for (const bool detached : {false, true}) {
      ProcessStart start;
      start.Arguments = c.arguments;
      start.WorkDirectory = c.folder;
      start.Detached = detached;
      uintptr_t handle = 7;
      kx::platform::SetLastOSError(0);
      EXPECT_FALSE(kx::platform::StartProcess(start, &handle))
          << (c.arguments.empty() ? "" : ToUtf8(c.arguments[0]));
      EXPECT_EQ(handle, 0u);
      EXPECT_EQ(kx::platform::LastOSError(), c.error)
          << (c.arguments.empty() ? "" : ToUtf8(c.arguments[0])) << " detached " << detached;
    }
  }
  EXPECT_TRUE(Zombies().empty());
}

TEST_F(ProcessTest, ARelativeProgramIsFoundFromTheCurrentFolderNotTheWorkFolder) {
  Write("bin/tool", "#!/bin/sh\necho ran > \"$1\"\n");
  std::filesystem::permissions(P("bin/tool"), std::filesystem::perms::owner_all);
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  ProcessStart start;
  start.Arguments = {u"bin/tool", U("out")};
  start.WorkDirectory = UnicodeString(1, u'/');  // the root
  uintptr_t handle = 0;
  const bool started = kx::platform::StartProcess(start, &handle);
  std::filesystem::current_path(old);
  ASSERT_TRUE(started);
  uint32_t code = 99;
  kx::platform::WaitForProcess(handle, nullptr, code);
  kx::platform::CloseProcessHandle(handle);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(Read("out"), "ran\n");
}

TEST_F(ProcessTest, DetachedProgramsLeaveNoZombieAndCanBeKilledThroughTheirHandle) {
  for (int i = 0; i < 5; ++i) {
    ProcessStart start;
    start.Arguments = {u"true"};
    start.Detached = true;
    EXPECT_TRUE(kx::platform::StartProcess(start, nullptr));
  }
  ProcessStart start;
  start.Arguments = {u"sleep", u"30"};
  start.Detached = true;
  uintptr_t handle = 0;
  ASSERT_TRUE(kx::platform::StartProcess(start, &handle));
  const uint32_t pid = kx::testing::PidOfHandle(handle);
  EXPECT_TRUE(kx::platform::FindProcess(pid).has_value());
  EXPECT_TRUE(kx::platform::KillProcessHandle(handle));
  EXPECT_TRUE(kx::testing::HandleEnds(handle));
  kx::platform::CloseProcessHandle(handle);
  EXPECT_FALSE(kx::platform::KillProcessHandle(0));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(Zombies().empty());
}

TEST_F(ProcessTest, KillProcessIdHitsTheProcessAskedFor) {
  ProcessStart start;
  start.Arguments = {u"sleep", u"30"};
  start.Detached = true;
  uintptr_t handle = 0;
  ASSERT_TRUE(kx::platform::StartProcess(start, &handle));
  EXPECT_TRUE(kx::platform::KillProcessId(kx::testing::PidOfHandle(handle)));
  EXPECT_TRUE(kx::testing::HandleEnds(handle));
  kx::platform::CloseProcessHandle(handle);
  EXPECT_FALSE(kx::platform::KillProcessId(0));
}

TEST_F(ProcessTest, TheSnapshotNamesProgramsByTheirFiles) {
  // A copy of the probe under a name of its own, removed while it runs.
  std::filesystem::copy_file(KX_PROCESS_PROBE, P("kx probe copy"));
  ::setenv("KXPROBE_SLEEP", "30", 1);
  ProcessStart start;
  start.Arguments = {U("kx probe copy"), U("report")};
  start.Detached = true;
  uintptr_t handle = 0;
  const bool started = kx::platform::StartProcess(start, &handle);
  ::unsetenv("KXPROBE_SLEEP");
  ASSERT_TRUE(started);
  const uint32_t pid = kx::testing::PidOfHandle(handle);
  for (int i = 0; i < 200 && Read("report").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::filesystem::remove(P("kx probe copy"));

  bool listed = false;
  for (const auto& entry : kx::platform::ProcessSnapshot())
    if (entry.Pid == pid) listed = entry.Name == u"kx probe copy";
  EXPECT_TRUE(listed);  // " (deleted)" is not part of the name
  const auto found = kx::platform::FindProcess(pid);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->Name, u"kx probe copy");
  kx::platform::KillProcessHandle(handle);
  kx::testing::HandleEnds(handle);
  kx::platform::CloseProcessHandle(handle);

  // A thread is no process; a zombie is none either.
  std::atomic<uint32_t> tid{0};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    tid = static_cast<uint32_t>(::syscall(SYS_gettid));
    while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  });
  while (tid == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(kx::platform::FindProcess(tid).has_value());
  done = true;
  worker.join();
  const pid_t zombie = ::fork();
  if (zombie == 0) ::_exit(0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(kx::platform::FindProcess(static_cast<uint32_t>(zombie)).has_value());
  ::waitpid(zombie, nullptr, 0);
  EXPECT_TRUE(kx::platform::FindProcess(static_cast<uint32_t>(::getpid())).has_value());
  EXPECT_FALSE(kx::platform::FindProcess(0).has_value());
}

}  // namespace
