#include "environment/kxConsoleTools.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "environment/kxVanto.h"
#include "platform/console.h"
#include "platform/os/CommandLine.h"
#include "platform/rtl/Guid.h"
#include "tests/support/Process.h"
#include "tests/support/FakeInstallation.h"
#include "tests/support/PseudoTerminal.h"

namespace {

using kx::testing::FakeInstallation;
using kx::testing::InstallKind;
namespace fs = std::filesystem;

UnicodeString W(const std::string& Text) { return ToUtf16(Text); }

TEST(ParamStrW, IndexZeroIsTheProgramFileTheOthersLoseTheirQuotes) {
  EXPECT_EQ(TkxConsoleTools::ParamStrW(0), W(fs::canonical("/proc/self/exe").string()));

  FakeInstallation fake(InstallKind::Nothing);
  kx::platform::SetCommandLineForTesting(std::vector<UnicodeString>{
      u"\"./kxdravsrv\"", u"--instanceid=2", u"\"a b\"", u"x\"y\"z", u""});
  const std::pair<int32_t, UnicodeString> cases[] = {
      {0, W(fake.HostProgram())},  // the full path, not the program as written
      {1, u"--instanceid=2"},
      {2, u"a b"},
      {3, u"xyz"},
      {4, u""},
      {5, u""},   // no such argument
      {-1, u"./kxdravsrv"},  // counts as 0: the program as it was written
      {-2, u""},
  };
  for (const auto& [index, want] : cases) EXPECT_EQ(TkxConsoleTools::ParamStrW(index), want) << index;
  EXPECT_EQ(TkxConsoleTools::ParamCount(), 4);
  EXPECT_EQ(TkxConsoleTools::GetOwnCommandLine(), W(fake.HostProgram()) + u" --instanceid=2 a b xyz");
}

TEST(StartParams, PrefixNameAndValue) {
  FakeInstallation fake(InstallKind::Nothing);
  fake.SetArguments({u"--INSTANCEID=3", u"-instanceid=4", u"--x=a=b", u"--file=a", u"--flag",
                     u"--file=b", u"--File=\"c d\""});
  struct Case {
    const char16_t* name;
    const char* prefix;
    std::u16string want;  // "-" for the default
  } cases[] = {
      {u"instanceid", "--", u"3"},  // names without regard to case
      {u"INSTANCEID", "-", u"4"},   // the prefix as written
      {u"x", "--", u"a=b"},         // everything after the first "="
      {u"file", "--", u"a"},        // the first match
      {u"flag", "--", u"-"},        // no "=": never matches
      {u"missing", "--", u"-"},
      {u"instanceid", "", u"-"},
  };
  for (const auto& c : cases) {
    const Variant v = TkxConsoleTools::GetStartParam(c.name, Variant::FromUString(u"-"), c.prefix);
    EXPECT_EQ(VarType(v), varUString);
    EXPECT_EQ(v.ToString(), c.want) << ToUtf8(c.name) << " " << c.prefix;
  }

  TStringList* values = nullptr;  // a new list, owned by the caller
  EXPECT_TRUE(TkxConsoleTools::GetStartParams(u"FILE", values, "--"));
  ASSERT_NE(values, nullptr);
  std::unique_ptr<TStringList> owned(values);
  EXPECT_EQ(values->GetTextStr(), u"a\r\nb\r\nc d\r\n");
  values->Clear();
  values->Add(u"old");
  TkxConsoleTools tools;
  EXPECT_TRUE(tools.GetStartParameters(u"x", values, "--"));
  EXPECT_EQ(values->GetTextStr(), u"a=b\r\n");  // emptied first

  const Variant id = TkxConsoleTools::GetStartParamEx(u"instanceid", Variant::FromInteger(0), "--", varNull);
  EXPECT_EQ(VarType(id), varInt64);
  EXPECT_EQ(id.ToInt64(), 3);
  EXPECT_EQ(TkxConsoleTools::GetStartParamEx(u"x", Variant::FromInteger(0), "--", varUString),
            Variant::FromUString(u"a=b"));
  EXPECT_EQ(TkxConsoleTools::GetStartParamEx(u"missing", Variant::FromInteger(9), "--", varNull),
            Variant::FromInteger(9));
}

TEST(GetStartParameter, CommandLineThenDefaultsFile) {
  FakeInstallation fake(InstallKind::Nothing);
  fake.SetArguments({u"--port:81", u"--mode=fast", u"--count=abc"});
  fake.WriteFile("svc.ini",
                 "[Parameters]\nPort=8080\nhex=0x10\nflag=1\nname=from file\nbig=5\n[Other]\nx=1\n");
  TkxConsoleTools tools;
  tools.DefaultStartParamIni = W(fake.Base() + "svc.ini");
  struct Case {
    const char16_t* name;
    Variant def;
    const char* separator;
    Variant want;
  } cases[] = {
      {u"port", Variant::FromInteger(0), ":", Variant::FromInt64(81)},  // the separator told
      {u"mode", Variant::FromUString(u""), "=", Variant::FromUString(u"fast")},
      {u"count", Variant::FromInteger(0), "=", Variant::FromInt64(-1)},  // not a number
      {u"port", Variant::FromInteger(0), "=", Variant::FromInteger(8080)},  // from the file
      {u"HEX", Variant::FromWord(0), "=", Variant::FromInteger(16)},
      {u"flag", Variant::FromBoolean(false), "=", Variant::FromBoolean(true)},
      {u"name", Variant::FromUString(u"d"), "=", Variant::FromUString(u"from file")},
      {u"big", Variant::FromShortInt(1), "=", Variant::FromUString(u"5")},  // not a listed kind
      {u"x", Variant::FromInteger(7), "=", Variant::FromInteger(7)},  // another section
      {u"missing", Variant::FromDouble(1.5), "=", Variant::FromDouble(1.5)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tools.GetStartParameter(c.name, c.def, "--", c.separator), c.want) << ToUtf8(c.name);
    EXPECT_EQ(tools.Message, u"");
  }

  // An error keeps the value and reports itself.
  const Variant tooBig = Variant::FromInt64(10'000'000'000);
  EXPECT_EQ(tools.GetStartParameter(u"port", tooBig, "--", "="), tooBig);
  EXPECT_NE(tools.Message, u"");
  // A missing file, or a folder, is no defaults file.
  for (const std::string& ini : {fake.Base() + "none.ini", fake.Base()}) {
    tools.DefaultStartParamIni = W(ini);
    EXPECT_EQ(tools.GetStartParameter(u"port", Variant::FromInteger(1), "--", "="),
              Variant::FromInteger(1));
    EXPECT_EQ(tools.Message, u"");
  }
}

TEST(ParamLines, BuildAndHelpRequest) {
  EXPECT_EQ(TkxConsoleTools::BuildParamString({u"a=1", u"b=2"}, "--"), u"\"--a=1\" \"--b=2\"");
  EXPECT_EQ(TkxConsoleTools::BuildParamString({}, "--"), u"");

  FakeInstallation fake(InstallKind::Nothing);
  const std::pair<std::vector<UnicodeString>, bool> cases[] = {
      {{u"/?"}, true},  {{u"-?"}, true},        {{u"--?"}, true}, {{u"\"/?\""}, true},
      {{}, false},      {{u"/?", u"x"}, false}, {{u"/h"}, false}, {{u"/? "}, false},
  };
  for (const auto& [args, want] : cases) {
    fake.SetArguments(args);
    EXPECT_EQ(TkxConsoleTools::GetHelpStartParamState(), want)
        << (args.empty() ? "(none)" : ToUtf8(args[0]));
  }
}

TEST(ServiceProgram, SeesItsOwnParametersAndFolders) {
  FakeInstallation fake(InstallKind::Installed);
  kx::testing::ChildProcess child(KX_PROBE_DRAV, {"--instanceid=2", "with blank", "say \"hi\""});
  std::map<std::string, std::string> lines;
  for (std::string line = child.ReadLine(); !line.empty(); line = child.ReadLine())
    lines[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  EXPECT_EQ(child.Finish(), 0);
  const std::string program = fs::canonical(KX_PROBE_DRAV).string();
  EXPECT_EQ(lines["param0"], program);
  EXPECT_EQ(lines["param1"], "--instanceid=2");
  EXPECT_EQ(lines["param2"], "with blank");
  EXPECT_EQ(lines["param3"], "say hi");
  EXPECT_EQ(lines.count("param4"), 0u);
  EXPECT_EQ(lines["commandline"], program + " --instanceid=2 with blank say hi");
  EXPECT_EQ(lines["techname"], "kxdravsrv");
  EXPECT_EQ(lines["programname"], "VANTO DRAV DAEMON");
  EXPECT_EQ(lines["temppath"], fake.Root() + "sys/temp/kxdravsrv-002~~~/");
  EXPECT_TRUE(fs::is_directory(fake.Root() + "sys/temp/kxdravsrv-002~~~"));
}

double SecondsOf(const std::function<void()>& Action) {
  const auto start = std::chrono::steady_clock::now();
  Action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(ConsoleTools, KeysAndWaiting) {
  kx::testing::PseudoTerminal terminal;
  EXPECT_FALSE(TkxConsoleTools::KeyPressed());
  terminal.Type("q");
  EXPECT_TRUE(TkxConsoleTools::KeyPressed());
  EXPECT_FALSE(TkxConsoleTools::KeyPressed());  // seen once

  // Without a key: 0.5 s steps until more than WaitSeconds are counted.
  EXPECT_GE(SecondsOf([] { EXPECT_TRUE(TkxConsoleTools::WaitForKeypressed(1)); }), 1.45);
  // A key ends the wait at the next look, also a wait without limit.
  terminal.Type("k");
  EXPECT_LT(SecondsOf([] { EXPECT_TRUE(TkxConsoleTools::WaitForKeypressed(30)); }), 10.0);
  std::thread typist([&terminal] {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    terminal.Type("z");
  });
  const double waited = SecondsOf([] { EXPECT_TRUE(TkxConsoleTools::WaitForKeypressed(0)); });
  typist.join();
  EXPECT_GE(waited, 0.95);
}

TEST(ConsoleTools, ClearAndTitle) {
  kx::testing::PseudoTerminal terminal;
  EXPECT_TRUE(TkxConsoleTools::ClsConsole());
  EXPECT_EQ(terminal.Screen(), "\x1b[2J\x1b[H");
  TkxConsoleTools tools;
  tools.ServerName = u"VANTO DRAV DAEMON";
  EXPECT_TRUE(tools.SetConsoleTitle());
  EXPECT_EQ(terminal.Screen(), "\x1b]0;VANTO DRAV DAEMON\x07");
  tools.InstanceId = 2;
  EXPECT_TRUE(tools.SetConsoleTitle());
  EXPECT_EQ(terminal.Screen(), "\x1b]0;VANTO DRAV DAEMON (instance id 2)\x07");
}

TEST(ConsoleTools, RedirectedConsoleAnswersFalse) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  kx::platform::console::SetDescriptorsForTesting(std::pair(fds[0], fds[1]));
  TkxConsoleTools tools;
  EXPECT_FALSE(TkxConsoleTools::KeyPressed());
  EXPECT_FALSE(TkxConsoleTools::ClsConsole());
  EXPECT_FALSE(tools.SetConsoleTitle());
  kx::platform::console::SetDescriptorsForTesting(std::nullopt);
  ::close(fds[0]);
  ::close(fds[1]);
}

TEST(ConsoleTools, ServerNameIsTheProgramName) {
  FakeInstallation fake(InstallKind::Nothing, "kxplumosrv");
  TkxConsoleTools tools;
  EXPECT_EQ(tools.ServerName, u"VANTO PLUMO DAEMON");
  EXPECT_EQ(tools.InstanceId, 0);
  EXPECT_EQ(tools.Message, u"");
  EXPECT_EQ(tools.DefaultStartParamIni, u"");
}

class Mutexes : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_ = std::make_unique<FakeInstallation>(InstallKind::Nothing);
    fs::create_directories(fake_->Base() + "run");
    fake_->SetEnvironment("XDG_RUNTIME_DIR", fake_->Base() + "run");
  }
  static UnicodeString NewName() { return u"Global\\kx test " + GUIDToString(CreateGUID()); }

  std::unique_ptr<FakeInstallation> fake_;
  TkxConsoleTools tools_;
};

TEST_F(Mutexes, InOneProcess) {
  const UnicodeString name = NewName();
  EXPECT_FALSE(tools_.IsMutexActive(name));
  EXPECT_TRUE(tools_.WaitForMutex(name, 10));  // no such mutex
  EXPECT_FALSE(tools_.CloseMutex(name));
  EXPECT_TRUE(tools_.RegisterMutex(name));
  EXPECT_FALSE(tools_.RegisterMutex(name));
  EXPECT_TRUE(tools_.IsMutexActive(name));
  EXPECT_TRUE(tools_.CloseMutex(name));
  EXPECT_TRUE(tools_.IsMutexActive(name));  // the handle stays for the life of the process
  EXPECT_TRUE(tools_.WaitForMutex(name, 10));
  EXPECT_FALSE(tools_.IsMutexActive(u""));
  EXPECT_FALSE(tools_.RegisterMutex(u""));
}

TEST_F(Mutexes, AcrossTwoProcesses) {
  const UnicodeString name = NewName();
  {
    kx::testing::ChildProcess child(KX_PROBE_DRAV, {"--holdmutex=" + ToUtf8(name)});
    ASSERT_EQ(child.ReadLine(), "registered=1");
    EXPECT_TRUE(tools_.IsMutexActive(name));
    EXPECT_FALSE(tools_.RegisterMutex(name));
    // The child owns it: the wait times out, which still answers true.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(tools_.WaitForMutex(name, 200));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(190));
    EXPECT_TRUE(tools_.CloseMutex(name));  // exists; this process owns nothing to release
    child.Kill();
  }
  // A killed owner leaves nothing behind.
  EXPECT_FALSE(tools_.IsMutexActive(name));
  EXPECT_TRUE(tools_.RegisterMutex(name));
  kx::testing::ChildProcess second(KX_PROBE_DRAV, {"--holdmutex=" + ToUtf8(name)});
  EXPECT_EQ(second.ReadLine(), "registered=0");
}

}  // namespace
