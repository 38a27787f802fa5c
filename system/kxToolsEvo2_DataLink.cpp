#include "system/kxToolsEvo2_DataLink.h"

#include <string>

#include "platform/db/Connection.h"
#include "platform/desktop/Desktop.h"
#include "platform/resources/Resources.h"
#include "platform/rtl/Stream.h"
#include "system/kxFiles_Contents.h"
#include "system/kxFiles_Delete.h"
#include "system/kxFiles_Paths.h"
#include "system/kxToolsEvo2_Identity.h"

namespace TkxTools {

UnicodeString GetConnectionstringFromUdlFile(const UnicodeString& FileName) {
  try {
    return kx::platform::db::ReadDataLinkFile(FileName);
  } catch (...) {
    return UnicodeString();
  }
}

bool CreateUDLFile(const UnicodeString& FileName, const UnicodeString& ConStr) {
  const UnicodeString text =
      u"[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n" + ConStr + u"\r\n";
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + 2 * text.size());
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  FileStream file(FileName, fmCreate);
  file.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return true;
}

UnicodeString EditUDLFile(const UnicodeString& FileName, bool Temp) {
  if (!TkxFiles::FileExists(FileName)) TkxFiles::CreateBlankFile(FileName);
  UnicodeString connection = GetConnectionstringFromUdlFile(FileName);
  if (Temp) TkxFiles::ForceDeleteFile(FileName);
  return connection;
}

UnicodeString EditConnectionString(const UnicodeString& ConnectionString) {
  const UnicodeString file = TkxFiles::GetTempPath() + u"kxconstr-" + ToUtf16(CreateId().View()) + u"~~~.udl";
  CreateUDLFile(file, ConnectionString);
  return EditUDLFile(file, true);
}

UnicodeString GetResource(const UnicodeString& Name, const UnicodeString& DType) {
  return ToUtf16(kx::platform::FindResource(Name, DType));
}

bool CopyHTMLToClipBoard(const UnicodeString& PlainStr, const UnicodeString& HtmlStr) {
  kx::platform::ClipboardContent content;
  content.PlainText = PlainStr;
  content.HtmlUtf8 = ToUtf8(HtmlStr);
  content.HtmlFormat = detail::HtmlClipboardText(HtmlStr);
  kx::platform::Desktop().CopyToClipboard(content);
  return true;
}

namespace detail {

std::string HtmlClipboardText(const UnicodeString& Html) {
  static constexpr std::string_view kHead =
      "Version:0.9\r\nStartHTML:-1\r\nEndHTML:-1\r\nStartFragment:000081\r\nEndFragment:";
  const std::string html = ToUtf8(Html);
  // The count includes its own digits: six, or more for a text of a
  // million bytes and more.
  size_t width = 6;
  std::string digits;
  while (true) {
    digits = std::to_string(kHead.size() + width + 2 + html.size() + 2);
    if (digits.size() <= width) break;
    width = digits.size();
  }
  digits.insert(0, width - digits.size(), '0');
  std::string text(kHead);
  text += digits;
  text += "\r\n";
  text += html;
  text += "\r\n";
  return text;
}

}  // namespace detail

}  // namespace TkxTools
