#include "system/kxTypes_Enums.h"

#include <gtest/gtest.h>
#include <unicode/uloc.h>

#include <string>
#include <vector>

namespace {

using namespace TkxTypes;

// Writes every ordinal from 0 to Count (one beyond the last) and reads the
// text back; Want[i] is the value the text of ordinal i reads as.
template <class E, class Writer, class Reader>
void ExpectReadBack(Writer write, Reader read, const std::vector<E>& Want, const char* name) {
  for (size_t i = 0; i < Want.size(); ++i) {
    const auto text = write(static_cast<E>(i));
    EXPECT_EQ(read(text), Want[i]) << name << " ordinal " << i << " text " << ToUtf8(text);
  }
}

TEST(TypesEnums, WritersThenReadersOverEveryOrdinal) {
  // Ordinals that have no own text read back as the reader's default.
  ExpectReadBack<TkxSchemeFieldType>(
      GetSchemeFieldTypeStr, GetSchemeFieldTypeFromStr,
      {kxSFT_Editbox, kxSFT_Checkbox, kxSFT_Combobox, kxSFT_Memobox, kxSFT_Datebox,
       kxSFT_Separator, kxSFT_Editbox},
      "scheme field");
  ExpectReadBack<TkxOSPlatform>(
      GetOSPlatformStr,
      [](const UnicodeString& s) { return GetOSPlatformFromStr(s, kxOSP_Linux64); },
      {kxOSP_Linux64, kxOSP_Common, kxOSP_Win32, kxOSP_Win64, kxOSP_Linux64, kxOSP_Linux64,
       kxOSP_Linux64, kxOSP_Linux64},
      "OS platform");
  ExpectReadBack<TkxFieldDataType>(
      GetFieldDataTypeStr, GetFieldDataTypeFromStr,
      {kxFDT_Text, kxFDT_Text, kxFDT_Date, kxFDT_Numeric, kxFDT_Float, kxFDT_Currency,
       kxFDT_Boolean, kxFDT_Text},
      "field data type");
  ExpectReadBack<TkxDatabaseType>(
      GetDatabaseTypeStr, GetDatabaseType,
      {kxDBT_Unknown, kxDBT_Unknown, kxDBT_MSSQL, kxDBT_Unknown, kxDBT_Unknown, kxDBT_Unknown,
       kxDBT_Unknown, kxDBT_Unknown, kxDBT_Unknown, kxDBT_MySQL, kxDBT_Oracle, kxDBT_DB2,
       kxDBT_Informix, kxDBT_Unknown},
      "database");
  ExpectReadBack<TkxCryptingMethod>(GetEncryptionTypeStr, GetEncryptionType,
                                    {kxCM_None, kxCM_3DES, kxCM_AES256, kxCM_None}, "encryption");
  std::vector<TkxLogInfoType> logs;
  for (int i = 0; i <= kxLog_Unknown; ++i) logs.push_back(static_cast<TkxLogInfoType>(i));
  logs.push_back(kxLog_Unknown);
  ExpectReadBack<TkxLogInfoType>(GetLogTypeText, GetLogTypeFromText, logs, "log");
  ExpectReadBack<TkxOCREngine>(
      GetOCREngineTypeText, GetOCREngineTypeFromText,
      {kxOCR_Unknown, kxOCR_FineReader, kxOCR_Transym, kxOCR_Tesseract, kxOCR_MSO,
       kxOCR_Nicomsoft, kxOCR_Unknown},
      "OCR engine");
  ExpectReadBack<TkxRecognitionEngine>(
      GetRecoEngineTypeText, GetRecoEngineTypeFromText,
      {kxRE_Unknown, kxRE_Amyuni, kxRE_Orpalis, kxRE_FineReader, kxRE_Transym, kxRE_Tesseract,
       kxRE_Nicomsoft, kxRE_FreeOCR, kxRE_Unknown},
      "recognition engine");
  // Thread priorities have no text reader; the number reader is the pair.
  const char16_t* priorities[] = {u"Idle",   u"Lowest",  u"Lower",       u"Normal",
                                  u"Higher", u"Highest", u"Timecritical"};
  for (int i = 0; i <= 6; ++i) {
    EXPECT_EQ(GetThreadPriorityStr(static_cast<TThreadPriority>(i)), priorities[i]);
    EXPECT_EQ(GetThreadPriority(i), static_cast<TThreadPriority>(i));
  }
}

TEST(TypesEnums, WriterTexts) {
  struct Case { UnicodeString got, want; };
  const Case cases[] = {
      {GetThreadPriorityStr(static_cast<TThreadPriority>(200)), u"Lower"},
      {GetSchemeFieldTypeStr(kxSFT_Separator), u"Separator"},
      {GetSchemeFieldTypeStr(static_cast<TkxSchemeFieldType>(200)), u"Editbox"},
      {GetCPUPlatformStr(kxCPU_x86), u"x86"},
      {GetCPUPlatformStr(kxCPU_x64), u"x64"},
      {GetCPUPlatformStr(static_cast<TkxCPUPlatform>(200)), u"Unknown"},
      {GetOSPlatformStr(kxOSP_None), u""},  // empty, not "Unknown"
      {GetOSPlatformStr(kxOSP_Linux64), u"Unknown"},
      {GetOSPlatformStr(static_cast<TkxOSPlatform>(200)), u"Unknown"},
      {GetFieldDataTypeStr(kxFDT_VarChar), u"STRING"},
      {GetFieldDataTypeStr(kxFDT_Boolean), u"BOOLEAN"},
      {GetDatabaseTypeStr(kxDBT_MSSQL2016), u"Unknown"},
      {GetDatabaseTypeStr(kxDBT_MSSQL2014), u"MSSQL2014"},
      {GetDatabaseTypeStr(kxDBT_MySQL), u"MySQL"},
      {GetDatabaseTypeStr(static_cast<TkxDatabaseType>(200)), u"Unknown"},
      {GetWindowsVersionTypeStr(kxWV_WinNT), u"Unknown"},
      {GetWindowsVersionTypeStr(kxWV_Win8_1), u"Windows 8.1"},
      {GetWindowsVersionTypeStr(kxWV_WinServer2003R2), u"Windows Server 2003 R2"},
      {GetWindowsVersionTypeStr(kxWV_WinServer2016), u"Windows Server 2016"},
      {GetWindowsVersionTypeStr(static_cast<TkxWindowsVersion>(200)), u"Unknown"},
      {GetEncryptionTypeStr(kxCM_None), u""},
      {GetEncryptionTypeStr(kxCM_AES256), u"AES256"},
      {GetEncryptionTypeStr(static_cast<TkxCryptingMethod>(200)), u""},
      {GetLogTypeText(kxLog_Info), u"info"},
      {GetLogTypeText(kxLog_Export), u"export"},
      {GetLogTypeText(static_cast<TkxLogInfoType>(200)), u"unknown"},
      {GetOCREngineTypeText(kxOCR_MSO), u"MSO"},
      {GetOCREngineTypeText(static_cast<TkxOCREngine>(200)), u"Unknown"},
      {GetRecoEngineTypeText(kxRE_FreeOCR), u"FreeOCR"},
      {GetRecoEngineTypeText(static_cast<TkxRecognitionEngine>(200)), u"Unknown"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);

  EXPECT_EQ(GetCPUPlatformFromOSPlatform(kxOSP_Win32), kxCPU_x86);
  EXPECT_EQ(GetCPUPlatformFromOSPlatform(kxOSP_Win64), kxCPU_x64);
  EXPECT_EQ(GetCPUPlatformFromOSPlatform(kxOSP_Linux64), kxCPU_Unknown);
  EXPECT_EQ(GetCPUPlatformFromOSPlatform(static_cast<TkxOSPlatform>(200)), kxCPU_Unknown);
  for (int p : {7, -1, 2, INT32_MIN}) EXPECT_EQ(GetThreadPriority(p), tpLower) << p;
}

// The program names are matched against service nodes and index the default
// port table: all 18, lower case, "kx" + word + "srv.exe", none twice.
TEST(TypesEnums, EnterpriseServiceProgramNames) {
  const std::vector<UnicodeString> want = {
      u"kxenterprisesrv.exe", u"kxdravsrv.exe",    u"kximportsrv.exe",     u"kxexportsrv.exe",
      u"kxplumosrv.exe",      u"kxocrsrv.exe",     u"kxconversionsrv.exe", u"kxclassifysrv.exe",
      u"kxmailsrv.exe",       u"kxscansrv.exe",    u"kxworkflowsrv.exe",   u"kxindexsrv.exe",
      u"kxarchivesrv.exe",    u"kxprintsrv.exe",   u"kxschedulersrv.exe",  u"kxmonitorsrv.exe",
      u"kxlicensesrv.exe",    u"kxwebsrv.exe"};
  for (size_t i = 0; i < want.size(); ++i)
    EXPECT_EQ(GetEnterpriseServiceStr(static_cast<TkxEnterpriseService>(i)), want[i]);
  EXPECT_EQ(GetEnterpriseServiceStr(kxESVC_DRAV), u"kxdravsrv.exe");
  EXPECT_EQ(GetEnterpriseServiceStr(kxESVC_PLUMO), u"kxplumosrv.exe");
  EXPECT_EQ(GetEnterpriseServiceStr(static_cast<TkxEnterpriseService>(18)), u"");
  EXPECT_EQ(GetEnterpriseServiceStr(static_cast<TkxEnterpriseService>(255)), u"");
}

// Three normalisations, kept apart on purpose.
TEST(TypesEnums, ReadersNormaliseEachTheirOwnWay) {
  // Trimmed, then upper-cased.
  EXPECT_EQ(GetDatabaseType(u" MySQL "), kxDBT_MySQL);
  EXPECT_EQ(GetDatabaseType(u"\tinformix\r\n"), kxDBT_Informix);
  EXPECT_EQ(GetDatabaseType(u"MSSQL2000"), kxDBT_Unknown);
  EXPECT_EQ(GetSchemeFieldTypeFromStr(u" memobox"), kxSFT_Memobox);
  EXPECT_EQ(GetOSPlatformFromStr(u" win64 ", kxOSP_None), kxOSP_Win64);
  EXPECT_EQ(GetOSPlatformFromStr(u"", kxOSP_None), kxOSP_None);
  // Upper-cased only: a blank makes the text unknown.
  EXPECT_EQ(GetEncryptionType(u"aes256"), kxCM_AES256);
  EXPECT_EQ(GetEncryptionType(u" 3DES"), kxCM_None);
  EXPECT_EQ(GetEncryptionType(u""), kxCM_None);
  EXPECT_EQ(GetFieldDataTypeFromStr(u"date"), kxFDT_Date);
  EXPECT_EQ(GetFieldDataTypeFromStr(u"DATE "), kxFDT_Text);
  EXPECT_EQ(GetFieldDataTypeFromStr(u"VARCHAR"), kxFDT_Text);
  EXPECT_EQ(GetPDFConformanceType(u"pdf_a_1a"), kxPDF_A_1a);
  EXPECT_EQ(GetPDFConformanceType(u"PDF_2_0"), kxPDF_2_0);
  EXPECT_EQ(GetPDFConformanceType(u"PDF_COMMON"), kxPDF_Common);
  EXPECT_EQ(GetPDFConformanceType(u"kxPDF_A_1a"), kxPDF_Unknown);  // no "kx" prefix
  EXPECT_EQ(GetPDFConformanceType(u" PDF_A_1A"), kxPDF_Unknown);
  EXPECT_EQ(GetPDFConformanceType(u"PDF_UNKNOWN"), kxPDF_Unknown);
  // Lower-cased, then trimmed.
  EXPECT_EQ(GetLogTypeFromText(u"INFO "), kxLog_Info);
  EXPECT_EQ(GetLogTypeFromText(u"\tExport"), kxLog_Export);
  EXPECT_EQ(GetLogTypeFromText(u"unknown"), kxLog_Unknown);
  EXPECT_EQ(GetLogTypeFromText(u""), kxLog_Unknown);
  EXPECT_EQ(GetOCREngineTypeFromText(u" FineReader "), kxOCR_FineReader);
  EXPECT_EQ(GetRecoEngineTypeFromText(u"FREEOCR"), kxRE_FreeOCR);
  EXPECT_EQ(GetRecoEngineTypeFromText(u"free ocr"), kxRE_Unknown);

  // Every table holds ASCII keys: under a Turkish locale "i" and "I" still
  // pair up.
  UErrorCode status = U_ZERO_ERROR;
  const std::string saved = uloc_getDefault();
  uloc_setDefault("tr_TR", &status);
  const TkxDatabaseType db = GetDatabaseType(u"informix");
  const TkxLogInfoType log = GetLogTypeFromText(u"INFO");
  const TkxSchemeFieldType field = GetSchemeFieldTypeFromStr(u"datebox");
  uloc_setDefault(saved.c_str(), &status);
  EXPECT_EQ(db, kxDBT_Informix);
  EXPECT_EQ(log, kxLog_Info);
  EXPECT_EQ(field, kxSFT_Datebox);
}

}  // namespace
