#include "system/kxFiles_Mime.h"

#include <string>

#include "platform/file/Path.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Variant.h"
#include "system/kxConstants_Mime.h"
#include "system/kxRegistry.h"

namespace TkxFiles {

namespace {

constexpr char16_t kContentTypesKey[] = u"SOFTWARE\\vanto\\System\\ContentTypes";

}  // namespace

UnicodeString GetMIMEType(const UnicodeString& FileName, const UnicodeString& Default) {
  UnicodeString extension = kx::platform::ExtractFileExt(FileName);
  if (!extension.empty()) extension.erase(0, 1);
  extension = LowerText(extension);

  const std::string key = ToUtf8(extension);
  for (const auto& row : kxConstants::MimeTable)
    if (row.Extension == key) return ToUtf16(row.MimeType);

  UnicodeString answer =
      VarToStr(TkxRegistry::GetValue(HKEY_CLASSES_ROOT, u"." + extension, u"Content Type",
                                     Variant::FromUString(Default), false));
  return answer.empty() ? Default : answer;
}

UnicodeString GetExtensionFromMimeType(const UnicodeString& MimeType) {
  const UnicodeString lower = LowerText(MimeType);
  const std::string key = ToUtf8(lower);
  for (const auto& row : kxConstants::MimeTable) {
    if (row.MimeType != key) continue;
    if (!row.Extension.empty()) return ToUtf16(row.Extension);
    break;
  }
  return VarToStr(TkxRegistry::GetValue(HKEY_LOCAL_MACHINE, kContentTypesKey, lower,
                                        Variant::FromUString(u""), false));
}

}  // namespace TkxFiles
