#include "environment/kxVanto_Identity.h"

#include <array>
#include <string_view>

#include "environment/kxConsoleTools.h"
#include "environment/kxSQL.h"
#include "environment/kxVanto_Paths.h"
#include "platform/db/Connection.h"
#include "platform/file/Path.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Trim.h"
#include "system/kxFiles.h"
#include "system/kxRegistry.h"
#include "system/kxToolsEvo2.h"
#include "system/kxToolsEvo2_DataLink.h"
#include "system/kxTypes_Variant.h"
#include "system/kxVersionTools.h"
#include "text/kxConversion.h"
#include "text/kxStrings.h"

namespace TkxVanto {
namespace {

bool IsBlank(const UnicodeString& Text) { return TrimBlanks(Text).empty(); }
bool Contains(const UnicodeString& Text, std::u16string_view Part) {
  return Text.find(Part) != UnicodeString::npos;
}

Variant Read(HKEY Root, const UnicodeString& Name, const Variant& Default) {
  return TkxRegistry::GetValue(Root, detail::kSystemKey, Name, Default, false);
}

// A value that does not read as a Boolean ("maybe") gives Default.
bool ReadBool(HKEY Root, const UnicodeString& Name, bool Default) {
  try {
    return Read(Root, Name, Variant::FromBoolean(Default)).ToBoolean();
  } catch (const Exception&) {
    return Default;
  }
}

UnicodeString ReadText(HKEY Root, const UnicodeString& Name, const UnicodeString& Default) {
  try {
    return VarToStr(Read(Root, Name, Variant::FromUString(Default)));
  } catch (const Exception&) {
    return Default;
  }
}

// The machine's value, overridden by the current user's.
bool ReadBoolMachineThenUser(const UnicodeString& Name) {
  return ReadBool(HKEY_CURRENT_USER, Name, ReadBool(HKEY_LOCAL_MACHINE, Name, false));
}

UnicodeString DataLinkFile() { return GetConfigPath() + u"kxsyscfg.udl"; }

// This library's version resource and the processor of its file.
struct LibraryVersion {
  UnicodeString File;
  TkxFileInfo Info;
  bool Present = false;
};

LibraryVersion ReadLibraryVersion() {
  LibraryVersion v;
  v.File = TkxTools::GetModuleFileName();
  v.Present = TkxTools::GetFileInfo(v.File, v.Info);
  return v;
}

// The product's programs: the services' daemons by the service table, then
// two tools.
struct ProgramRow {
  int Service;  // a TkxEnterpriseService, or -1 for a row with its own file
  std::u16string_view File;
  std::u16string_view DisplayName;
};
constexpr ProgramRow kPrograms[] = {
    {kxESVC_Enterprise, {}, u"VANTO ENTERPRISE DAEMON"},
    {kxESVC_DRAV, {}, u"VANTO DRAV DAEMON"},
    {kxESVC_Import, {}, u"VANTO IMPORT DAEMON"},
    {kxESVC_Export, {}, u"VANTO EXPORT DAEMON"},
    {kxESVC_PLUMO, {}, u"VANTO PLUMO DAEMON"},
    {kxESVC_OCR, {}, u"VANTO OCR DAEMON"},
    {kxESVC_Conversion, {}, u"VANTO CONVERSION DAEMON"},
    {kxESVC_Classify, {}, u"VANTO CLASSIFY DAEMON"},
    {kxESVC_Mail, {}, u"VANTO MAIL DAEMON"},
    {kxESVC_Scan, {}, u"VANTO SCAN DAEMON"},
    {kxESVC_Workflow, {}, u"VANTO WORKFLOW DAEMON"},
    {kxESVC_Index, {}, u"VANTO INDEX DAEMON"},
    {kxESVC_Archive, {}, u"VANTO ARCHIVE DAEMON"},
    {kxESVC_Print, {}, u"VANTO PRINT DAEMON"},
    {kxESVC_Scheduler, {}, u"VANTO SCHEDULER DAEMON"},
    {kxESVC_Monitor, {}, u"VANTO MONITOR DAEMON"},
    {kxESVC_License, {}, u"VANTO LICENSE DAEMON"},
    {kxESVC_Web, {}, u"VANTO WEB DAEMON"},
    {-1, u"kxadmin.exe", u"VANTO ADMINISTRATOR"},
    {-1, u"kxconfig.exe", u"VANTO CONFIGURATION"},
};

// The default ports, in the order of TkxEnterpriseService.
constexpr std::array<int32_t, 18> kPorts = {
    4040,  // kxESVC_Enterprise, the cluster node's own server
    4420,  // kxESVC_DRAV
    4430,  // kxESVC_Import
    4440,  // kxESVC_Export
    4540,  // kxESVC_PLUMO
    4450,  // kxESVC_OCR
    4460,  // kxESVC_Conversion
    4470,  // kxESVC_Classify
    4480,  // kxESVC_Mail
    4490,  // kxESVC_Scan
    4500,  // kxESVC_Workflow
    4510,  // kxESVC_Index
    4520,  // kxESVC_Archive
    4530,  // kxESVC_Print
    4550,  // kxESVC_Scheduler
    4560,  // kxESVC_Monitor
    4570,  // kxESVC_License
    4580,  // kxESVC_Web
};

constexpr std::string_view kPriorities[] = {"Idle",    "Lowest",  "Lower",       "Normal",
                                            "Higher",  "Highest", "Timecritical"};

}  // namespace

// ---- Switches ---------------------------------------------------------------------

bool IsDevModeActive() {
  if (ReadBool(HKEY_LOCAL_MACHINE, u"Development", false)) return true;
  return TkxConversion::StrToBool(VarToStr(
      TkxConsoleTools::GetStartParam(u"Debug", Variant::FromUString(u"false"), "--")));
}

bool IsDocuModeActive() { return ReadBoolMachineThenUser(u"DocuMode"); }

UnicodeString GetLanguage(const UnicodeString& Default) {
  const UnicodeString machine =
      ReadText(HKEY_LOCAL_MACHINE, u"Language", TkxTools::GetShortWindowsLanguage(Default));
  return UpperText(ReadText(HKEY_CURRENT_USER, u"Language", machine));
}

TkxThemeOption IsVantoThemeActive() {
  return ReadBoolMachineThenUser(u"ThemeActive") ? kxTO_Enabled : kxTO_Disabled;
}

bool IsProxy() { return ReadBool(HKEY_LOCAL_MACHINE, u"Proxy", false); }

bool IsProxy(UnicodeString& ProxyName) {
  ProxyName = TkxVanto::ProxyName();
  return IsProxy();
}

UnicodeString ProxyName() { return ReadText(HKEY_LOCAL_MACHINE, u"ProxyName", u"Default"); }

// ---- Database ------------------------------------------------------------------------

TkxDatabaseType GetDatabaseType(bool GetCommonType, TkxDatabaseType Default) {
  struct Row {
    std::u16string_view Text;
    TkxDatabaseType Type;
  };
  static constexpr Row kCommon[] = {{u"Z9", kxDBT_Z9},         {u"MSSQL", kxDBT_MSSQL},
                                    {u"MYSQL", kxDBT_MySQL},   {u"ORACLE", kxDBT_Oracle},
                                    {u"DB2", kxDBT_DB2},       {u"INFORMIX", kxDBT_Informix}};
  static constexpr Row kWhole[] = {
      {u"Z9", kxDBT_Z9},               {u"MSSQL2000", kxDBT_MSSQL2000},
      {u"MSSQL2005", kxDBT_MSSQL2005}, {u"MSSQL2008", kxDBT_MSSQL2008},
      {u"MSSQL2012", kxDBT_MSSQL2012}, {u"MSSQL2014", kxDBT_MSSQL2014},
      {u"MSSQL2016", kxDBT_MSSQL2016}, {u"MSSQL", kxDBT_MSSQL},
      {u"MYSQL", kxDBT_MySQL},         {u"ORACLE", kxDBT_Oracle},
      {u"DB2", kxDBT_DB2},             {u"INFORMIX", kxDBT_Informix}};
  const UnicodeString type = UpperText(ReadText(HKEY_LOCAL_MACHINE, u"DatabaseType", u"MSSQL"));
  if (GetCommonType) {
    for (const Row& row : kCommon)
      if (type.starts_with(row.Text)) return row.Type;
  } else {
    for (const Row& row : kWhole)
      if (type == row.Text) return row.Type;
  }
  return Default;
}

UnicodeString GetConnectionString(bool FileLink) {
  if (FileLink) return u"FILE NAME=" + DataLinkFile();
  return TkxTools::GetConnectionstringFromUdlFile(DataLinkFile());
}

bool IsDatabaseAvailable() {
  try {
    if (!IsVantoInstalled()) return false;
    kx::platform::db::Connection::Open(GetConnectionString(false), GetConfigPath())->Close();
    return true;
  } catch (...) {
    return false;
  }
}

UnicodeString GetDatabaseVersion() {
  const TkxDatabaseType engine = GetDatabaseType(true, kxDBT_MSSQL);
  const UnicodeString engineText = TkxTypes::GetDatabaseTypeStr(engine);
  try {
    UnicodeString sql;
    switch (engine) {
      case kxDBT_MSSQL:
        sql = u"SELECT SERVERPROPERTY(\"PRODUCTVERSION\"), SERVERPROPERTY (\"PRODUCTLEVEL\"), "
              u"SERVERPROPERTY (\"EDITION\")";
        break;
      case kxDBT_MySQL:
        sql = u"SELECT VERSION()";
        break;
      case kxDBT_Oracle:
        sql = u"SELECT * FROM V$VERSION";
        break;
      default:
        throw Exception(u"invalid database type (" + engineText + u")!");
    }
    const auto connection =
        kx::platform::db::Connection::Open(GetConnectionString(false), GetConfigPath());
    UnicodeString fields;
    for (const UnicodeString& field : connection->FirstRow(TkxSQL::PrepareSQL(sql)))
      fields += field + u" ";
    return engineText + u" (" +
           UnicodeString(TrimBlanks(TkxStrings::Breaks2BlanksW(fields))) + u")";
  } catch (const Exception& e) {
    return u"Unable to get database version for " + engineText + u" (" + e.Message + u")";
  } catch (const std::exception& e) {
    return u"Unable to get database version for " + engineText + u" (" + ToUtf16(e.what()) + u")";
  }
}

// ---- Version texts ------------------------------------------------------------------------

UnicodeString GetProgramVersionString() {
  const LibraryVersion v = ReadLibraryVersion();
  const UnicodeString cpu =
      TkxTypes::GetCPUPlatformStr(TkxTools::GetExecutableCPUPlatform(v.File));
  if (!v.Present) return u"unknown build (" + cpu + u")";
  return ToUtf16(TkxVersionTools::GetInternalFileVersionStr(v.File)) + u" (" + cpu + u") " +
         (detail::IsDevelopmentProgramVersion(v.Info.ProductVersion)
              ? UnicodeString(u"development build")
              : u"release " + v.Info.ProductVersion);
}

UnicodeString GetProductVersion() {
  const LibraryVersion v = ReadLibraryVersion();
  if (!v.Present) return u"unknown";
  return detail::IsDevelopmentProductVersion(v.Info.ProductVersion) ? u"development build"
                                                                    : v.Info.ProductVersion;
}

TkxVersion GetProductTkxVersion() {
  return TkxVersionTools::GetVersionFromStr(GetProductVersion());
}

UnicodeString GetProductCopyright() {
  const LibraryVersion v = ReadLibraryVersion();
  if (!v.Present || IsBlank(v.Info.LegalCopyright) ||
      Contains(v.Info.LegalCopyright, kVersionPlaceholder))
    return kProductCopyright;
  return v.Info.LegalCopyright;
}

// ---- Program names -------------------------------------------------------------------------

UnicodeString GetProgramName() {
  const LibraryVersion v = ReadLibraryVersion();
  if (v.Present && !Contains(v.Info.FileDescription, kVersionPlaceholder) &&
      !IsBlank(v.Info.LegalCopyright))
    return v.Info.FileDescription;
  const UnicodeString name =
      detail::ProgramDisplayName(kx::platform::ExtractFileName(detail::HostProgramFile()));
  return name.empty() ? UnicodeString(u"Unknown") : name;
}

UnicodeString GetProgramTechName() {
  return LowerText(TkxFiles::ExtractPureFileName(detail::HostProgramFile()));
}

// ---- Services and priorities ------------------------------------------------------------------

int32_t GetDefaultServicePort(TkxEnterpriseService Service) {
  return Service < kPorts.size() ? kPorts[Service] : 0;
}

AnsiString GetPriorityStr(int32_t Priority) {
  if (Priority >= 0 && Priority <= 6) return AnsiString(kPriorities[Priority]);
  const AnsiString number = TkxConversion::IntToStr(Priority);
  if (Priority >= 7 && Priority <= 99999) return "Timecritical (" + number + ")";
  return "Unknown (" + number + ")";
}

int32_t GetPriorityFromStr(const AnsiString& Priority) {
  AnsiString word = Priority.substr(0, Priority.find(' '));
  for (char& c : word)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (size_t i = 0; i < std::size(kPriorities); ++i) {
    AnsiString name(kPriorities[i]);
    for (char& c : name)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (word == name) return static_cast<int32_t>(i);
  }
  return 0;
}

namespace detail {

bool IsDevelopmentProgramVersion(const UnicodeString& ProductVersion) {
  return ProductVersion.starts_with(kVersionPlaceholder) ||
         ProductVersion.starts_with(u"9999.9999.") || IsBlank(ProductVersion);
}

bool IsDevelopmentProductVersion(const UnicodeString& ProductVersion) {
  return Contains(ProductVersion, kVersionPlaceholder) ||
         Contains(ProductVersion, u"9999.9999.9999.9999") || IsBlank(ProductVersion);
}

UnicodeString ProgramDisplayName(const UnicodeString& FileName) {
  const UnicodeString name = LowerText(FileName);
  for (const ProgramRow& row : kPrograms) {
    const UnicodeString file =
        row.Service >= 0
            ? TkxTypes::GetEnterpriseServiceStr(static_cast<TkxEnterpriseService>(row.Service))
            : UnicodeString(row.File);
    if (name == file || name + u".exe" == file) return UnicodeString(row.DisplayName);
  }
  return UnicodeString();
}

}  // namespace detail

}  // namespace TkxVanto
