#include "system/kxToolsEvo2_Identity.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/os/CommandLine.h"
#include "platform/rtl/Exceptions.h"

namespace {

// The first line a shell command prints; nullopt when it fails.
std::optional<std::string> Shell(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>/dev/null").c_str(), "r"),
                                             ::pclose);
  if (!pipe) return std::nullopt;
  std::string out;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
  if (::pclose(pipe.release()) != 0) return std::nullopt;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

UnicodeString Upper(const std::string& s) {
  std::string u = s;
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return ToUtf16(u);
}

void ExpectException(const std::function<void()>& f, const char16_t* message) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected " << ToUtf8(message);
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), u"Exception");
    EXPECT_EQ(e.Message, message);
  }
}

// Python's uuid module reads our text as a version 4 GUID of the RFC variant.
TEST(CreateGuidStr, IsARandomVersion4GuidAsPythonReadsIt) {
  const AnsiString a = TkxTools::CreateGuidStr();
  const AnsiString b = TkxTools::CreateGuidStr();
  EXPECT_NE(a, b);
  ASSERT_EQ(a.size(), 38u);
  EXPECT_EQ(a.find_first_not_of("{}-0123456789ABCDEF"), std::string::npos) << a;
  const auto answer = Shell(
      "python3 -c 'import sys, uuid; u = uuid.UUID(sys.argv[1]); "
      "print(u.version, u.variant == uuid.RFC_4122, str(u).upper())' '" +
      a + "'");
  if (!answer) GTEST_SKIP() << "python3 is not there";
  EXPECT_EQ(*answer, "4 True " + a.substr(1, 36));
}

TEST(CreateId, Is32HexDigitsAndNew) {
  const TIdType a = TkxTools::CreateId();
  const TIdType b = TkxTools::CreateId();
  EXPECT_FALSE(a == b);
  ASSERT_EQ(a.Length(), 32u);
  EXPECT_EQ(a.View().find_first_not_of("0123456789ABCDEF"), std::string_view::npos) << a.View();
  EXPECT_EQ(a.View()[12], '4');  // the version digit
}

TEST(ComputerName, MatchesTheSystemsHostName) {
  const auto shortName = Shell("hostname -s");
  ASSERT_TRUE(shortName.has_value());
  UnicodeString netbios = Upper(*shortName);
  if (netbios.size() > 15) netbios.resize(15);
  EXPECT_EQ(TkxTools::GetComputerName(), netbios);
  EXPECT_EQ(TkxTools::GetComputerNameEx(0), netbios);
  EXPECT_EQ(TkxTools::GetComputerNameEx(4), netbios);
  EXPECT_EQ(TkxTools::GetComputerNameEx(1), ToUtf16(*shortName));
  EXPECT_EQ(TkxTools::GetComputerNameEx(5), ToUtf16(*shortName));
  // The fully qualified name ends with the domain, when there is one.
  const UnicodeString domain = TkxTools::GetComputerNameEx(2);
  const UnicodeString full = TkxTools::GetComputerNameEx(3);
  EXPECT_EQ(TkxTools::GetComputerNameEx(6), domain);
  EXPECT_EQ(TkxTools::GetComputerNameEx(7), full);
  EXPECT_FALSE(full.empty());
  if (!domain.empty()) {
    ASSERT_GT(full.size(), domain.size());
    EXPECT_EQ(full.substr(full.size() - domain.size() - 1), u"." + domain);
  }
  EXPECT_EQ(TkxTools::GetComputerNameEx(8), u"");
  ExpectException([] { TkxTools::GetComputerNameEx(9); }, u"unknown format descriptor");
}

TEST(UserName, MatchesTheSystemsAccountAndFallsBackByFormat) {
  const auto user = Shell("id -un");
  ASSERT_TRUE(user.has_value());
  const UnicodeString name = ToUtf16(*user);
  EXPECT_EQ(TkxTools::GetUserName(), name);
  const UnicodeString sam = TkxTools::GetComputerName() + u"\\" + name;
  struct Row {
    uint32_t format;
    UnicodeString want;
  };
  const Row rows[] = {{0, name}, {1, sam},  {2, sam},  {6, u""}, {7, name},
                      {8, sam},  {9, name}, {10, sam}, {11, sam}};
  for (const auto& r : rows) EXPECT_EQ(TkxTools::GetUserNameEx(r.format), r.want) << r.format;
  // 3 is the account's full name, or the login name when it has none.
  const auto gecos = Shell("getent passwd " + *user + " | cut -d: -f5 | cut -d, -f1");
  ASSERT_TRUE(gecos.has_value());
  EXPECT_EQ(TkxTools::GetUserNameEx(3), gecos->empty() ? name : ToUtf16(*gecos));
  for (uint32_t format : {4u, 5u, 12u, 13u, 1000u})
    ExpectException([=] { TkxTools::GetUserNameEx(format); }, u"invalid format type");
}

TEST(GetEnvironmentString, ExactNameFirstThenWithoutCase) {
  ::setenv("KX_ID_TEST_Mixed", "mixed", 1);
  ::setenv("KX_ID_TEST_BOTH", "upper", 1);
  ::setenv("kx_id_test_both", "lower", 1);
  ::setenv("KX_ID_TEST_EMPTY", "", 1);
  EXPECT_EQ(TkxTools::GetEnvironmentString(u"KX_ID_TEST_Mixed"), u"mixed");
  EXPECT_EQ(TkxTools::GetEnvironmentString(u"kx_id_test_MIXED"), u"mixed");
  EXPECT_EQ(TkxTools::GetEnvironmentString(u"kx_id_test_both"), u"lower");
  EXPECT_EQ(TkxTools::GetEnvironmentString(u"KX_ID_TEST_BOTH"), u"upper");
  EXPECT_EQ(TkxTools::GetEnvironmentString(u"KX_ID_TEST_UNSET"), u"");

  // An unset or empty variable gives Default unchanged, whatever ResultType.
  const Variant def = Variant::FromSingle(1.5f);
  for (const char16_t* unset : {u"KX_ID_TEST_UNSET", u"KX_ID_TEST_EMPTY"})
    for (uint16_t type : {uint16_t{1}, varInteger, varBoolean}) {
      const Variant v = TkxTools::GetEnvironmentStringEx(unset, def, type);
      EXPECT_EQ(v.VarType(), varSingle);
      EXPECT_EQ(v.ToDouble(), 1.5);
    }
  ::setenv("KX_ID_TEST_NUM", "42", 1);
  ::setenv("KX_ID_TEST_YES", "yes", 1);
  EXPECT_EQ(
      TkxTools::GetEnvironmentStringEx(u"kx_id_test_num", Variant::FromInteger(0), 1).ToInt64(),
      42);
  EXPECT_TRUE(
      TkxTools::GetEnvironmentStringEx(u"KX_ID_TEST_YES", Variant(), varBoolean).ToBoolean());
  EXPECT_EQ(TkxTools::GetEnvironmentStringEx(u"KX_ID_TEST_NUM", Variant(), varUString).ToString(),
            u"42");
}

TEST(GetModuleFileName, IsTheProgramsFullPathAndStaysAfterAFolderChange) {
  const UnicodeString path = TkxTools::GetModuleFileName();
  EXPECT_EQ(path, ToUtf16(std::filesystem::canonical("/proc/self/exe").string()));
  EXPECT_EQ(TkxTools::GetModuleFileNameInfo(), path);
  const AnsiString folder = TkxTools::GetModulePath();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(ToUtf8(path).substr(0, folder.size()), folder);
  EXPECT_EQ(ToUtf8(path).find('/', folder.size()), std::string::npos);

  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path("/");
  EXPECT_EQ(TkxTools::GetModuleFileName(), path);
  std::filesystem::current_path(cwd);
}

class StartParams : public ::testing::Test {
 protected:
  void TearDown() override { kx::platform::SetCommandLineForTesting(std::nullopt); }
};

TEST_F(StartParams, FirstMatchingArgumentWins) {
  kx::platform::SetCommandLineForTesting(
      std::vector<UnicodeString>{u"--PORT=0", u"plain", u"--PORT=81", u"--port=82", u"--Name=a=b",
                                 u"--stra\u00DFe=x", u"-x-Host=h"});
  const Variant def = Variant::FromInteger(7);
  Variant v = TkxTools::GetStartParam(u"port", def, "--", 1);
  EXPECT_EQ(v.ToInt64(), 81);  // argument 0 is never looked at
  EXPECT_EQ(TkxTools::GetStartParam(u"name", def, "--", varUString).ToString(), u"a=b");
  EXPECT_EQ(TkxTools::GetStartParam(u"STRASSE", def, "--", varUString).ToString(), u"7");
  EXPECT_EQ(TkxTools::GetStartParam(u"Stra\u00DFe", def, "--", varUString).ToString(), u"x");
  // The prefix is not upper-cased: one with lower-case letters never matches.
  EXPECT_EQ(TkxTools::GetStartParam(u"host", def, "-x-", 1).VarType(), varInteger);
  EXPECT_EQ(TkxTools::GetStartParam(u"Host", def, "-X-", varUString).ToString(), u"h");
  v = TkxTools::GetStartParam(u"missing", def, "--", 1);
  EXPECT_EQ(v.VarType(), varInteger);
  EXPECT_EQ(v.ToInteger(), 7);

  kx::platform::SetCommandLineForTesting(std::vector<UnicodeString>{u"prog", u"no", u"equals"});
  EXPECT_EQ(TkxTools::GetStartParam(u"port", def, "--", 1).ToInteger(), 7);
}

// Without the seam the arguments are the process's own, program first.
TEST_F(StartParams, ReadsTheProcessArguments) {
  const auto args = kx::platform::CommandLineArguments();
  ASSERT_FALSE(args.empty());
  EXPECT_NE(args[0].find(u"kxToolsEvo2_Identity_test"), UnicodeString::npos);
}

TEST(GetConfigStringParameter, SplitsAtSemicolonAndEquals) {
  struct Row {
    UnicodeString list, parameter, want;
  };
  const Row rows[] = {
      {u"a=1;b=2", u"B", u"2"},       {u"a=1;b=2;", u"c", u"x"}, {u"", u"a", u"x"},
      {u"a=b=c", u"A", u"b=c"},       {u"a =1", u"a", u"x"},  // the blank belongs to the name
      {u" a= 1 ;b=2", u"a", u" 1"},    // parts are trimmed, the value keeps its inner blank
      {u"plain;a=1", u"", u"plain"},   // a part without "=" has the empty name
      {u"\u00E4=1", u"\u00C4", u"x"},  // the invariant upper case maps only a-z
      {u"a=1;A=2", u"a", u"1"},
  };
  for (const auto& r : rows)
    EXPECT_EQ(TkxTools::GetConfigStringParameter(r.list, r.parameter, u"x"), r.want)
        << ToUtf8(r.list) << " / " << ToUtf8(r.parameter);
}

TEST(GetConfigStringParameters, AppendsEveryMatchAndMakesAListWhenNeeded) {
  TStringList* values = nullptr;
  EXPECT_TRUE(TkxTools::GetConfigStringParameters(u"a=1;b=2;a=3", u"A", values));
  ASSERT_NE(values, nullptr);
  std::unique_ptr<TStringList> owned(values);
  EXPECT_EQ(owned->CommaText(), u"1,3");
  EXPECT_TRUE(TkxTools::GetConfigStringParameters(u"a=1;b=2;a=3", u"", values));
  EXPECT_EQ(values, owned.get());
  EXPECT_EQ(owned->CommaText(), u"1,3,1,2,3");  // not emptied first
}

TEST(GetTickCount, IsTheMillisecondsSinceBoot) {
  std::ifstream uptime("/proc/uptime");
  double seconds = 0;
  uptime >> seconds;
  const uint32_t expected = static_cast<uint32_t>(static_cast<uint64_t>(seconds * 1000));
  const uint32_t tick = TkxTools::GetTickCount();
  // A minute of slack for a loaded machine; a wrong clock or unit is far off.
  EXPECT_LT(static_cast<uint32_t>(tick - expected), 60000u) << tick << " " << expected;
}

TEST(GeneratePassword, DrawsAKindThenACharacter) {
  EXPECT_EQ(TkxTools::GeneratePassword(0, true), "");
  EXPECT_EQ(TkxTools::GeneratePassword(-3, true), "");
  const AnsiString low = TkxTools::GeneratePassword(4000, false);
  ASSERT_EQ(low.size(), 4000u);
  EXPECT_EQ(low.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"),
            std::string::npos);
  // Two calls at once differ: nothing is seeded from the clock.
  EXPECT_NE(TkxTools::GeneratePassword(32, true), TkxTools::GeneratePassword(32, true));
  // A kind first: the 7 special characters make a quarter of a long password
  // (a flat draw over all 69 characters would give a tenth), and the 10
  // digits a quarter too.
  const AnsiString high = TkxTools::GeneratePassword(8000, true);
  size_t specials = 0, digits = 0;
  for (char c : high) {
    if (std::string_view("!%#$+?*").find(c) != std::string_view::npos) ++specials;
    if (c >= '0' && c <= '9') ++digits;
  }
  EXPECT_GT(specials, 1700u);
  EXPECT_LT(specials, 2300u);
  EXPECT_GT(digits, 1700u);
  EXPECT_LT(digits, 2300u);
  size_t lowDigits = 0;
  for (char c : low) lowDigits += c >= '0' && c <= '9';
  EXPECT_GT(lowDigits, 1100u);  // a third without HighSec
  EXPECT_LT(lowDigits, 1570u);
}

}  // namespace
