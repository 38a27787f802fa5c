#include "export/kxExport.h"

#include <exception>
#include <iterator>
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

// The seventeen settings: key in the configuration string, control in the
// settings dialog, the state's field (a text, a flag or a number) and the
// value of a flag or number the string lacks. In the order command 110 reads
// them; the dialog fills its controls and builds its string in orders of its
// own (kDialogFillOrder, kDialogWriteOrder), which hosts and stored strings
// know.
struct TkxSetting {
  const char16_t* Key;
  const char16_t* Control;
  UnicodeString TkxPluginState::*Text = nullptr;
  bool TkxPluginState::*Flag = nullptr;
  int32_t TkxPluginState::*Number = nullptr;
  int32_t Default = 0;
};

// The default of CreateNewDocId: true when a configuration string was given.
constexpr int32_t kTrueWhenGiven = -1;

const TkxSetting kSettings[] = {
    {u"Importfile", u"edt_Importfile", &TkxPluginState::Importfile},
    {u"ServerName", u"edt_Server", &TkxPluginState::ServerName},
    {u"State", u"cb_State", &TkxPluginState::State},
    {u"Task", u"cb_Task", &TkxPluginState::Task},
    {u"Priority", u"cb_Priority", nullptr, nullptr, &TkxPluginState::Priority, 4},
    {u"ByRef", u"cb_ByRef", nullptr, &TkxPluginState::ByRef},
    {u"Include", u"cb_Include", nullptr, &TkxPluginState::Include},
    {u"Application", u"edt_Application", &TkxPluginState::Application},
    {u"Project", u"edt_project", &TkxPluginState::Project},
    {u"Destination", u"edt_Destination", &TkxPluginState::Destination},
    {u"ExportTitle", u"edt_ExportTitle", &TkxPluginState::ExportTitle},
    {u"ExportService", u"cb_ExportService", &TkxPluginState::ExportService},
    {u"ConvertScheme", u"cb_Convert", &TkxPluginState::ConvertScheme},
    {u"ScriptScheme", u"cb_Script", &TkxPluginState::ScriptScheme},
    {u"PostScheme", u"cb_Post", &TkxPluginState::PostScheme},
    {u"ExportScheme", u"cb_EScheme", &TkxPluginState::ExportScheme},
    {u"CreateNewDocId", u"cb_newdocid", nullptr, &TkxPluginState::CreateNewDocId, nullptr,
     kTrueWhenGiven},
};
constexpr size_t kSettingCount = std::size(kSettings);
constexpr uint8_t kDialogFillOrder[kSettingCount] = {0, 1, 16, 2, 3, 4, 5, 6, 7,
                                                     8, 9, 10, 11, 12, 13, 14, 15};
constexpr uint8_t kDialogWriteOrder[kSettingCount] = {0, 1, 2, 3, 5, 4, 6, 7, 9,
                                                      10, 8, 11, 12, 13, 14, 15, 16};

// Command 110. The settings are assigned one by one as they are read: a
// value that does not convert ends the command with the settings before it
// already changed and those after it unchanged. That partial application is
// intended; hosts rely on the settings read so far.
void ApplyConfigString(TkxPluginState& s, const UnicodeString& text) {
  s.ConfigString = ToUtf8(text);
  TkxConfigTools cfg;
  if (!cfg.ParseConfigString(s.ConfigString)) return;
  const bool given = !TrimBlanks(s.ConfigString).empty();
  for (const TkxSetting& k : kSettings) {
    if (k.Text != nullptr) {
      s.*k.Text = VarToStr(cfg.GetConfigParam(k.Key, Variant::FromOleStr(UnicodeString())));
    } else if (k.Flag != nullptr) {
      const bool def = k.Default == kTrueWhenGiven ? given : k.Default != 0;
      s.*k.Flag = cfg.GetConfigParam(k.Key, Variant::FromBoolean(def)).ToBoolean();
    } else {
      s.*k.Number = cfg.GetConfigParam(k.Key, Variant::FromInteger(k.Default)).ToInteger();
    }
  }
}

// Command 800: the dialog builds a new configuration string; the settings
// change only when the host sends it back with 110.
void ShowSettingsDialog(TkxPluginState& s) {
  std::unique_ptr<TkxSettingsForm> form = CreateSettingsForm();
  if (!form) throw Exception(u"the settings dialog needs a display");
  TkxSettingsForm& f = *form;
  for (const uint8_t i : kDialogFillOrder) {
    const TkxSetting& k = kSettings[i];
    if (k.Text != nullptr)
      f.SetText(k.Control, s.*k.Text);
    else if (k.Flag != nullptr)
      f.SetChecked(k.Control, s.*k.Flag);
    else
      f.SetSelectedIndex(k.Control, s.*k.Number);
  }
  if (!f.ShowModal()) return;

  TkxConfigTools cfg;
  for (const uint8_t i : kDialogWriteOrder) {
    const TkxSetting& k = kSettings[i];
    const Variant value = k.Text != nullptr   ? Variant::FromOleStr(f.GetText(k.Control))
                          : k.Flag != nullptr ? Variant::FromBoolean(f.GetChecked(k.Control))
                                              : Variant::FromInteger(f.GetSelectedIndex(k.Control));
    cfg.AddConfigParam(k.Key, value, false, false);
  }
  s.ConfigString = cfg.BuiltConfigString(u"kxConfig", false, false, false);
}

// Answers 0, or -1 with ErrorText written by the command itself (600);
// raises for the outer form.
int32_t Dispatch(int32_t Command, char16_t* Data, char16_t* ErrorText) {
  if (!LoadFailure().empty()) throw Exception(LoadFailure());
  TkxPluginState& s = PluginState();
  switch (static_cast<TkxCommand>(Command)) {
    case TkxCommand::NewDocument:
      s.PluginTools.reset();
      s.PluginTools = std::make_unique<TkxPluginTools>();
      s.ExportTarget.clear();
      return 0;
    case TkxCommand::InterfaceVersion:
      Answer(Data, u"3");
      return 0;
    case TkxCommand::ProgramVersion:
      Answer(Data, TkxVanto::GetProgramVersionString());
      return 0;
    case TkxCommand::ApplySettings:
      ApplyConfigString(s, ReadBuffer(Data));
      return 0;
    case TkxCommand::SetTarget:
      s.ExportTarget = ReadBuffer(Data);
      return 0;
    case TkxCommand::ClearDocument:
      Tools(s).Clear();
      s.DocId.clear();
      s.StoredText.clear();
      return 0;
    case TkxCommand::StoreText:
      s.StoredText = ReadBuffer(Data);
      return 0;
    case TkxCommand::SetDocId:
      s.DocId = ToUtf8(ReadBuffer(Data));
      return 0;
    case TkxCommand::AddField: {
      TkxPluginTools& tools = Tools(s);
      if (!tools.AddField(ReadBuffer(Data)))
        throw Exception(u"add field failed (" + tools.Message + u")");
      return 0;
    }
    case TkxCommand::AddTableField:
      // A cell that does not parse is dropped; the result is not looked at.
      Tools(s).AddTableField(ReadBuffer(Data));
      return 0;
    case TkxCommand::AddBlob: {
      TkxPluginTools& tools = Tools(s);
      if (!tools.AddBlob(ReadBuffer(Data), RawByteString(), true))
        throw Exception(u"add blobb failed (" + tools.Message + u")");
      return 0;
    }
    case TkxCommand::SetBlobName: {
      TkxPluginTools& tools = Tools(s);
      if (tools.GetBlobCount() > 0) tools.Blobs.back().BlobName = ReadBuffer(Data);
      return 0;
    }
    case TkxCommand::SetBlobDocType: {
      TkxPluginTools& tools = Tools(s);
      if (tools.GetBlobCount() > 0) tools.Blobs.back().DocType = ReadBuffer(Data);
      return 0;
    }
    case TkxCommand::Export:
      s.LastExportError.clear();
      if (RunExport(s.LastExportError)) return 0;
      WriteBuffer(ErrorText, s.LastExportError);
      return -1;
    case TkxCommand::SettingsDialog:
      ShowSettingsDialog(s);
      return 0;
    case TkxCommand::GetSettings:
      Answer(Data, ToUtf16(s.ConfigString));
      return 0;
    case TkxCommand::CloseDocument:
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
