#include "export/kxExport.h"

#include <exception>
#include <new>

#include "export/kxExportRun.h"
#include "export/kxModuleList.h"
#include "export/kxPluginState.h"
#include "export/kxSettingsForm.h"
#include "environment/kxVanto_Identity.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Trim.h"
#include "platform/rtl/Variant.h"
#include "system/kxConfigTools.h"
#include "text/kxStrings_Search.h"

namespace kx::plugin {
namespace {

const char16_t kOuterPrefix[] = u"unexpected process exception (";

UnicodeString ReadBuffer(const char16_t* buffer) {
  return buffer == nullptr ? UnicodeString() : UnicodeString(buffer);
}

// Copies Text with its terminating zero.
void WriteBuffer(char16_t* buffer, const UnicodeString& text) {
  if (buffer == nullptr) return;
  for (char16_t unit : text) *buffer++ = unit;
  *buffer = u'\0';
}

// An answer that must go into Data.
void Answer(char16_t* Data, const UnicodeString& text) {
  if (Data == nullptr) throw Exception(u"no data buffer for the answer");
  WriteBuffer(Data, text);
}

TkxPluginTools& Tools(TkxPluginState& s) {
  if (!s.PluginTools) throw Exception(u"no document open (command 100 missing)");
  return *s.PluginTools;
}

// Command 110. The settings are assigned one by one as they are read: a
// value that does not convert ends the command with the settings before it
// already changed and those after it unchanged. That partial application is
// intended; hosts rely on the settings read so far.
void ApplyConfigString(TkxPluginState& s, const UnicodeString& text) {
  s.ConfigString = ToUtf8(text);
  TkxConfigTools cfg;
  if (!cfg.ParseConfigString(s.ConfigString)) return;
  const UnicodeString noText;
  auto str = [&](const char16_t* key) {
    return VarToStr(cfg.GetConfigParam(key, Variant::FromOleStr(noText)));
  };
  auto flag = [&](const char16_t* key, bool def) {
    return cfg.GetConfigParam(key, Variant::FromBoolean(def)).ToBoolean();
  };
  s.Importfile = str(u"Importfile");
  s.ServerName = str(u"ServerName");
  s.State = str(u"State");
  s.Task = str(u"Task");
  s.Priority = cfg.GetConfigParam(u"Priority", Variant::FromInteger(4)).ToInteger();
  s.ByRef = flag(u"ByRef", false);
  s.Include = flag(u"Include", false);
  s.Application = str(u"Application");
  s.Project = str(u"Project");
  s.Destination = str(u"Destination");
  s.ExportTitle = str(u"ExportTitle");
  s.ExportService = str(u"ExportService");
  s.ConvertScheme = str(u"ConvertScheme");
  s.ScriptScheme = str(u"ScriptScheme");
  s.PostScheme = str(u"PostScheme");
  s.ExportScheme = str(u"ExportScheme");
  s.CreateNewDocId =
      flag(u"CreateNewDocId", !TrimBlanks(s.ConfigString).empty());
}

// Command 800: the dialog builds a new configuration string; the settings
// change only when the host sends it back with 110.
void ShowSettingsDialog(TkxPluginState& s) {
  std::unique_ptr<TkxSettingsForm> form = CreateSettingsForm();
  if (!form) throw Exception(u"the settings dialog needs a display");
  TkxSettingsForm& f = *form;
  f.SetText(u"edt_Importfile", s.Importfile);
  f.SetText(u"edt_Server", s.ServerName);
  f.SetChecked(u"cb_newdocid", s.CreateNewDocId);
  f.SetText(u"cb_State", s.State);
  f.SetText(u"cb_Task", s.Task);
  f.SetSelectedIndex(u"cb_Priority", s.Priority);
  f.SetChecked(u"cb_ByRef", s.ByRef);
  f.SetChecked(u"cb_Include", s.Include);
  f.SetText(u"edt_Application", s.Application);
  f.SetText(u"edt_project", s.Project);
  f.SetText(u"edt_Destination", s.Destination);
  f.SetText(u"edt_ExportTitle", s.ExportTitle);
  f.SetText(u"cb_ExportService", s.ExportService);
  f.SetText(u"cb_Convert", s.ConvertScheme);
  f.SetText(u"cb_Script", s.ScriptScheme);
  f.SetText(u"cb_Post", s.PostScheme);
  f.SetText(u"cb_EScheme", s.ExportScheme);
  if (!f.ShowModal()) return;

  TkxConfigTools cfg;
  auto text = [&](const char16_t* key, const char16_t* control) {
    cfg.AddConfigParam(key, Variant::FromOleStr(f.GetText(control)), false, false);
  };
  auto check = [&](const char16_t* key, const char16_t* control) {
    cfg.AddConfigParam(key, Variant::FromBoolean(f.GetChecked(control)), false, false);
  };
  text(u"Importfile", u"edt_Importfile");
  text(u"ServerName", u"edt_Server");
  text(u"State", u"cb_State");
  text(u"Task", u"cb_Task");
  check(u"ByRef", u"cb_ByRef");
  cfg.AddConfigParam(u"Priority", Variant::FromInteger(f.GetSelectedIndex(u"cb_Priority")),
                     false, false);
  check(u"Include", u"cb_Include");
  text(u"Application", u"edt_Application");
  text(u"Destination", u"edt_Destination");
  text(u"ExportTitle", u"edt_ExportTitle");
  text(u"Project", u"edt_project");
  text(u"ExportService", u"cb_ExportService");
  text(u"ConvertScheme", u"cb_Convert");
  text(u"ScriptScheme", u"cb_Script");
  text(u"PostScheme", u"cb_Post");
  text(u"ExportScheme", u"cb_EScheme");
  check(u"CreateNewDocId", u"cb_newdocid");
  s.ConfigString = cfg.BuiltConfigString(u"kxConfig", false, false, false);
}

// Answers 0, or -1 with ErrorText written by the command itself (600);
// raises for the outer form.
int32_t Dispatch(int32_t Command, char16_t* Data, char16_t* ErrorText) {
  if (!LoadFailure().empty()) throw Exception(LoadFailure());
  TkxPluginState& s = PluginState();
  switch (Command) {
    case 100:
      s.PluginTools.reset();
      s.PluginTools = std::make_unique<TkxPluginTools>();
      s.ExportTarget.clear();
      return 0;
    case 101:
      Answer(Data, u"3");
      return 0;
    case 105:
      Answer(Data, TkxVanto::GetProgramVersionString());
      return 0;
    case 110:
      ApplyConfigString(s, ReadBuffer(Data));
      return 0;
    case 130:
      s.ExportTarget = ReadBuffer(Data);
      return 0;
    case 200:
      Tools(s).Clear();
      s.DocId.clear();
      s.StoredText.clear();
      return 0;
    case 300:
      s.StoredText = ReadBuffer(Data);
      return 0;
    case 350:
      s.DocId = ToUtf8(ReadBuffer(Data));
      return 0;
    case 400: {
      TkxPluginTools& tools = Tools(s);
      if (!tools.AddField(ReadBuffer(Data)))
        throw Exception(u"add field failed (" + tools.Message + u")");
      return 0;
    }
    case 450:
      // A cell that does not parse is dropped; the result is not looked at.
      Tools(s).AddTableField(ReadBuffer(Data));
      return 0;
    case 500: {
      TkxPluginTools& tools = Tools(s);
      if (!tools.AddBlob(ReadBuffer(Data), RawByteString(), true))
        throw Exception(u"add blobb failed (" + tools.Message + u")");
      return 0;
    }
    case 510: {
      TkxPluginTools& tools = Tools(s);
      if (tools.GetBlobCount() > 0) tools.Blobs.back().BlobName = ReadBuffer(Data);
      return 0;
    }
    case 530: {
      TkxPluginTools& tools = Tools(s);
      if (tools.GetBlobCount() > 0) tools.Blobs.back().DocType = ReadBuffer(Data);
      return 0;
    }
    case 600:
      s.LastExportError.clear();
      if (RunExport(s.LastExportError)) return 0;
      WriteBuffer(ErrorText, s.LastExportError);
      return -1;
    case 800:
      ShowSettingsDialog(s);
      return 0;
    case 850:
      Answer(Data, ToUtf16(s.ConfigString));
      return 0;
    case 900:
      s.PluginTools.reset();
      return 0;
    default:
      return 0;
  }
}

void WriteOuterError(char16_t* ErrorText, const UnicodeString& reason) noexcept {
  try {
    WriteBuffer(ErrorText, kOuterPrefix + reason + u")");
  } catch (...) {
  }
}

}  // namespace

int32_t WideExport(int32_t Command, char16_t* Data, int32_t /*Reserved*/,
                   char16_t* ErrorText) noexcept {
  try {
    return Dispatch(Command, Data, ErrorText);
  } catch (const Exception& e) {
    WriteOuterError(ErrorText, e.Message);
  } catch (const std::bad_alloc&) {
    WriteOuterError(ErrorText, u"Out of memory");
  } catch (const std::exception& e) {
    try {
      WriteOuterError(ErrorText, ToUtf16(e.what()));
    } catch (...) {
      WriteOuterError(ErrorText, u"unknown error");
    }
  } catch (...) {
    WriteOuterError(ErrorText, u"unknown error");
  }
  return -1;
}

int32_t BuildTest(int32_t Value) noexcept {
  if (!LoadFailure().empty()) return -1;
  return Value == 100 ? 0 : -1;
}

}  // namespace kx::plugin
