#include "system/kxToolsEvo2_Process.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "platform/desktop/Opener.h"
#include "platform/os/SystemFiles.h"
#include "platform/process/Process.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxToolsEvo2_Identity.h"
#include "tests/support/FakeSystemBus.h"
#include "tests/support/Process.h"
#include "tests/support/ScratchFolder.h"

namespace {

using kx::testing::FakeSystemBus;
using kx::testing::RunBounded;

std::string Trimmed(std::string Text) {
  while (!Text.empty() && (Text.back() == '\n' || Text.back() == ' ')) Text.pop_back();
  while (!Text.empty() && Text.front() == ' ') Text.erase(0, 1);
  return Text;
}

// pgrep -x for processes that run: zombies (which an init that does not reap
// may keep for long) are no processes here.
kx::testing::BoundedResult Pgrep(const std::string& Name) {
  return RunBounded({"pgrep", "-r", "D,I,R,S,T,t", "-x", Name}, 10000);
}

// The nice value a program asked to run at Nice gets: lowering it below
// ours needs a privilege.
int ExpectedNice(int Nice) {
  errno = 0;
  const int own = ::getpriority(PRIO_PROCESS, 0);
  return ::geteuid() == 0 || Nice >= own ? Nice : own;
}

// ---- Programs ------------------------------------------------------------------------

class ProgramTest : public kx::testing::ScratchFolderTest {
 protected:
  void TearDown() override {
    kx::platform::SetOpenerForTesting(std::nullopt);
    ScratchFolderTest::TearDown();
  }
  // Waits up to 5 s for a file a started program writes.
  std::string Await(const std::string& Name) {
    for (int i = 0; i < 500; ++i) {
      if (std::filesystem::exists(P(Name))) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return Read(Name);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "<not written>";
  }
  // A script that records its arguments, one per line, in the file "ran".
  UnicodeString Recorder(const std::string& Name) {
    Write(Name, "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"" + P("ran.tmp") + "\"; mv \"" +
                    P("ran.tmp") + "\" \"" + P("ran") + "\"\n");
    std::filesystem::permissions(P(Name), std::filesystem::perms::owner_all);
    return U(Name);
  }
};

TEST_F(ProgramTest, ExecAndWaitAnswersWhetherItStartedAndTheExitCode) {
  uint32_t code = 77;
  EXPECT_TRUE(TkxTools::ExecAndWait(u"sh", u"-c \"exit 3\"", 0, code, u""));
  EXPECT_EQ(code, 3u);
  code = 77;
  EXPECT_FALSE(TkxTools::ExecAndWait(u"kx-no-such-program", u"", 5, code, u""));
  EXPECT_EQ(code, 0u);
  // The parameters follow the quoted file name; the work folder applies.
  std::filesystem::create_directories(P("w"));
  EXPECT_TRUE(TkxTools::ExecAndWait(u"sh", u"-c \"pwd > '" + U("w/out") + u"'\"", 1, U("w")));
  EXPECT_EQ(Read("w/out"), P("w") + "\n");
}

TEST_F(ProgramTest, ExecProcessStartsWithoutWaiting) {
  EXPECT_TRUE(TkxTools::ExecProcess(Recorder("rec"), u"one \"two three\"", 1, u""));
  EXPECT_EQ(Await("ran"), "one\ntwo three\n");
  std::filesystem::remove(P("ran"));
  EXPECT_TRUE(TkxTools::ExecProcess(u"\"" + U("rec") + u"\" \"\" x", 0));  // the command line as it stands
  EXPECT_EQ(Await("ran"), "\nx\n");
  EXPECT_FALSE(TkxTools::ExecProcess(u"kx-no-such-program", u"", 0, u""));
  EXPECT_FALSE(TkxTools::ExecProcess(u"", 0));
}

TEST_F(ProgramTest, APriorityClassBecomesANiceValueAndTheHandleEndsTheProgram) {
  const std::pair<uint32_t, int> cases[] = {{0x40, 19}, {0x4000, 10}, {0x20, 0}, {0x1234, 0}};
  for (const auto& [priority, niceValue] : cases) {
    const std::string nice = std::to_string(ExpectedNice(niceValue));
    uintptr_t handle = 99;
    ASSERT_TRUE(TkxTools::ExecProcess(u"sleep", u"30", priority, 0, handle, u""));
    ASSERT_NE(handle, 0u);
    const auto ps = RunBounded({"ps", "-o", "ni=", "-p", std::to_string(kx::testing::PidOfHandle(handle))}, 10000);
    EXPECT_EQ(Trimmed(ps.Output), nice) << priority;
    EXPECT_TRUE(TkxTools::KillProcess(handle));
    EXPECT_TRUE(kx::testing::HandleEnds(handle));
    kx::platform::CloseProcessHandle(handle);
  }
  uintptr_t handle = 99;
  EXPECT_FALSE(TkxTools::ExecProcess(u"kx-no-such-program", u"", 0x40, 0, handle, u""));
  EXPECT_EQ(handle, 0u);
  EXPECT_FALSE(TkxTools::KillProcess(uintptr_t{0}));
}

TEST_F(ProgramTest, ProcessesAreFoundAndEndedByName) {
  // A uniquely named copy of sleep (pgrep -x sees at most 15 characters).
  const std::string name = "kxs" + std::to_string(::getpid() % 1000000);
  std::filesystem::copy_file("/bin/sleep", P(name));
  const UnicodeString uname = ToUtf16(name);
  uintptr_t handle = 0;
  ASSERT_TRUE(TkxTools::ExecProcess(U(name), u"30", 0x20, 0, handle, u""));
  const uint32_t pid = kx::testing::PidOfHandle(handle);
  EXPECT_EQ(Trimmed(Pgrep(name).Output), std::to_string(pid));

  EXPECT_TRUE(TkxTools::ProcessExists(uname));
  EXPECT_TRUE(TkxTools::ProcessExists(U(name)));  // the file name part counts
  EXPECT_TRUE(TkxTools::ProcessExists(ToUtf16("C:\\bin\\" + name + ".EXE")));
  EXPECT_TRUE(TkxTools::ProcessExists(pid));
  EXPECT_TRUE(TkxTools::ProcessExists(pid, ToUtf16("/x/" + name + ".exe")));
  EXPECT_FALSE(TkxTools::ProcessExists(pid, u"sleep"));
  EXPECT_FALSE(TkxTools::ProcessExists(uint32_t{0}));
  EXPECT_FALSE(TkxTools::ProcessExists(uint32_t{0}, uname));
  EXPECT_FALSE(TkxTools::KillProcess(uname + u"x"));  // no such process

  EXPECT_TRUE(TkxTools::KillProcess(ToUtf16(name + ".exe")));
  EXPECT_TRUE(kx::testing::HandleEnds(handle));
  kx::platform::CloseProcessHandle(handle);
  for (int i = 0; i < 100 && TkxTools::ProcessExists(uname); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(TkxTools::ProcessExists(uname));
  EXPECT_FALSE(TkxTools::ProcessExists(pid));
  EXPECT_NE(Pgrep(name).ExitCode, 0);
  EXPECT_FALSE(TkxTools::KillProcess(uname));
}

TEST_F(ProgramTest, ProcessExistsAgreesWithPgrep) {
  // Names whose programs are no links: pgrep sees the name a program was
  // started under, the snapshot the name of its file.
  uintptr_t handle = 0;
  ASSERT_TRUE(TkxTools::ExecProcess(u"sleep", u"30", 0x20, 0, handle, u""));
  for (const char* name : {"kxnosuchprog", "sleep"}) {
    const auto pgrep = Pgrep(name);
    if (pgrep.ExitCode < 0) GTEST_SKIP() << "pgrep cannot be run";
    EXPECT_EQ(TkxTools::ProcessExists(ToUtf16(name)), pgrep.ExitCode == 0) << name;
  }
  TkxTools::KillProcess(handle);
  kx::platform::CloseProcessHandle(handle);
  EXPECT_TRUE(TkxTools::ProcessExists(static_cast<uint32_t>(::getpid())));
}

TEST_F(ProgramTest, ShellExecuteOpensDocumentsAndUrlsAndStartsPrograms) {
  const UnicodeString opener = Recorder("opener");
  kx::platform::SetOpenerForTesting(std::vector<UnicodeString>{opener});
  Write("doc.txt", "text");
  Recorder("prog");

  struct Case {
    std::u16string command;
    bool isUrl, check;
    std::string ran;  // what the recorder saw
  };
  const Case cases[] = {
      {u"  https://example.org/?a=1 b", false, false, "https://example.org/?a=1 b\n"},
      {u"https://example.org/ x", true, true, "https://example.org/\n"},  // a URL drops its parameters
      {u"mailto:ann@example.org", false, true, "mailto:ann@example.org\n"},
      {U("doc.txt") + u" ignored", false, true, P("doc.txt") + "\n"},
      {U("prog") + u" a \"b c\"", false, true, "a\nb c\n"},
      {U("prog"), false, false, ""},
      {U(""), false, false, P("") + "\n"},  // a folder
  };
  for (const auto& c : cases) {
    std::filesystem::remove(P("ran"));
    EXPECT_TRUE(TkxTools::ShellExecute(c.command, 5, c.isUrl, c.check)) << ToUtf8(c.command);
    EXPECT_EQ(Await("ran"), c.ran) << ToUtf8(c.command);
  }
  EXPECT_FALSE(TkxTools::ShellExecute(u" \t ", 5, false, false));
  EXPECT_FALSE(TkxTools::ShellExecute(U("missing.txt"), 5, false, false));
  EXPECT_FALSE(TkxTools::ShellExecute(U("prog") + u" a", 5, false, false));  // without Check, all one name
  EXPECT_FALSE(TkxTools::ShellExecute(u"kx-no-such-program", 5, false, false));
  try {
    TkxTools::ShellExecute(u"ftp://example.org", 5, true, false);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), u"Exception");
    EXPECT_EQ(e.Message, u"invalid url");
  }
  EXPECT_TRUE(TkxTools::ShellExecute(u"HTTPS://EXAMPLE.ORG", 5, true, false));  // LowerText first
}

TEST(Process, WindowsOnlyOperationsAnswerTheirFailure) {
  EXPECT_FALSE(TkxTools::RemoteCloseApplication(u"Untitled - Notepad"));
  EXPECT_FALSE(TkxTools::InstallINF(u"/tmp/driver.inf", 0));
}

// ---- Services and the session, over a private bus ----------------------------------------

class BusTest : public kx::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    if (!FakeSystemBus::Available()) GTEST_SKIP() << "dbus-daemon is not installed";
    bus_ = std::make_unique<FakeSystemBus>();
    bus_->CheckBusIsPrivate();
    TkxTools::detail::SetServicePollSleepForTesting([this](uint32_t ms) { sleeps_.push_back(ms); });
  }
  void TearDown() override {
    TkxTools::detail::SetServicePollSleepForTesting(nullptr);
    kx::platform::SetOpenerForTesting(std::nullopt);
    bus_.reset();
    ScratchFolderTest::TearDown();
  }
  std::unique_ptr<FakeSystemBus> bus_;
  std::vector<uint32_t> sleeps_;
};

TEST_F(BusTest, ATestThatWouldReachAnotherBusAborts) {
  // The default death-test style forks without starting the program again,
  // so no second bus daemon is made.
  EXPECT_DEATH(
      {
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/run/dbus/system_bus_socket", 1);
        bus_->CheckBusIsPrivate();
      },
      "not the private test bus");
}

TEST_F(BusTest, ServiceStatesMapOntoTheServiceManagersNumbers) {
  struct Case {
    std::string load, active, freezer;
    uint32_t want;
  };
  const Case cases[] = {
      {"loaded", "inactive", "running", 1},   {"loaded", "failed", "running", 1},
      {"loaded", "activating", "running", 2}, {"loaded", "deactivating", "running", 3},
      {"loaded", "active", "running", 4},     {"loaded", "reloading", "running", 4},
      {"loaded", "active", "thawing", 5},     {"loaded", "active", "freezing", 6},
      {"loaded", "active", "frozen", 7},      {"not-found", "inactive", "running", 0},
      {"error", "inactive", "running", 0},    {"loaded", "maintenance", "running", 0},
      {"masked", "inactive", "", 1},
  };
  for (const auto& c : cases) {
    FakeSystemBus::Unit unit;
    unit.LoadState = c.load;
    unit.ActiveStates = {c.active};
    unit.FreezerState = c.freezer;
    bus_->SetUnit("kxsrv.service", unit);
    EXPECT_EQ(TkxTools::GetServiceStatus(u"", u"kxsrv"), c.want) << c.load << " " << c.active << " " << c.freezer;
  }
  bus_->ClearCalls();
  EXPECT_EQ(TkxTools::GetServiceStatus(u"", u"kxsrv.service"), 1u);  // ".service" only once
  EXPECT_EQ(TkxTools::GetServiceStatus(u"", u"unknown"), 0u);         // loads as "not-found"
  EXPECT_EQ(bus_->Calls(), (std::vector<std::string>{"LoadUnit kxsrv.service", "LoadUnit unknown.service"}));
}

TEST_F(BusTest, OnlyThisComputersServicesCanBeRead) {
  bus_->SetUnit("kxsrv.service", {});
  EXPECT_EQ(TkxTools::GetServiceStatus(TkxTools::GetComputerName(), u"kxsrv"), 1u);
  EXPECT_EQ(TkxTools::GetServiceStatus(u"\\\\" + LowerText(TkxTools::GetComputerName()), u"kxsrv"), 1u);
  bus_->ClearCalls();
  EXPECT_EQ(TkxTools::GetServiceStatus(u"some-other-host-kx", u"kxsrv"), 0u);
  EXPECT_TRUE(bus_->Calls().empty());  // never asked
}

TEST_F(BusTest, StartAndStopAskTheManagerAndPollUntilTheStateIsReached) {
  FakeSystemBus::Unit unit;
  unit.ActiveStates = {"inactive"};
  unit.AfterStart = {"activating", "activating", "active"};
  unit.AfterStop = {"deactivating", "inactive"};
  bus_->SetUnit("kxsrv.service", unit);
  EXPECT_TRUE(TkxTools::StartService(u"kxsrv"));
  EXPECT_EQ(sleeps_, (std::vector<uint32_t>{500, 500}));
  sleeps_.clear();
  EXPECT_TRUE(TkxTools::StopService(u"kxsrv"));
  EXPECT_EQ(sleeps_, (std::vector<uint32_t>{500}));
  const std::vector<std::string> calls = bus_->Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "StartUnit kxsrv.service replace"), calls.end());
  EXPECT_NE(std::find(calls.begin(), calls.end(), "StopUnit kxsrv.service replace"), calls.end());

  // A unit that never gets there: 120 readings, 119 pauses, false.
  unit.AfterStart = {"activating"};
  bus_->SetUnit("slow.service", unit);
  sleeps_.clear();
  EXPECT_FALSE(TkxTools::StartService(u"slow"));
  EXPECT_EQ(sleeps_.size(), 119u);

  // A unit that falls to 0 (fails to load) ends the polling at once.
  unit.AfterStart = {"maintenance"};
  bus_->SetUnit("broken.service", unit);
  sleeps_.clear();
  EXPECT_FALSE(TkxTools::StartService(u"broken"));
  EXPECT_TRUE(sleeps_.empty());
}

TEST_F(BusTest, StoppingAServiceThatDoesNotExistFailsAtOnce) {
  bus_->ClearCalls();
  EXPECT_FALSE(TkxTools::StopService(u"kx-no-such-service"));
  EXPECT_FALSE(TkxTools::StartService(u"kx-no-such-service"));
  EXPECT_EQ(bus_->Calls(), (std::vector<std::string>{"LoadUnit kx-no-such-service.service",
                                                     "LoadUnit kx-no-such-service.service"}));
  EXPECT_TRUE(sleeps_.empty());
}

TEST_F(BusTest, EveryShutDownFlagCombinationAsksLogindOnce) {
  for (int flags = 0; flags < 16; ++flags) {
    const bool quick = flags & 1, reboot = flags & 2, powerOff = flags & 4, logOff = flags & 8;
    bus_->ClearCalls();
    EXPECT_TRUE(TkxTools::SystemShutDown(quick, reboot, powerOff, logOff)) << flags;
    std::vector<std::string> want;
    if (logOff)
      want = {"GetSessionByPID 0", "TerminateSession c7"};  // whatever Reboot and PowerOff say
    else if (reboot)
      want = {"Reboot false"};
    else if (powerOff)
      want = {"PowerOff false"};
    else
      want = {"Halt false"};
    EXPECT_EQ(bus_->Calls(), want) << flags;
  }
  bus_->SetLogindRefuses(true);  // true once asked, whatever logind answers
  EXPECT_TRUE(TkxTools::SystemShutDown(false, true, false, false));
  EXPECT_TRUE(TkxTools::SystemShutDown(false, false, false, true));
}

TEST_F(BusTest, ShowFileInExplorerAsksTheFileManagerElseOpensTheFolder) {
  Write("a b/c.txt", "x");
  bus_->ClearCalls();
  EXPECT_TRUE(TkxTools::ShowFileInExplorer(U("a b/c.txt")));
  EXPECT_EQ(bus_->Calls(),
            (std::vector<std::string>{"ShowItems file://" + dir_ + "/a%20b/c.txt"}));

  Write("opener", "#!/bin/sh\necho \"$1\" > \"" + P("opened") + "\"\n");
  std::filesystem::permissions(P("opener"), std::filesystem::perms::owner_all);
  kx::platform::SetOpenerForTesting(std::vector<UnicodeString>{U("opener")});
  bus_->RemoveFileManager();
  EXPECT_TRUE(TkxTools::ShowFileInExplorer(U("a b/c.txt")));
  for (int i = 0; i < 500 && Read("opened").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(Read("opened"), P("a b/") + "\n");
}

TEST(NoBus, ServicesAndTheSessionAnswerTheirFailure) {
  // CTest points both bus variables at sockets that do not exist.
  EXPECT_EQ(TkxTools::GetServiceStatus(u"", u"ssh"), 0u);
  EXPECT_FALSE(TkxTools::StartService(u"ssh"));
  EXPECT_FALSE(TkxTools::StopService(u"ssh"));
  EXPECT_FALSE(TkxTools::SystemShutDown(false, false, true, false));
  EXPECT_FALSE(TkxTools::SystemShutDown(false, false, false, true));
}

// ---- The services and hosts files ----------------------------------------------------

class SystemFileTest : public kx::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    kx::platform::SetSystemFileFolderForTesting(dir_);
  }
  void TearDown() override {
    kx::platform::SetSystemFileFolderForTesting(std::nullopt);
    ScratchFolderTest::TearDown();
  }
};

TEST_F(SystemFileTest, GetServicesPortReadsTheFirstLineThatNamesTheService) {
  Write("services",
        "# comment 21/tcp\r\n"
        "ftp\t\t21/tcp\r\n"
        "ftp\t\t2121/udp\r\n"
        "  http   80/tcp   www  # web\r\n"
        "odd 1%2%3/tcp\n"
        "nothing\n"
        "noport /tcp\n"
        "bad 1a/tcp\n"
        "noslash 99\n"
        "caf\xC3\xA9 5/tcp\n"
        "last 7/udp");
  struct Case {
    std::u16string typ;
    int32_t want;
  };
  const Case cases[] = {
      {u"ftp", 21},     {u"FTP", 21},  {u"http", 80},  {u"www", -1},    {u"odd", 123},
      {u"nothing", -1},  // a line without a blank has no name
      {u"noport", 0},   {u"bad", -1},  {u"noslash", 0}, {u"caf\u00e9", 5}, {u"CAF\u00c9", -1},  // "a"-"z" only
      {u"last", 7},
      {u"", 0},  // the empty name: the first line without a blank, which has no port
  };
  for (const auto& c : cases) EXPECT_EQ(TkxTools::GetServicesPort(c.typ), c.want) << ToUtf8(c.typ);

  std::filesystem::remove(P("services"));
  try {
    TkxTools::GetServicesPort(u"ftp");
    ADD_FAILURE() << "no exception";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, ENOENT);
    EXPECT_EQ(e.ClassName(), u"EInOutError");
  }
}

TEST_F(SystemFileTest, SetServiceSettingsReplacesTheFirstMatchKeepingEveryOtherByte) {
  const std::string head = "# services\r\n\r\nftp\t\t21/tcp\r\n";
  const std::string tail = "Kxsrv\t4420/tcp\t# old\r\nkxsrv 1/tcp\r\nlast\t9/tcp";
  Write("services", head + tail);
  ASSERT_TRUE(TkxTools::SetServiceSettings(u"kxsrv", u"4421", u"tcp", u"Our server"));
  const std::string entry = "kxsrv" + std::string(13, ' ') + "4421/tcp" + std::string(24, ' ') + "#Our server";
  EXPECT_EQ(Read("services"), head + entry + "\r\nkxsrv 1/tcp\r\nlast\t9/tcp");

  // A name not there is appended, after a break for the unfinished last line;
  // an over-long name is not cut, and a blank still parts it from the port.
  ASSERT_TRUE(TkxTools::SetServiceSettings(u"a-very-long-service-name", u"1", u"udp", u""));
  EXPECT_EQ(Read("services"), head + entry + "\r\nkxsrv 1/tcp\r\nlast\t9/tcp\r\n" +
                                  "a-very-long-service-name 1/udp" + std::string(24, ' ') + "#\r\n");
  EXPECT_EQ(TkxTools::GetServicesPort(u"a-very-long-service-name"), 1);
  // Calling again replaces, it does not add a duplicate.
  ASSERT_TRUE(TkxTools::SetServiceSettings(u"A-VERY-LONG-SERVICE-NAME", u"2", u"udp", u""));
  const std::string text = Read("services");
  EXPECT_EQ(text.find("a-very-long"), std::string::npos);
  EXPECT_NE(text.find("A-VERY-LONG-SERVICE-NAME 2/udp"), std::string::npos);

  // A file with LF lines gets LF lines; its mode stays.
  Write("services", "ftp\t21/tcp\n");
  std::filesystem::permissions(P("services"), std::filesystem::perms(0640));
  ASSERT_TRUE(TkxTools::SetServiceSettings(u"new", u"3", u"tcp", u"c"));
  EXPECT_EQ(Read("services"),
            "ftp\t21/tcp\nnew" + std::string(15, ' ') + "3/tcp" + std::string(24, ' ') + "#c\n");
  EXPECT_EQ(std::filesystem::status(P("services")).permissions(), std::filesystem::perms(0640));

  std::filesystem::remove(P("services"));
  EXPECT_FALSE(TkxTools::SetServiceSettings(u"x", u"1", u"tcp", u""));
}

TEST_F(SystemFileTest, HostsEntriesAreAppendedAndFound) {
  Write("hosts", "# hosts\r\n127.0.0.1\tlocalhost\r\n\r\n::1     ip6-localhost ip6-loopback");
  ASSERT_TRUE(TkxTools::SetHostSettings(u"10.0.0.5", u"kxserver"));
  EXPECT_EQ(Read("hosts"),
            "# hosts\r\n127.0.0.1\tlocalhost\r\n\r\n::1     ip6-localhost ip6-loopback\r\n10.0.0.5  kxserver\r\n");
  ASSERT_TRUE(TkxTools::SetHostSettings(u"10.0.0.6", u"second"));
  EXPECT_EQ(Read("hosts").substr(Read("hosts").size() - 18), "10.0.0.6  second\r\n");

  struct Case {
    std::u16string host;
    bool found;
    std::u16string address;
  };
  const Case cases[] = {
      {u"localhost", true, u"127.0.0.1"},  // tab-separated
      {u"local", true, u"127.0.0.1"},      // a part of a name matches
      {u"LOOPBACK", true, u"::1"},
      {u"kxserver", true, u"10.0.0.5"},
      {u"hosts", false, u"unchanged"},     // only in a comment
      {u"nowhere", false, u"unchanged"},
      {u"", false, u"unchanged"},
  };
  for (const auto& c : cases) {
    UnicodeString address = u"unchanged";
    EXPECT_EQ(TkxTools::GetHostSettings(c.host, address), c.found) << ToUtf8(c.host);
    EXPECT_EQ(address, c.address) << ToUtf8(c.host);
  }

  Write("hosts", "1.2.3.4 a\n");
  ASSERT_TRUE(TkxTools::SetHostSettings(u"5.6.7.8", u"b"));
  EXPECT_EQ(Read("hosts"), "1.2.3.4 a\n5.6.7.8  b\n");  // the file's own line end

  std::filesystem::remove(P("hosts"));
  EXPECT_FALSE(TkxTools::SetHostSettings(u"1.1.1.1", u"x"));
  EXPECT_FALSE(std::filesystem::exists(P("hosts")));  // never created
  UnicodeString address;
  EXPECT_THROW(TkxTools::GetHostSettings(u"x", address), EInOutError);
}

TEST(SystemFiles, GetServicesPortAgreesWithGetentOnTheSystemsFile) {
  if (!std::filesystem::exists("/etc/services")) GTEST_SKIP() << "no /etc/services";
  for (const char* name : {"ftp", "ssh", "smtp", "domain", "http", "https", "imaps", "postgresql"}) {
    const auto getent = RunBounded({"getent", "services", name}, 10000);
    if (getent.ExitCode < 0) GTEST_SKIP() << "getent cannot be run";
    int32_t want = -1;
    if (getent.ExitCode == 0) {
      // "ftp                   21/tcp"
      const size_t slash = getent.Output.find('/');
      const size_t start = getent.Output.find_last_of(" \t", slash) + 1;
      want = std::stoi(getent.Output.substr(start, slash - start));
    }
    EXPECT_EQ(TkxTools::GetServicesPort(ToUtf16(name)), want) << name;
  }
}

}  // namespace
