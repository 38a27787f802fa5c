// system/kxTypes_Enums.h — the shared enumerations and their fixed texts.
//
// The ordinal of each value is its place in the declaration, from 0. Stored
// values (configuration, registry, log lines) and the text tables depend on
// these ordinals: never reorder or insert.
//
// The writers (…Str, …Text) answer the value's text from a fixed table; any
// ordinal outside the table (a value read from a file, static_cast<E>(200))
// gives the writer's default text. The readers normalise their argument, then
// compare it exactly with their table; a text that is not in the table gives
// the reader's default. None of them raises. Each reader names its
// normalisation, which differs on purpose (stored texts are read back the way
// they always were):
//   "trimmed, upper-cased":  units up to U+0020 removed at both ends, then
//                            UpperText (the same under every locale);
//   "upper-cased":           UpperText only; a blank makes the text unknown;
//   "lower-cased, trimmed":  LowerText, then trimmed.
// Some tables do not round-trip; each writer says where.
#pragma once

#include <cstdint>

#include "platform/rtl/Text.h"
#include "platform/rtl/ThreadPriority.h"

enum TFileTimes : uint8_t { ftLastAccess, ftLastWrite, ftCreation };

enum TFileAge : uint8_t { faYounger, faOlder };

enum TCharEncodeType : uint8_t { kxCE_UTF8, kxCE_UTF16 };

enum TkxSchemeFieldType : uint8_t {
  kxSFT_Editbox,
  kxSFT_Checkbox,
  kxSFT_Combobox,
  kxSFT_Memobox,
  kxSFT_Datebox,
  kxSFT_Separator
};

enum TkxLogInfoType : uint8_t {
  kxLog_Info,
  kxLog_Error,
  kxLog_Warning,
  kxLog_Success,
  kxLog_Debug,
  kxLog_Trace,
  kxLog_Process,
  kxLog_Startup,
  kxLog_Shutdown,
  kxLog_Critical,
  kxLog_Note,
  kxLog_User,
  kxLog_Verify,
  kxLog_Create,
  kxLog_Modify,
  kxLog_Delete,
  kxLog_Input,
  kxLog_Blob,
  kxLog_Meta,
  kxLog_Subject,
  kxLog_Register,
  kxLog_Import,
  kxLog_Export,
  kxLog_Unknown
};

enum TkxLogOriginType : uint8_t { kxLOT_System, kxLOT_User };

enum TkxQueueState : uint8_t {
  kxQS_Import,
  kxQS_Idle,
  kxQS_Export,
  kxQS_Error,
  kxQS_Warning,
  kxQS_Processing,
  kxQS_OnHold,
  kxQS_PostScript,
  kxQS_PreScript,
  kxQS_Unknown
};

enum TkxQueueTask : uint8_t { kxQT_Export, kxQT_Plumo, kxQT_Unknown, kxQT_Move };

enum TkxDatabaseType : uint8_t {
  kxDBT_Unknown,
  kxDBT_Z9,
  kxDBT_MSSQL,
  kxDBT_MSSQL2000,
  kxDBT_MSSQL2005,
  kxDBT_MSSQL2008,
  kxDBT_MSSQL2012,
  kxDBT_MSSQL2014,
  kxDBT_MSSQL2016,
  kxDBT_MySQL,
  kxDBT_Oracle,
  kxDBT_DB2,
  kxDBT_Informix
};

enum TkxTransactionType : uint8_t { kxTT_Begin, kxTT_Commit, kxTT_RollBack };

enum TkxThemeOption : uint8_t { kxTO_Unknown, kxTO_Enabled, kxTO_Disabled };

enum TkxFieldDataType : uint8_t {
  kxFDT_Text,
  kxFDT_VarChar,
  kxFDT_Date,
  kxFDT_Numeric,
  kxFDT_Float,
  kxFDT_Currency,
  kxFDT_Boolean
};

enum TkxEncoding : uint8_t {
  kxENC_None,
  kxENC_Base64,
  kxENC_Strong,
  kxENC_Mega,
  kxENC_DCW,
  kxENC_Service,
  kxENC_Internal
};

enum TkxOCREngine : uint8_t {
  kxOCR_Unknown,
  kxOCR_FineReader,
  kxOCR_Transym,
  kxOCR_Tesseract,
  kxOCR_MSO,
  kxOCR_Nicomsoft
};

enum TkxRecognitionEngine : uint8_t {
  kxRE_Unknown,
  kxRE_Amyuni,
  kxRE_Orpalis,
  kxRE_FineReader,
  kxRE_Transym,
  kxRE_Tesseract,
  kxRE_Nicomsoft,
  kxRE_FreeOCR
};

enum TkxSQLQueryType : uint8_t { kxSQT_SELECT, kxSQT_INSERT, kxSQT_UPDATE, kxSQT_DELETE };

enum TkxCPUPlatform : uint8_t { kxCPU_x86, kxCPU_x64, kxCPU_Unknown };

enum TkxOSPlatform : uint8_t {
  kxOSP_Unknown,
  kxOSP_Common,
  kxOSP_Win32,
  kxOSP_Win64,
  kxOSP_None,
  kxOSP_Linux32,
  kxOSP_Linux64
};

enum TkxHTTPHeaderType : uint8_t { kxHHT_Custom, kxHHT_Raw };

// The services of the product's server, one daemon program each (see
// GetEnterpriseServiceStr). kxESVC_Enterprise is the cluster node's own server
// daemon. Default ports and service lookups index this order.
enum TkxEnterpriseService : uint8_t {
  kxESVC_Enterprise,
  kxESVC_DRAV,  // the queue server
  kxESVC_Import,
  kxESVC_Export,
  kxESVC_PLUMO,
  kxESVC_OCR,
  kxESVC_Conversion,
  kxESVC_Classify,
  kxESVC_Mail,
  kxESVC_Scan,
  kxESVC_Workflow,
  kxESVC_Index,
  kxESVC_Archive,
  kxESVC_Print,
  kxESVC_Scheduler,
  kxESVC_Monitor,
  kxESVC_License,
  kxESVC_Web
};

enum TkxHTTPCommands : uint8_t {
  kxHC_Unknown,
  kxHC_None,
  kxHC_Head,
  kxHC_Get,
  kxHC_Post,
  kxHC_Delete,
  kxHC_Put,
  kxHC_Trace,
  kxHC_Option,
  kxHC_Options,
  kxHC_Patch,
  kxHC_Copy,
  kxHC_Lock,
  kxHC_Unlock,
  kxHC_Mkcol,
  kxHC_Move,
  kxHC_Propfind,
  kxHC_Proppatch,
  kxHC_Link,
  kxHC_Unlink,
  kxHC_Purge,
  kxHC_View
};

enum TkxCryptingMethod : uint8_t { kxCM_None, kxCM_3DES, kxCM_AES256 };

enum TkxPDFConformance : uint8_t {
  kxPDF_Unknown,
  kxPDF_Common,
  kxPDF_A_1a,
  kxPDF_A_1b,
  kxPDF_A_2a,
  kxPDF_A_2b,
  kxPDF_A_2u,
  kxPDF_A_3a,
  kxPDF_A_3b,
  kxPDF_A_3u,
  kxPDF_UA_1,
  kxPDF_1_0,
  kxPDF_1_1,
  kxPDF_1_2,
  kxPDF_1_3,
  kxPDF_1_4,
  kxPDF_1_5,
  kxPDF_1_6,
  kxPDF_1_7,
  kxPDF_2_0
};

enum TkxWindowsVersion : uint8_t {
  kxWV_Unknown,
  kxWV_WinNT,
  kxWV_Win2000,
  kxWV_WinXP,
  kxWV_WinVista,
  kxWV_Win7,
  kxWV_Win8,
  kxWV_Win8_1,
  kxWV_Win10,
  kxWV_WinServer2003,
  kxWV_WinServer2003R2,
  kxWV_WinServer2008,
  kxWV_WinServer2008R2,
  kxWV_WinServer2012,
  kxWV_WinServer2012R2,
  kxWV_WinServer2016
};

enum TkxVersionComparison : uint8_t { kxVC_Unknown, kxVC_Identical, kxVC_Older, kxVC_Newer };

enum TEngineType : uint8_t {
  kxET_Unknown,
  kxET_ExportService,
  kxET_ConversionEngine,
  kxET_UserExit,
  kxET_RecognitionEngine,
  kxET_ImportEngine,
  kxET_WorkerEngine
};

enum TkxIPType : uint8_t { kxIPv4, kxIPv6, kxIPUnknown };

namespace TkxTypes {

// ---- Thread priorities -------------------------------------------------------

// "Idle", "Lowest", "Lower", "Normal", "Higher", "Highest", "Timecritical";
// any other ordinal "Lower".
UnicodeString GetThreadPriorityStr(TThreadPriority Priority);
// The priority of ordinal 0 to 6; any other number tpLower (ordinal 2).
TThreadPriority GetThreadPriority(int32_t Priority);

// ---- Scheme field types --------------------------------------------------------

// "Editbox", "Checkbox", "Combobox", "Memobox", "Datebox", "Separator";
// any other ordinal "Editbox".
UnicodeString GetSchemeFieldTypeStr(TkxSchemeFieldType FieldType);
// Trimmed, upper-cased: "EDITBOX" ... "SEPARATOR"; any other text kxSFT_Editbox.
TkxSchemeFieldType GetSchemeFieldTypeFromStr(const UnicodeString& FieldType);

// ---- Platforms -----------------------------------------------------------------

// "x86", "x64"; anything else "Unknown".
UnicodeString GetCPUPlatformStr(TkxCPUPlatform CPUPlatform);
// kxOSP_Win32 -> kxCPU_x86, kxOSP_Win64 -> kxCPU_x64, else kxCPU_Unknown.
TkxCPUPlatform GetCPUPlatformFromOSPlatform(TkxOSPlatform OSPlatform);
// "Common", "Win32", "Win64"; kxOSP_None the empty text; kxOSP_Unknown, the
// Linux values and any other ordinal "Unknown" (so those read back as the
// reader's Default).
UnicodeString GetOSPlatformStr(TkxOSPlatform OSPlatform);
// Trimmed, upper-cased: "WIN32", "WIN64", "COMMON"; any other text Default.
TkxOSPlatform GetOSPlatformFromStr(const UnicodeString& OSPlatform, TkxOSPlatform Default);

// ---- Enterprise services ---------------------------------------------------------

// The lower-case file name of the service's daemon program: "kx" + service
// word + "srv.exe" ("kxenterprisesrv.exe", "kxdravsrv.exe", ...,
// "kxplumosrv.exe" for kxESVC_PLUMO); an ordinal above 17 the empty text.
// Service nodes are matched by this name.
UnicodeString GetEnterpriseServiceStr(TkxEnterpriseService Service);

// ---- Field data types ------------------------------------------------------------

// "DATE", "NUMERIC", "FLOAT", "CURRENCY", "BOOLEAN"; kxFDT_Text, kxFDT_VarChar
// and any other ordinal "STRING" (so kxFDT_VarChar reads back as kxFDT_Text).
UnicodeString GetFieldDataTypeStr(TkxFieldDataType FieldDataType);
// Upper-cased (not trimmed): "STRING" kxFDT_Text, "DATE", "NUMERIC", "FLOAT",
// "CURRENCY", "BOOLEAN"; any other text kxFDT_Text.
TkxFieldDataType GetFieldDataTypeFromStr(const UnicodeString& FieldDataType);

// ---- Database engines --------------------------------------------------------------

// "MSSQL", "MSSQL2000" ... "MSSQL2014", "MySQL", "Oracle", "DB2", "Informix";
// kxDBT_Unknown, kxDBT_Z9, kxDBT_MSSQL2016 and any other ordinal "Unknown".
UnicodeString GetDatabaseTypeStr(TkxDatabaseType DbType);
// Trimmed, upper-cased; five names only: "MSSQL", "MYSQL", "ORACLE", "DB2",
// "INFORMIX". Every other text, the versioned "MSSQL2000" included, gives
// kxDBT_Unknown.
TkxDatabaseType GetDatabaseType(const UnicodeString& DbType);

// ---- Windows versions --------------------------------------------------------------

// "Windows 2000" ... "Windows Server 2016"; kxWV_Unknown, kxWV_WinNT and any
// other ordinal "Unknown". There is no reader.
UnicodeString GetWindowsVersionTypeStr(TkxWindowsVersion WinVer);

// ---- Blob encryption ---------------------------------------------------------------

// "3DES", "AES256"; kxCM_None and any other ordinal the empty text.
UnicodeString GetEncryptionTypeStr(TkxCryptingMethod Encryption);
// Upper-cased (not trimmed: " 3DES" is kxCM_None): "3DES", "AES256"; any
// other text kxCM_None.
TkxCryptingMethod GetEncryptionType(const UnicodeString& CryptStr);

// ---- PDF conformance -----------------------------------------------------------------

// Upper-cased (not trimmed): the value names without "kx", "PDF_COMMON" ...
// "PDF_2_0", give kxPDF_Common ... kxPDF_2_0; any other text kxPDF_Unknown.
// There is no writer.
TkxPDFConformance GetPDFConformanceType(const UnicodeString& ConformanceStr);

// ---- Log kinds -------------------------------------------------------------------------

// The lower-case word of each kind: "info", "error", ..., "export";
// kxLog_Unknown and any other ordinal "unknown".
UnicodeString GetLogTypeText(TkxLogInfoType Typ);
// Lower-cased, trimmed: the 23 words back; any other text, "unknown"
// included, kxLog_Unknown.
TkxLogInfoType GetLogTypeFromText(const UnicodeString& Typ);

// ---- Engines ---------------------------------------------------------------------------

// "FineReader", "Transym", "Tesseract", "MSO", "Nicomsoft"; kxOCR_Unknown and
// any other ordinal "Unknown".
UnicodeString GetOCREngineTypeText(TkxOCREngine Typ);
// Lower-cased, trimmed: "finereader", "transym", "tesseract", "mso",
// "nicomsoft"; any other text kxOCR_Unknown.
TkxOCREngine GetOCREngineTypeFromText(const UnicodeString& Typ);
// "Amyuni", "Orpalis", "FineReader", "Transym", "Tesseract", "Nicomsoft",
// "FreeOCR"; kxRE_Unknown and any other ordinal "Unknown".
UnicodeString GetRecoEngineTypeText(TkxRecognitionEngine Typ);
// Lower-cased, trimmed: the seven names in lower case; any other text
// kxRE_Unknown.
TkxRecognitionEngine GetRecoEngineTypeFromText(const UnicodeString& Typ);

}  // namespace TkxTypes
