#include "environment/kxVanto_Identity.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <set>

#include "environment/kxVanto_Paths.h"
#include "tests/support/Process.h"
#include "tests/support/FakeInstallation.h"

namespace {

using kx::testing::FakeInstallation;
using kx::testing::InstallKind;

UnicodeString W(const std::string& Text) { return ToUtf16(Text); }

// A Boolean value as a registry file holds it, or none.
enum class Reg { None, True, False, Text };

void Store(FakeInstallation& Fake, HKEY Root, const UnicodeString& Name, Reg Value) {
  switch (Value) {
    case Reg::None:
      Fake.DeleteValue(Root, Name);
      break;
    case Reg::True:
    case Reg::False:
      Fake.SetDword(Root, Name, Value == Reg::True ? 1 : 0);
      break;
    case Reg::Text:
      Fake.SetText(Root, Name, u"maybe");
      break;
  }
}

TEST(Switches, MachineThenUser) {
  struct Case {
    Reg machine, user;
    bool want;
  } cases[] = {
      {Reg::None, Reg::None, false},   {Reg::True, Reg::False, false},
      {Reg::True, Reg::None, true},    {Reg::False, Reg::True, true},
      {Reg::Text, Reg::None, false},   {Reg::True, Reg::Text, true},  // unreadable: the default
  };
  FakeInstallation fake(InstallKind::Installed);
  for (const auto& c : cases) {
    for (const char16_t* name : {u"DocuMode", u"ThemeActive"}) {
      Store(fake, HKEY_LOCAL_MACHINE, name, c.machine);
      Store(fake, HKEY_CURRENT_USER, name, c.user);
    }
    EXPECT_EQ(TkxVanto::IsDocuModeActive(), c.want);
    EXPECT_EQ(TkxVanto::IsVantoThemeActive(), c.want ? kxTO_Enabled : kxTO_Disabled);
  }
}

TEST(Switches, MachineOnlyAndDebugParameter) {
  FakeInstallation fake(InstallKind::Installed);
  fake.SetDword(HKEY_CURRENT_USER, u"Development", 1);
  fake.SetDword(HKEY_CURRENT_USER, u"Proxy", 1);
  fake.SetText(HKEY_CURRENT_USER, u"ProxyName", u"user");
  EXPECT_FALSE(TkxVanto::IsDevModeActive());
  UnicodeString name;
  EXPECT_FALSE(TkxVanto::IsProxy(name));
  EXPECT_EQ(name, u"Default");

  fake.SetDword(HKEY_LOCAL_MACHINE, u"Proxy", 1);
  fake.SetText(HKEY_LOCAL_MACHINE, u"ProxyName", u"proxy.local:8080");
  EXPECT_TRUE(TkxVanto::IsProxy(name));
  EXPECT_EQ(name, u"proxy.local:8080");
  EXPECT_EQ(TkxVanto::ProxyName(), u"proxy.local:8080");

  for (const auto& [args, want] : std::vector<std::pair<std::vector<UnicodeString>, bool>>{
           {{u"--Debug=yes"}, true}, {{u"--debug=JA"}, true}, {{u"--debug=no"}, false},
           {{u"-Debug=yes"}, false}}) {
    fake.SetArguments(args);
    EXPECT_EQ(TkxVanto::IsDevModeActive(), want) << ToUtf8(args[0]);
  }
  fake.SetArguments({});
  fake.SetDword(HKEY_LOCAL_MACHINE, u"Development", 1);
  EXPECT_TRUE(TkxVanto::IsDevModeActive());
}

TEST(GetLanguage, UserLanguageThenMachineThenUser) {
  FakeInstallation fake(InstallKind::Installed);
  EXPECT_EQ(TkxVanto::GetLanguage(u"de"), u"EN");  // the tests run under the C locale
  fake.SetText(HKEY_LOCAL_MACHINE, u"Language", u"fr");
  EXPECT_EQ(TkxVanto::GetLanguage(u"de"), u"FR");
  fake.SetText(HKEY_CURRENT_USER, u"Language", u"it");
  EXPECT_EQ(TkxVanto::GetLanguage(u"de"), u"IT");
}

TEST(GetDatabaseType, ByBeginningOrWhole) {
  struct Case {
    std::optional<std::u16string> value;
    TkxDatabaseType common, whole;
  } cases[] = {
      {std::nullopt, kxDBT_MSSQL, kxDBT_MSSQL},
      {u"mssql2012", kxDBT_MSSQL, kxDBT_MSSQL2012},
      {u"MSSQL2016", kxDBT_MSSQL, kxDBT_MSSQL2016},
      {u"Postgres", kxDBT_Unknown, kxDBT_Unknown},  // the caller's default
      {u"z9x", kxDBT_Z9, kxDBT_Unknown},
      {u"Oracle", kxDBT_Oracle, kxDBT_Oracle},
      {u"mysql8", kxDBT_MySQL, kxDBT_Unknown},
      {u"DB2", kxDBT_DB2, kxDBT_DB2},
      {u"informix", kxDBT_Informix, kxDBT_Informix},
      {u" MSSQL", kxDBT_Unknown, kxDBT_Unknown},  // not trimmed
  };
  FakeInstallation fake(InstallKind::Installed);
  for (const auto& c : cases) {
    if (c.value)
      fake.SetText(HKEY_LOCAL_MACHINE, u"DatabaseType", *c.value);
    else
      fake.DeleteValue(HKEY_LOCAL_MACHINE, u"DatabaseType");
    const std::string label = c.value ? ToUtf8(*c.value) : "(none)";
    EXPECT_EQ(TkxVanto::GetDatabaseType(true, kxDBT_Unknown), c.common) << label;
    EXPECT_EQ(TkxVanto::GetDatabaseType(false, kxDBT_Unknown), c.whole) << label;
  }
}

TEST(Database, ConnectionStringAndAvailability) {
  FakeInstallation fake(InstallKind::Installed);
  EXPECT_EQ(TkxVanto::GetConnectionString(true), W("FILE NAME=" + fake.Root() + "cfg/kxsyscfg.udl"));
  EXPECT_EQ(TkxVanto::GetConnectionString(false), u"Provider=SQLite;Data Source=kxsyscfg.db");
  EXPECT_FALSE(TkxVanto::IsDatabaseAvailable());  // no database file, and none is created
  fake.CreateConfigDatabase({"CREATE TABLE kx_configuration(id INTEGER)"});
  EXPECT_TRUE(TkxVanto::IsDatabaseAvailable());

  fake.DeleteValue(HKEY_LOCAL_MACHINE, u"Path");
  fake.SetEnvironment("VANTOSYS", fake.Root());
  EXPECT_FALSE(TkxVanto::IsDatabaseAvailable());  // not installed
}

TEST(Database, VersionFromTheFirstRow) {
  FakeInstallation fake(InstallKind::Installed);
  fake.CreateConfigDatabase({
      "CREATE TABLE \"V$VERSION\"(BANNER TEXT, CON_ID INTEGER)",
      "INSERT INTO \"V$VERSION\" VALUES('Oracle Database 19c Enterprise Edition\r\nProduction\n', 0)",
      "INSERT INTO \"V$VERSION\" VALUES('second row', 1)",
  });
  struct Case {
    const char16_t* type;
    const char16_t* want;  // a prefix of the answer
  } cases[] = {
      {u"Oracle", u"Oracle (Oracle Database 19c Enterprise Edition Production  0)"},
      {u"MSSQL2012", u"Unable to get database version for MSSQL (the statement cannot be prepared"},
      {u"MySQL", u"Unable to get database version for MySQL ("},
      {u"DB2", u"Unable to get database version for DB2 (invalid database type (DB2)!)"},
      {u"Informix", u"Unable to get database version for Informix (invalid database type (Informix)!)"},
  };
  for (const auto& c : cases) {
    fake.SetText(HKEY_LOCAL_MACHINE, u"DatabaseType", c.type);
    EXPECT_TRUE(TkxVanto::GetDatabaseVersion().starts_with(c.want))
        << ToUtf8(TkxVanto::GetDatabaseVersion());
  }
  fake.SetText(HKEY_LOCAL_MACHINE, u"DatabaseType", u"MSSQL");
  EXPECT_NE(TkxVanto::GetDatabaseVersion().find(u"SERVERPROPERTY"), UnicodeString::npos);
}

TEST(Database, VersionFailureNeverShowsTheConnectionString) {
  FakeInstallation fake(InstallKind::Installed);
  fake.WriteFile("vanto/cfg/kxsyscfg.udl",
                 FakeInstallation::DataLinkFileBytes(
                     u"Provider=SQLite;Data Source=missing.db;User ID=sa;Password=s3cret"));
  fake.SetText(HKEY_LOCAL_MACHINE, u"DatabaseType", u"ORACLE");
  const UnicodeString answer = TkxVanto::GetDatabaseVersion();
  EXPECT_TRUE(answer.starts_with(u"Unable to get database version for Oracle (")) << ToUtf8(answer);
  EXPECT_EQ(answer.find(u"s3cret"), UnicodeString::npos) << ToUtf8(answer);
}

TEST(VersionTexts, DevelopmentBuildTests) {
  const UnicodeString placeholder = TkxVanto::kVersionPlaceholder;
  struct Case {
    UnicodeString version;
    bool program, product;
  } cases[] = {
      {u"5.2.0.118", false, false},
      {u"9999.9999.9999.9999", true, true},
      {u"", true, true},
      {u" \t", true, true},
      {placeholder, true, true},
      {u"5.2 " + placeholder, false, true},      // the placeholder not at the start
      {u"9999.9999.1", true, false},             // only the start is tested by one
      {u"1.9999.9999.9999.9999", false, true},   // only "anywhere" by the other
      {u"9999.99990", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TkxVanto::detail::IsDevelopmentProgramVersion(c.version), c.program)
        << ToUtf8(c.version);
    EXPECT_EQ(TkxVanto::detail::IsDevelopmentProductVersion(c.version), c.product)
        << ToUtf8(c.version);
  }
}

// Each probe program prints the version texts of its own file.
TEST(VersionTexts, ProgramsWithAndWithoutAVersionBlock) {
  FakeInstallation fake(InstallKind::Nothing);
  struct Case {
    const char* program;
    const char* programVersion;
    const char* productVersion;
    const char* tkxVersion;
    std::string copyright;
    const char* programName;
  } cases[] = {
      {KX_PROBE_DRAV, "unknown build (x64)", "unknown", "0.0.0.0",
       ToUtf8(TkxVanto::kProductCopyright), "VANTO DRAV DAEMON"},
      {KX_PROBE_PLUMO, "1.0.0.3 (x64) development build", "development build", "0.0.0.0",
       ToUtf8(TkxVanto::kProductCopyright), "VANTO PLUMO DAEMON"},
      {KX_PROBE_DEV, "2.2.0.7 (x64) development build", "development build", "0.0.0.0",
       "Copyright (C) probe", "VANTO VERSION PROBE"},
      {KX_PROBE_REL, "5.2.0.118 (x64) release 5.2.0.118", "5.2.0.118", "5.2.0.118",
       "Copyright (C) probe", "VANTO VERSION PROBE"},
  };
  for (const auto& c : cases) {
    kx::testing::ChildProcess child(c.program, {});
    std::map<std::string, std::string> lines;
    for (std::string line = child.ReadLine(); !line.empty(); line = child.ReadLine())
      lines[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    EXPECT_EQ(child.Finish(), 0);
    EXPECT_EQ(lines["programversion"], c.programVersion) << c.program;
    EXPECT_EQ(lines["productversion"], c.productVersion) << c.program;
    EXPECT_EQ(lines["tkxversion"], c.tkxVersion) << c.program;
    EXPECT_EQ(lines["copyright"], c.copyright) << c.program;
    EXPECT_EQ(lines["programname"], c.programName) << c.program;
  }
  // This test program has no block.
  EXPECT_EQ(TkxVanto::GetProgramVersionString(), u"unknown build (x64)");
}

TEST(ProgramNames, TableOfTheProductsPrograms) {
  struct Case {
    const char16_t* file;
    const char16_t* want;
  } cases[] = {
      {u"kxdravsrv.exe", u"VANTO DRAV DAEMON"},
      {u"kxdravsrv", u"VANTO DRAV DAEMON"},  // the Linux daemon
      {u"KxDravSrv.EXE", u"VANTO DRAV DAEMON"},
      {u"kxplumosrv.exe", u"VANTO PLUMO DAEMON"},
      {u"kxenterprisesrv", u"VANTO ENTERPRISE DAEMON"},
      {u"kxwebsrv.exe", u"VANTO WEB DAEMON"},
      {u"kxadmin", u"VANTO ADMINISTRATOR"},
      {u"kxdravsrv.exe.exe", u""},
      {u"kxdrav", u""},
      {u"", u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxVanto::detail::ProgramDisplayName(c.file), c.want) << ToUtf8(c.file);

  FakeInstallation drav(InstallKind::Nothing, "KxDravSrv.EXE");
  EXPECT_EQ(TkxVanto::GetProgramName(), u"VANTO DRAV DAEMON");
  EXPECT_EQ(TkxVanto::GetProgramTechName(), u"kxdravsrv");
  FakeInstallation other(InstallKind::Nothing, "other.tool.bin");
  EXPECT_EQ(TkxVanto::GetProgramName(), u"Unknown");
  EXPECT_EQ(TkxVanto::GetProgramTechName(), u"other.tool");
}

TEST(GetDefaultServicePort, OneDistinctPortPerService) {
  EXPECT_EQ(TkxVanto::GetDefaultServicePort(kxESVC_Enterprise), 4040);
  EXPECT_EQ(TkxVanto::GetDefaultServicePort(kxESVC_DRAV), 4420);
  EXPECT_EQ(TkxVanto::GetDefaultServicePort(kxESVC_PLUMO), 4540);
  std::set<int32_t> ports;
  for (int s = kxESVC_Enterprise; s <= kxESVC_Web; ++s)
    ports.insert(TkxVanto::GetDefaultServicePort(static_cast<TkxEnterpriseService>(s)));
  EXPECT_EQ(ports.size(), 18u);
  EXPECT_EQ(ports.count(0), 0u);
  EXPECT_EQ(TkxVanto::GetDefaultServicePort(static_cast<TkxEnterpriseService>(18)), 0);
}

TEST(Priorities, TextsBothWays) {
  const std::pair<int32_t, const char*> texts[] = {
      {0, "Idle"},    {3, "Normal"},  {6, "Timecritical"},
      {7, "Timecritical (7)"},        {99999, "Timecritical (99999)"},
      {100000, "Unknown (100000)"},   {-1, "Unknown (-1)"},
  };
  for (const auto& [priority, text] : texts) EXPECT_EQ(TkxVanto::GetPriorityStr(priority), text);
  const std::pair<const char*, int32_t> values[] = {
      {"Idle", 0},   {"lowest", 1},     {"LOWER", 2},          {"Higher", 4},
      {"Highest", 5}, {"Timecritical (17)", 6},  // the number is not read
      {"", 0},       {" Idle", 0},      {"Normal please", 3},  {"Unknown (9)", 0},
  };
  for (const auto& [text, priority] : values)
    EXPECT_EQ(TkxVanto::GetPriorityFromStr(text), priority) << text;
}

}  // namespace
