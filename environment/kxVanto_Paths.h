// environment/kxVanto_Paths.h — TkxVanto: installation folders and files.
//
// Every folder answered here ends with a separator. A sub-folder of the
// installation root (cfg, sys\temp, data\blobs, ...) is written with the
// root's separator style: "\" when the root holds "\" and no "/", else "/".
// So the registry value "D:\vanto" gives the blob folder
// "D:\vanto\data\blobs\", and "/opt/vanto" gives "/opt/vanto/data/blobs/".
// The cluster-node keys are keys of the configuration tree and always use
// "/".
//
// The installation counts as installed only through the registry value
// "Path" (IsVantoInstalled); a root taken from the environment variable
// VANTOSYS or from the host program's folder never does. Installed or not,
// the folders below the root are answered below whatever root GetSysPath
// finds.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "platform/rtl/Text.h"
#include "system/kxTypes_Enums.h"

namespace TkxVanto {

// ---- Root and installation --------------------------------------------------

// The installation root. The first of these whose text, trimmed, is not
// empty, through TkxFiles::CheckPathExt:
//   1. the registry value "Path" (when the value exists);
//   2. the environment variable VANTOSYS;
//   3. the host program's folder.
// A value that is present but blank falls through to the next step. Any
// failure gives the host program's folder; never raises.
UnicodeString GetSysPath();

// True only when all of these hold, tested in this order: the registry value
// "Path" exists; the folder part of its raw text (up to its last separator)
// exists, so "/opt/vanto" tests "/opt/" and "/opt/vanto/" tests the root
// itself; GetConfigPath holds "kxsyscfg.udl"; GetBinaryPath holds the
// enterprise daemon's program, "kxenterprisesrv.exe" or "kxenterprisesrv".
// Never raises.
bool IsVantoInstalled();

// ---- Fixed folders below the root (nothing is created unless said) -----------

UnicodeString GetConfigPath();    // cfg\.
UnicodeString GetBinaryPath();    // sys\.
UnicodeString GetPubRootPath();   // sys\pub\.
UnicodeString GetSupplyPath();    // sys\pub\supply\.
UnicodeString GetPluginsPath();   // sys\plugins\.
UnicodeString GetBackupPath();    // sys\backup\, created when missing (failure not reported)
UnicodeString GetLogPath();       // log\.
UnicodeString GetBatchLogPath();  // log\batch\.
UnicodeString GetDataPath();      // data\.
UnicodeString GetBlobPath();      // data\blobs\.
UnicodeString GetDataBackupPath();  // backup\.
UnicodeString GetDocPath();       // doc\.
UnicodeString GetPackagesPath();  // packages\.
// sys\com\ for Version -1, else sys\com\ + Version in decimal + "\".
UnicodeString GetComponentPath(int32_t Version);

// ---- Temporary and work folders ------------------------------------------------

// The root's sys\temp\ when IsVantoInstalled, else the system's temporary
// folder (TkxFiles::GetTempPath). With ServiceSpecific the folder of this
// service instance follows: GetProgramTechName + "-" + the start parameter
// "instanceid" (default 0) with at least three digits + "~~~" + separator,
// for example "kxdravsrv-002~~~/". With CheckAndCreatePath every missing
// level is created.
// Below the root a level that cannot be created is left missing and nothing
// is reported. Below the system's temporary folder, which every user shares,
// each level is created with mode 0700, and a level that exists as a
// symbolic link or belongs to another user raises EOSError naming it: such
// a folder could be read or redirected by someone else.
UnicodeString GetTempPath(bool CheckAndCreatePath, bool ServiceSpecific);

// GetTempPath(false, false) + "work-" + a new id (32 hexadecimal digits) +
// "~~~" + separator; created (below the system's temporary folder with the
// rules of GetTempPath). A new folder on each call.
UnicodeString GetTempWorkPath();

// The start parameter "DebugPath" when it is not blank; else, when the
// registry value "DebugPath" exists, that value (an existing but blank value
// gives ""); else the root's log\debug\. The first two through CheckPathExt.
UnicodeString GetDebugPath();

// ---- OCR ---------------------------------------------------------------------------

// The engine's folder: "finereader\data\", "transym\", "tesseract\",
// "nicomsoft\"; none for kxOCR_Unknown and kxOCR_MSO. Below the root's
// sys\com\ocr\ when IsVantoInstalled, else below the host program's folder
// + "ocr\".
UnicodeString GetOCRDataPath(TkxOCREngine OCREngine);

// The FineReader engine library: the first file that exists of the root's
// sys\com\fr10\FREngine.dll and, when the OCR module's registry value "Path"
// (local machine, "SOFTWARE\vanto\OCR\") is not blank, that folder's
// ocr\finereader\10\FREngine.dll; else the host program's folder +
// "FREngine.dll", not tested.
UnicodeString GetFineReaderEnginePath();

// ---- Application data and plug-ins ------------------------------------------

// TkxTools::GetSpecialFolderPath(35) (Common: /var/lib/) or (28) (the user's
// data folder) + "vanto" + separator.
UnicodeString GetAppDataPath(bool Common);

// GetAppDataPath(false) + "plugins\work\" + the name in lower case + "-" +
// InstanceId with at least three digits + "~~~\" + the platform's text
// (TkxTypes::GetOSPlatformStr) + "\"; every missing level is created. The
// name is Service, or when that is empty this library's file name without
// folder and extension. kxOSP_Unknown is replaced by the platform of this
// library's file: kxOSP_Win32 for x86, kxOSP_Win64 for x86-64 (so an x86-64
// Linux library works in "Win64"); any other file raises Exception
// "unknown cpu platform for runtime application".
UnicodeString GetPluginsWorkPath(TkxOSPlatform OSPlatform, const UnicodeString& Service,
                                 int32_t InstanceId);
// GetPluginsPath + "upload\" + the platform's text + "\" ("Unknown" for
// kxOSP_Unknown, which is not resolved here; "" for kxOSP_None).
UnicodeString GetPluginsUploadPath(TkxOSPlatform OSPlatform);
// GetPluginsPath + "updates\" + the platform's text + "\".
UnicodeString GetPluginsUpdatePath(TkxOSPlatform OSPlatform);
// GetPluginsPath + "supply\" + the engine folder + "\" + the platform's text
// + "\". The engine folder is "export", "conversion", "userexit" or
// "recognition" for the export service, conversion engine, user exit and
// recognition engine, and empty for the other kinds, which leaves two
// separators in a row.
UnicodeString GetPluginsSupplyPath(TkxOSPlatform OSPlatform, TEngineType EngineType);

// ---- Style definition ----------------------------------------------------------

// "kxStyle.xml" exists in the host program's folder or in GetConfigPath.
bool StyleDefinitionExists();
// The host program's folder + "kxStyle.xml" when that file exists, else
// GetConfigPath + "kxStyle.xml", whether it exists or not.
UnicodeString GetStyleDefinitionPath();

// ---- Cluster nodes in the configuration tree ----------------------------------

// The registry value "ClusterNode" as a whole number (default 0); values
// below 1 give 0.
int32_t GetClusterNode();
// "/vanto/Software/vanto enterprise daemon/Cluster/Node " + ClusterNode.
UnicodeString GetZ9ClusterNodePath(int32_t ClusterNode);
// "/vanto/Software/vanto enterprise daemon/Services/" + Service +
// "/Cluster/Node " + ClusterNode, then "/Instance " + InstanceId when
// InstanceId is 0 or more.
UnicodeString GetZ9ClusterNodeServicePath(const UnicodeString& Service, int32_t ClusterNode,
                                          int32_t InstanceId);

namespace detail {

// The local machine key of the installation settings.
inline constexpr char16_t kSystemKey[] = u"SOFTWARE\\vanto\\System\\";
// The OCR module's key, a sibling of kSystemKey, whose value "Path" is the
// module's own installation folder.
inline constexpr char16_t kOCRModuleKey[] = u"SOFTWARE\\vanto\\OCR\\";

// The host program's full path, and its folder with a closing separator.
UnicodeString HostProgramFile();
UnicodeString HostProgramFolder();

// Base followed by each of Parts and a separator after each, in Base's
// separator style.
//   Below(u"D:\\vanto\\", {u"data", u"blobs"}) == u"D:\\vanto\\data\\blobs\\"
UnicodeString Below(const UnicodeString& Base, std::initializer_list<std::u16string_view> Parts);

}  // namespace detail

}  // namespace TkxVanto
