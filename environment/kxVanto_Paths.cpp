#include "environment/kxVanto_Paths.h"

#include <cerrno>

#include "environment/kxConsoleTools.h"
#include "environment/kxVanto_Identity.h"
#include "platform/file/Path.h"
#include "platform/file/PrivateFolder.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Trim.h"
#include "system/kxFiles.h"
#include "system/kxRegistry.h"
#include "system/kxToolsEvo2_Identity.h"
#include "system/kxToolsEvo2_SystemInfo.h"
#include "system/kxTypes_Variant.h"
#include "text/kxStrings.h"

namespace TkxVanto {
namespace {

using detail::Below;

bool IsBlank(const UnicodeString& Text) { return TrimBlanks(Text).empty(); }

bool MachineValueExists(const UnicodeString& Name) {
  return TkxRegistry::ValueExists(HKEY_LOCAL_MACHINE, detail::kSystemKey, Name);
}

UnicodeString MachineText(const UnicodeString& Key, const UnicodeString& Name,
                          const UnicodeString& Default) {
  return VarToStr(TkxRegistry::GetValue(HKEY_LOCAL_MACHINE, Key, Name,
                                        Variant::FromUString(Default), false));
}

// The files whose presence makes an installation. Each folder needs one of
// its names; the enterprise daemon's program has its Linux name too.
enum class MarkerFolder { Config, Program };
struct Marker {
  MarkerFolder Folder;
  std::u16string_view Name;
};
constexpr Marker kMarkers[] = {
    {MarkerFolder::Config, u"kxsyscfg.udl"},
    {MarkerFolder::Program, u"kxenterprisesrv.exe"},
    {MarkerFolder::Program, u"kxenterprisesrv"},
};

bool HasMarker(MarkerFolder Folder, const UnicodeString& Path) {
  for (const Marker& m : kMarkers)
    if (m.Folder == Folder && TkxFiles::FileExists(Path + UnicodeString(m.Name))) return true;
  return false;
}

// The folder that GetTempPath starts from, and whether it is the system's
// temporary folder, which every user shares.
struct TempBase {
  UnicodeString Path;
  bool Shared = false;
};

TempBase TempFolder() {
  bool installed = false;
  try {
    installed = IsVantoInstalled();
  } catch (...) {
  }
  if (installed) return {Below(GetSysPath(), {u"sys", u"temp"}), false};
  return {TkxFiles::GetTempPath(), true};
}

// Creates the missing levels of Path. Below an installation root the
// toolkit's rule applies (a failure is not reported); below the shared
// temporary folder each level is made private, and a level that another
// user could control raises.
void CreateTempLevels(const TempBase& Base, const UnicodeString& Path, bool CheckExistence) {
  if (!Base.Shared) {
    TkxFiles::CreatePath(Path, CheckExistence);
    return;
  }
  TkxFiles::CreatePath(Base.Path, true);
  size_t pos = Base.Path.size();
  while (pos < Path.size()) {
    size_t end = pos;
    while (end < Path.size() && !kx::platform::IsPathDelimiter(Path[end])) ++end;
    const UnicodeString level = Path.substr(0, end + 1 < Path.size() ? end + 1 : Path.size());
    switch (kx::platform::MakePrivateFolder(level)) {
      case kx::platform::PrivateFolderState::Ready:
        break;
      case kx::platform::PrivateFolderState::Symlink:
        throw EOSError(u"The temporary folder \"" + level + u"\" is a symbolic link", ELOOP);
      case kx::platform::PrivateFolderState::Foreign:
        throw EOSError(u"The temporary folder \"" + level + u"\" belongs to another user", EPERM);
      case kx::platform::PrivateFolderState::Failed:
        return;  // left missing, as below the root
    }
    pos = end + 1;
  }
}

}  // namespace

// ---- Root and installation --------------------------------------------------

UnicodeString GetSysPath() {
  try {
    UnicodeString root;
    if (MachineValueExists(u"Path"))
      root = TkxFiles::CheckPathExt(MachineText(detail::kSystemKey, u"Path", UnicodeString()));
    // A 32-bit host on 64-bit Windows read the value once more from the
    // 64-bit view; the registry store has one view, which was read above.
    if (IsBlank(root)) root = TkxFiles::CheckPathExt(TkxTools::GetEnvironmentString(u"VANTOSYS"));
    if (IsBlank(root)) root = detail::HostProgramFolder();
    return root;
  } catch (...) {
    return detail::HostProgramFolder();
  }
}

bool IsVantoInstalled() {
  try {
    if (!MachineValueExists(u"Path")) return false;
    if (!TkxFiles::PathExists(MachineText(detail::kSystemKey, u"Path", UnicodeString())))
      return false;
    return HasMarker(MarkerFolder::Config, GetConfigPath()) &&
           HasMarker(MarkerFolder::Program, GetBinaryPath());
  } catch (...) {
    return false;
  }
}

// ---- Fixed folders ---------------------------------------------------------------

UnicodeString GetConfigPath() { return Below(GetSysPath(), {u"cfg"}); }
UnicodeString GetBinaryPath() { return Below(GetSysPath(), {u"sys"}); }
UnicodeString GetPubRootPath() { return Below(GetSysPath(), {u"sys", u"pub"}); }
UnicodeString GetSupplyPath() { return Below(GetSysPath(), {u"sys", u"pub", u"supply"}); }
UnicodeString GetPluginsPath() { return Below(GetSysPath(), {u"sys", u"plugins"}); }

UnicodeString GetBackupPath() {
  const UnicodeString path = Below(GetSysPath(), {u"sys", u"backup"});
  TkxFiles::CreatePath(path, true);
  return path;
}

UnicodeString GetLogPath() { return Below(GetSysPath(), {u"log"}); }
UnicodeString GetBatchLogPath() { return Below(GetSysPath(), {u"log", u"batch"}); }
UnicodeString GetDataPath() { return Below(GetSysPath(), {u"data"}); }
UnicodeString GetBlobPath() { return Below(GetSysPath(), {u"data", u"blobs"}); }
UnicodeString GetDataBackupPath() { return Below(GetSysPath(), {u"backup"}); }
UnicodeString GetDocPath() { return Below(GetSysPath(), {u"doc"}); }
UnicodeString GetPackagesPath() { return Below(GetSysPath(), {u"packages"}); }

UnicodeString GetComponentPath(int32_t Version) {
  const UnicodeString com = Below(GetSysPath(), {u"sys", u"com"});
  return Version == -1 ? com : Below(com, {IntToStr(Version)});
}

// ---- Temporary and work folders -----------------------------------------------------

UnicodeString GetTempPath(bool CheckAndCreatePath, bool ServiceSpecific) {
  const TempBase base = TempFolder();
  UnicodeString path = base.Path;
  if (ServiceSpecific) {
    const int64_t instance =
        TkxConsoleTools::GetStartParamEx(u"instanceid", Variant::FromInteger(0), "--", varNull)
            .ToInt64();
    path = Below(path, {GetProgramTechName() + u"-" + TkxStrings::FillIntNullW(instance, 3) +
                        u"~~~"});
  }
  if (CheckAndCreatePath) CreateTempLevels(base, path, true);
  return path;
}

UnicodeString GetTempWorkPath() {
  const TempBase base = TempFolder();
  const UnicodeString path =
      Below(base.Path, {u"work-" + ToUtf16(TkxTools::CreateId().View()) + u"~~~"});
  CreateTempLevels(base, path, false);
  return path;
}

UnicodeString GetDebugPath() {
  const UnicodeString param = TkxFiles::CheckPathExt(VarToStr(
      TkxConsoleTools::GetStartParam(u"DebugPath", Variant::FromUString(UnicodeString()), "--")));
  if (!param.empty()) return param;
  const UnicodeString standard = Below(GetSysPath(), {u"log", u"debug"});
  if (MachineValueExists(u"DebugPath"))
    return TkxFiles::CheckPathExt(MachineText(detail::kSystemKey, u"DebugPath", standard));
  return standard;
}

// ---- OCR ----------------------------------------------------------------------------

UnicodeString GetOCRDataPath(TkxOCREngine OCREngine) {
  const UnicodeString base = IsVantoInstalled() ? Below(GetSysPath(), {u"sys", u"com", u"ocr"})
                                                : Below(detail::HostProgramFolder(), {u"ocr"});
  switch (OCREngine) {
    case kxOCR_FineReader:
      return Below(base, {u"finereader", u"data"});
    case kxOCR_Transym:
      return Below(base, {u"transym"});
    case kxOCR_Tesseract:
      return Below(base, {u"tesseract"});
    case kxOCR_Nicomsoft:
      return Below(base, {u"nicomsoft"});
    default:
      return base;
  }
}

UnicodeString GetFineReaderEnginePath() {
  const UnicodeString installed = Below(GetSysPath(), {u"sys", u"com", u"fr10"}) + u"FREngine.dll";
  if (TkxFiles::FileExists(installed)) return installed;
  // A blank value would make a path relative to the working folder: skipped.
  const UnicodeString module =
      TkxFiles::CheckPathExt(MachineText(detail::kOCRModuleKey, u"Path", UnicodeString()));
  if (!module.empty()) {
    const UnicodeString engine = Below(module, {u"ocr", u"finereader", u"10"}) + u"FREngine.dll";
    if (TkxFiles::FileExists(engine)) return engine;
  }
  return detail::HostProgramFolder() + u"FREngine.dll";
}

// ---- Application data and plug-ins ------------------------------------------------

UnicodeString GetAppDataPath(bool Common) {
  return Below(TkxTools::GetSpecialFolderPath(Common ? 35 : 28), {u"vanto"});
}

UnicodeString GetPluginsWorkPath(TkxOSPlatform OSPlatform, const UnicodeString& Service,
                                 int32_t InstanceId) {
  const UnicodeString library = TkxTools::GetModuleFileName();
  const UnicodeString name = Service.empty() ? TkxFiles::ExtractPureFileName(library) : Service;
  if (OSPlatform == kxOSP_Unknown) {
    switch (TkxTools::GetExecutableCPUPlatform(library)) {
      case kxCPU_x86:
        OSPlatform = kxOSP_Win32;
        break;
      case kxCPU_x64:
        OSPlatform = kxOSP_Win64;
        break;
      default:
        throw Exception("unknown cpu platform for runtime application");
    }
  }
  const UnicodeString path =
      Below(GetAppDataPath(false),
            {u"plugins", u"work",
             LowerText(name) + u"-" + TkxStrings::FillIntNullW(InstanceId, 3) + u"~~~",
             TkxTypes::GetOSPlatformStr(OSPlatform)});
  TkxFiles::CreatePath(path, true);
  return path;
}

UnicodeString GetPluginsUploadPath(TkxOSPlatform OSPlatform) {
  return Below(GetPluginsPath(), {u"upload", TkxTypes::GetOSPlatformStr(OSPlatform)});
}

UnicodeString GetPluginsUpdatePath(TkxOSPlatform OSPlatform) {
  return Below(GetPluginsPath(), {u"updates", TkxTypes::GetOSPlatformStr(OSPlatform)});
}

UnicodeString GetPluginsSupplyPath(TkxOSPlatform OSPlatform, TEngineType EngineType) {
  std::u16string_view engine;
  switch (EngineType) {
    case kxET_ExportService:
      engine = u"export";
      break;
    case kxET_ConversionEngine:
      engine = u"conversion";
      break;
    case kxET_UserExit:
      engine = u"userexit";
      break;
    case kxET_RecognitionEngine:
      engine = u"recognition";
      break;
    default:
      break;
  }
  return Below(GetPluginsPath(), {u"supply", engine, TkxTypes::GetOSPlatformStr(OSPlatform)});
}

// ---- Style definition ---------------------------------------------------------------

bool StyleDefinitionExists() {
  return TkxFiles::FileExists(detail::HostProgramFolder() + u"kxStyle.xml") ||
         TkxFiles::FileExists(GetConfigPath() + u"kxStyle.xml");
}

UnicodeString GetStyleDefinitionPath() {
  const UnicodeString beside = detail::HostProgramFolder() + u"kxStyle.xml";
  return TkxFiles::FileExists(beside) ? beside : GetConfigPath() + u"kxStyle.xml";
}

// ---- Cluster nodes --------------------------------------------------------------------

int32_t GetClusterNode() {
  int32_t node = 0;
  try {
    node = TkxTypes::VarToInteger(TkxRegistry::GetValue(
        HKEY_LOCAL_MACHINE, detail::kSystemKey, u"ClusterNode", Variant::FromInteger(0), false));
  } catch (const Exception&) {
    node = 0;  // beyond the integer range
  }
  return node < 1 ? 0 : node;
}

UnicodeString GetZ9ClusterNodePath(int32_t ClusterNode) {
  return u"/vanto/Software/vanto enterprise daemon/Cluster/Node " + IntToStr(ClusterNode);
}

UnicodeString GetZ9ClusterNodeServicePath(const UnicodeString& Service, int32_t ClusterNode,
                                          int32_t InstanceId) {
  UnicodeString key = u"/vanto/Software/vanto enterprise daemon/Services/" + Service +
                      u"/Cluster/Node " + IntToStr(ClusterNode);
  if (InstanceId >= 0) key += u"/Instance " + IntToStr(InstanceId);
  return key;
}

}  // namespace TkxVanto
