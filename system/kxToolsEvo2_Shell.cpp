#include "system/kxToolsEvo2_Shell.h"

#include <string>
#include <vector>

#include "platform/desktop/Desktop.h"
#include "platform/desktop/Opener.h"
#include "platform/file/AtomicReplace.h"
#include "platform/file/FileSystem.h"
#include "platform/file/Path.h"
#include "platform/file/Remove.h"
#include "platform/os/HostProgram.h"
#include "platform/process/Arguments.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Stream.h"
#include "system/kxFiles_Paths.h"
#include "system/kxRegistry.h"

namespace TkxTools {
namespace {

// A string value of a desktop entry: backslash, line ends and tabs escaped,
// a leading blank written as "\s".
UnicodeString EntryValue(std::u16string_view Text) {
  UnicodeString value;
  for (size_t i = 0; i < Text.size(); ++i) {
    switch (const char16_t c = Text[i]) {
      case u'\\': value += u"\\\\"; break;
      case u'\n': value += u"\\n"; break;
      case u'\t': value += u"\\t"; break;
      case u'\r': value += u"\\r"; break;
      case u' ':
        value += i == 0 ? u"\\s" : u" ";
        break;
      default: value.push_back(c);
    }
  }
  return value;
}

bool IsReserved(char16_t C) {
  return C <= u' ' || UnicodeString(u"\"'\\><~|&;$*?#()`").find(C) != UnicodeString::npos;
}

bool LooksLikeUrl(const UnicodeString& Text) {
  const size_t colon = Text.find(u"://");
  if (colon == UnicodeString::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char16_t c = Text[i];
    if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
          (i > 0 && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.'))))
      return false;
  }
  return true;
}

bool SetDefault(const UnicodeString& Key, const UnicodeString& Name, const UnicodeString& Value) {
  return TkxRegistry::SetValue(HKEY_CLASSES_ROOT, Key, Name, Variant::FromOleStr(Value),
                               false);
}

}  // namespace

bool CreateLinkFile(const UnicodeString& FileName, const UnicodeString& Parameter,
                    const UnicodeString& Description, const UnicodeString& LinkFile,
                    const UnicodeString& IconFile, int32_t) {
  UnicodeString entry = u"[Desktop Entry]\n";
  const bool program = !LooksLikeUrl(FileName) && !kx::platform::ResolveProgram(FileName).empty();
  entry += program ? u"Type=Application\n" : u"Type=Link\n";
  entry += u"Name=" + EntryValue(TkxFiles::ExtractPureFileName(LinkFile)) + u"\n";
  entry += u"Comment=" + EntryValue(Description) + u"\n";
  if (program) {
    std::vector<UnicodeString> arguments{FileName};
    for (UnicodeString& argument : kx::platform::SplitArguments(Parameter))
      arguments.push_back(std::move(argument));
    entry += u"Exec=" + EntryValue(detail::ExecLine(arguments)) + u"\n";
    const UnicodeString folder = kx::platform::ExtractFilePath(FileName);
    if (!folder.empty()) entry += u"Path=" + EntryValue(folder) + u"\n";
  } else {
    const UnicodeString url = LooksLikeUrl(FileName) ? FileName : ToUtf16(kx::platform::FileUri(FileName));
    entry += u"URL=" + EntryValue(url) + u"\n";
  }
  if (!IconFile.empty()) entry += u"Icon=" + EntryValue(IconFile) + u"\n";

  std::string name;
  if (!kx::platform::ToSystemPath(LinkFile, name)) return false;
  if (kx::platform::EntryExists(LinkFile) && !kx::platform::DeleteFile(LinkFile)) return false;
  return kx::platform::ReplaceFileAtomically(name, ToUtf8(entry), 0755);
}

bool RegisterFileType(const UnicodeString& ExeFile, const UnicodeString& FileType,
                      const UnicodeString& Extension, const UnicodeString& IconFile, int32_t IconId,
                      bool EnableNewFile) {
  const UnicodeString type = Extension + u"_file";
  const UnicodeString key = u"." + Extension;
  if (!SetDefault(key, u"", type)) return false;
  if (EnableNewFile && (!SetDefault(key + u"\\shellnew", u"FileName", u"unnamed." + Extension) ||
                        !SetDefault(key + u"\\shellnew", u"NullFile", u"")))
    return false;
  if (!SetDefault(type, u"", FileType)) return false;
  const UnicodeString icon = IconId == -1 ? IconFile : IconFile + u"," + ToUtf16(std::to_string(IconId));
  if (!SetDefault(type + u"\\DefaultIcon", u"", icon)) return false;
  return SetDefault(type + u"\\shell\\open\\command", u"", u"\"" + ExeFile + u"\" \"%1\"");
}

bool PromptForCredentials(const UnicodeString& Caption, const UnicodeString& MessageText,
                          UnicodeString& UserName, UnicodeString& Password) {
  return kx::platform::Desktop().PromptForCredentials(Caption, MessageText, UserName, Password);
}

bool ShowMessage(const Variant& MessageText) {
  kx::platform::Desktop().ShowMessage(VarToStr(MessageText));
  return true;
}

bool PushApplicationToFront() {
  kx::platform::Desktop().RaiseMainWindow();
  return true;
}

UnicodeString GetActiveWindowTitle() { return UnicodeString(); }

bool TakeScreenShot(const UnicodeString& JpegFileName, bool ActiveWindow, int32_t JpegQuality) {
  try {
    std::string jpeg;
    if (!kx::platform::Desktop().GrabScreenJpeg(ActiveWindow, JpegQuality, jpeg)) return false;
    FileStream file(JpegFileName, fmCreate);
    file.WriteBuffer(jpeg.data(), static_cast<int64_t>(jpeg.size()));
    return true;
  } catch (...) {
    return false;
  }
}

int32_t ClearKeyboardBuffer() { return 0; }

bool qdl(const Variant& Data, const UnicodeString& OtherLogFile) {
  try {
    UnicodeString file = OtherLogFile;
    if (file.empty()) {
      const UnicodeString host = ToUtf16(kx::platform::HostProgramFileName());
      if (host.empty()) return false;
      file = kx::platform::ExtractFilePath(host) + u"qdl.log";
    }
    const std::string line =
        ToUtf8(u"[" + FormatDateTime(u"dd.mm.yyyy hh:nn:ss-zzz", Now()) + u"] " + VarToStr(Data) + u"\r\n");
    FileStream log(file, fmOpenWrite | fmAppend | fmOpenCreate | fmShareDenyNone);
    log.WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
    return true;
  } catch (...) {
    return false;
  }
}

namespace detail {

UnicodeString ExecLine(const std::vector<UnicodeString>& Arguments) {
  UnicodeString line;
  for (size_t i = 0; i < Arguments.size(); ++i) {
    const UnicodeString& argument = Arguments[i];
    if (i > 0) line.push_back(u' ');
    bool quote = i == 0 || argument.empty();
    for (const char16_t c : argument) quote = quote || IsReserved(c);
    if (quote) line.push_back(u'"');
    for (const char16_t c : argument) {
      if (quote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\')) line.push_back(u'\\');
      line.push_back(c);
      if (c == u'%') line.push_back(u'%');
    }
    if (quote) line.push_back(u'"');
  }
  return line;
}

}  // namespace detail

}  // namespace TkxTools
