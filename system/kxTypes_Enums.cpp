#include "system/kxTypes_Enums.h"

#include <string_view>
#include <utility>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Trim.h"
#include "text/kxStrings_Search.h"

namespace TkxTypes {

namespace {

using std::u16string_view;

// The text of ordinal v, or Default for any ordinal outside the table.
template <class E, size_t N>
UnicodeString TextOf(E v, const u16string_view (&Table)[N], u16string_view Default) {
  const unsigned i = static_cast<unsigned>(v);
  return UnicodeString(i < N ? Table[i] : Default);
}

template <class E>
struct Entry {
  u16string_view Text;
  E Value;
};

// The value whose text equals Key exactly, or Default.
template <class E, size_t N>
E ValueOf(u16string_view Key, const Entry<E> (&Table)[N], E Default) {
  for (const auto& e : Table)
    if (e.Text == Key) return e.Value;
  return Default;
}

UnicodeString TrimmedUpper(const UnicodeString& S) {
  return UpperText(TrimBlanks(S));
}

UnicodeString LowerTrimmed(const UnicodeString& S) {
  return UnicodeString(TrimBlanks(LowerText(S)));
}

}  // namespace

// ---- Thread priorities -------------------------------------------------------

UnicodeString GetThreadPriorityStr(TThreadPriority Priority) {
  static constexpr u16string_view kTexts[] = {u"Idle",    u"Lowest",  u"Lower",       u"Normal",
                                              u"Higher",  u"Highest", u"Timecritical"};
  return TextOf(Priority, kTexts, u"Lower");
}

TThreadPriority GetThreadPriority(int32_t Priority) {
  return Priority >= tpIdle && Priority <= tpTimeCritical ? static_cast<TThreadPriority>(Priority)
                                                          : tpLower;
}

// ---- Scheme field types --------------------------------------------------------

UnicodeString GetSchemeFieldTypeStr(TkxSchemeFieldType FieldType) {
  static constexpr u16string_view kTexts[] = {u"Editbox", u"Checkbox", u"Combobox",
                                              u"Memobox", u"Datebox",  u"Separator"};
  return TextOf(FieldType, kTexts, u"Editbox");
}

TkxSchemeFieldType GetSchemeFieldTypeFromStr(const UnicodeString& FieldType) {
  static constexpr Entry<TkxSchemeFieldType> kTable[] = {
      {u"EDITBOX", kxSFT_Editbox}, {u"CHECKBOX", kxSFT_Checkbox}, {u"COMBOBOX", kxSFT_Combobox},
      {u"MEMOBOX", kxSFT_Memobox}, {u"DATEBOX", kxSFT_Datebox},   {u"SEPARATOR", kxSFT_Separator}};
  return ValueOf(TrimmedUpper(FieldType), kTable, kxSFT_Editbox);
}

// ---- Platforms -----------------------------------------------------------------

UnicodeString GetCPUPlatformStr(TkxCPUPlatform CPUPlatform) {
  static constexpr u16string_view kTexts[] = {u"x86", u"x64", u"Unknown"};
  return TextOf(CPUPlatform, kTexts, u"Unknown");
}

TkxCPUPlatform GetCPUPlatformFromOSPlatform(TkxOSPlatform OSPlatform) {
  if (OSPlatform == kxOSP_Win32) return kxCPU_x86;
  if (OSPlatform == kxOSP_Win64) return kxCPU_x64;
  return kxCPU_Unknown;
}

UnicodeString GetOSPlatformStr(TkxOSPlatform OSPlatform) {
  static constexpr u16string_view kTexts[] = {u"Unknown", u"Common",  u"Win32",  u"Win64",
                                              u"",        u"Unknown", u"Unknown"};
  return TextOf(OSPlatform, kTexts, u"Unknown");
}

TkxOSPlatform GetOSPlatformFromStr(const UnicodeString& OSPlatform, TkxOSPlatform Default) {
  static constexpr Entry<TkxOSPlatform> kTable[] = {
      {u"WIN32", kxOSP_Win32}, {u"WIN64", kxOSP_Win64}, {u"COMMON", kxOSP_Common}};
  return ValueOf(TrimmedUpper(OSPlatform), kTable, Default);
}

// ---- Enterprise services ---------------------------------------------------------

UnicodeString GetEnterpriseServiceStr(TkxEnterpriseService Service) {
  static constexpr u16string_view kTexts[] = {
      u"kxenterprisesrv.exe", u"kxdravsrv.exe",      u"kximportsrv.exe",  u"kxexportsrv.exe",
      u"kxplumosrv.exe",      u"kxocrsrv.exe",       u"kxconversionsrv.exe",
      u"kxclassifysrv.exe",   u"kxmailsrv.exe",      u"kxscansrv.exe",    u"kxworkflowsrv.exe",
      u"kxindexsrv.exe",      u"kxarchivesrv.exe",   u"kxprintsrv.exe",   u"kxschedulersrv.exe",
      u"kxmonitorsrv.exe",    u"kxlicensesrv.exe",   u"kxwebsrv.exe"};
  static_assert(std::size(kTexts) == kxESVC_Web + 1);
  return TextOf(Service, kTexts, u"");
}

// ---- Field data types ------------------------------------------------------------

UnicodeString GetFieldDataTypeStr(TkxFieldDataType FieldDataType) {
  static constexpr u16string_view kTexts[] = {u"STRING", u"STRING",   u"DATE",   u"NUMERIC",
                                              u"FLOAT",  u"CURRENCY", u"BOOLEAN"};
  return TextOf(FieldDataType, kTexts, u"STRING");
}

TkxFieldDataType GetFieldDataTypeFromStr(const UnicodeString& FieldDataType) {
  static constexpr Entry<TkxFieldDataType> kTable[] = {
      {u"STRING", kxFDT_Text},   {u"DATE", kxFDT_Date},         {u"NUMERIC", kxFDT_Numeric},
      {u"FLOAT", kxFDT_Float},   {u"CURRENCY", kxFDT_Currency}, {u"BOOLEAN", kxFDT_Boolean}};
  return ValueOf(UpperText(FieldDataType), kTable, kxFDT_Text);
}

// ---- Database engines --------------------------------------------------------------

UnicodeString GetDatabaseTypeStr(TkxDatabaseType DbType) {
  static constexpr u16string_view kTexts[] = {
      u"Unknown",   u"Unknown",   u"MSSQL",   u"MSSQL2000", u"MSSQL2005",
      u"MSSQL2008", u"MSSQL2012", u"MSSQL2014", u"Unknown", u"MySQL",
      u"Oracle",    u"DB2",       u"Informix"};
  return TextOf(DbType, kTexts, u"Unknown");
}

TkxDatabaseType GetDatabaseType(const UnicodeString& DbType) {
  static constexpr Entry<TkxDatabaseType> kTable[] = {{u"MSSQL", kxDBT_MSSQL},
                                                      {u"MYSQL", kxDBT_MySQL},
                                                      {u"ORACLE", kxDBT_Oracle},
                                                      {u"DB2", kxDBT_DB2},
                                                      {u"INFORMIX", kxDBT_Informix}};
  return ValueOf(TrimmedUpper(DbType), kTable, kxDBT_Unknown);
}

// ---- Windows versions --------------------------------------------------------------

UnicodeString GetWindowsVersionTypeStr(TkxWindowsVersion WinVer) {
  static constexpr u16string_view kTexts[] = {u"Unknown",
                                              u"Unknown",
                                              u"Windows 2000",
                                              u"Windows XP",
                                              u"Windows Vista",
                                              u"Windows 7",
                                              u"Windows 8",
                                              u"Windows 8.1",
                                              u"Windows 10",
                                              u"Windows Server 2003",
                                              u"Windows Server 2003 R2",
                                              u"Windows Server 2008",
                                              u"Windows Server 2008 R2",
                                              u"Windows Server 2012",
                                              u"Windows Server 2012 R2",
                                              u"Windows Server 2016"};
  return TextOf(WinVer, kTexts, u"Unknown");
}

// ---- Blob encryption ---------------------------------------------------------------

UnicodeString GetEncryptionTypeStr(TkxCryptingMethod Encryption) {
  static constexpr u16string_view kTexts[] = {u"", u"3DES", u"AES256"};
  return TextOf(Encryption, kTexts, u"");
}

TkxCryptingMethod GetEncryptionType(const UnicodeString& CryptStr) {
  static constexpr Entry<TkxCryptingMethod> kTable[] = {{u"3DES", kxCM_3DES},
                                                        {u"AES256", kxCM_AES256}};
  return ValueOf(UpperText(CryptStr), kTable, kxCM_None);
}

// ---- PDF conformance -----------------------------------------------------------------

TkxPDFConformance GetPDFConformanceType(const UnicodeString& ConformanceStr) {
  static constexpr Entry<TkxPDFConformance> kTable[] = {
      {u"PDF_COMMON", kxPDF_Common}, {u"PDF_A_1A", kxPDF_A_1a}, {u"PDF_A_1B", kxPDF_A_1b},
      {u"PDF_A_2A", kxPDF_A_2a},     {u"PDF_A_2B", kxPDF_A_2b}, {u"PDF_A_2U", kxPDF_A_2u},
      {u"PDF_A_3A", kxPDF_A_3a},     {u"PDF_A_3B", kxPDF_A_3b}, {u"PDF_A_3U", kxPDF_A_3u},
      {u"PDF_UA_1", kxPDF_UA_1},     {u"PDF_1_0", kxPDF_1_0},   {u"PDF_1_1", kxPDF_1_1},
      {u"PDF_1_2", kxPDF_1_2},       {u"PDF_1_3", kxPDF_1_3},   {u"PDF_1_4", kxPDF_1_4},
      {u"PDF_1_5", kxPDF_1_5},       {u"PDF_1_6", kxPDF_1_6},   {u"PDF_1_7", kxPDF_1_7},
      {u"PDF_2_0", kxPDF_2_0}};
  return ValueOf(UpperText(ConformanceStr), kTable, kxPDF_Unknown);
}

// ---- Log kinds -------------------------------------------------------------------------

namespace {
constexpr u16string_view kLogWords[] = {
    u"info",   u"error",  u"warning", u"success", u"debug",  u"trace",    u"process",
    u"startup", u"shutdown", u"critical", u"note", u"user",   u"verify",   u"create",
    u"modify", u"delete", u"input",   u"blob",    u"meta",   u"subject",  u"register",
    u"import", u"export"};
static_assert(std::size(kLogWords) == kxLog_Unknown);
}  // namespace

UnicodeString GetLogTypeText(TkxLogInfoType Typ) { return TextOf(Typ, kLogWords, u"unknown"); }

TkxLogInfoType GetLogTypeFromText(const UnicodeString& Typ) {
  const UnicodeString key = LowerTrimmed(Typ);
  for (size_t i = 0; i < std::size(kLogWords); ++i)
    if (kLogWords[i] == key) return static_cast<TkxLogInfoType>(i);
  return kxLog_Unknown;
}

// ---- Engines ---------------------------------------------------------------------------

UnicodeString GetOCREngineTypeText(TkxOCREngine Typ) {
  static constexpr u16string_view kTexts[] = {u"Unknown",   u"FineReader", u"Transym",
                                              u"Tesseract", u"MSO",        u"Nicomsoft"};
  return TextOf(Typ, kTexts, u"Unknown");
}

TkxOCREngine GetOCREngineTypeFromText(const UnicodeString& Typ) {
  static constexpr Entry<TkxOCREngine> kTable[] = {{u"finereader", kxOCR_FineReader},
                                                   {u"transym", kxOCR_Transym},
                                                   {u"tesseract", kxOCR_Tesseract},
                                                   {u"mso", kxOCR_MSO},
                                                   {u"nicomsoft", kxOCR_Nicomsoft}};
  return ValueOf(LowerTrimmed(Typ), kTable, kxOCR_Unknown);
}

UnicodeString GetRecoEngineTypeText(TkxRecognitionEngine Typ) {
  static constexpr u16string_view kTexts[] = {u"Unknown",   u"Amyuni",    u"Orpalis",
                                              u"FineReader", u"Transym",  u"Tesseract",
                                              u"Nicomsoft", u"FreeOCR"};
  return TextOf(Typ, kTexts, u"Unknown");
}

TkxRecognitionEngine GetRecoEngineTypeFromText(const UnicodeString& Typ) {
  static constexpr Entry<TkxRecognitionEngine> kTable[] = {
      {u"amyuni", kxRE_Amyuni},         {u"orpalis", kxRE_Orpalis},
      {u"finereader", kxRE_FineReader}, {u"transym", kxRE_Transym},
      {u"tesseract", kxRE_Tesseract},   {u"nicomsoft", kxRE_Nicomsoft},
      {u"freeocr", kxRE_FreeOCR}};
  return ValueOf(LowerTrimmed(Typ), kTable, kxRE_Unknown);
}

}  // namespace TkxTypes
