// export/kxSettingsForm.h — the settings dialog of command 800 as the command
// entry sees it: controls addressed by name, a modal show answering OK or
// Cancel. The dialog itself lives outside this library (it needs a display);
// it is plugged in through the factory.
//
// Control names: edt_Importfile, edt_Server, cb_newdocid, cb_State, cb_Task,
// cb_Priority, cb_ByRef, cb_Include, edt_Application, edt_project,
// edt_Destination, edt_ExportTitle, cb_ExportService, cb_Convert, cb_Script,
// cb_Post, cb_EScheme.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/rtl/Text.h"

namespace kx::plugin {

class TkxSettingsForm {
 public:
  virtual ~TkxSettingsForm() = default;
  // A combo box takes any text, whether or not its list holds it.
  virtual void SetText(const UnicodeString& Control, const UnicodeString& Text) = 0;
  virtual UnicodeString GetText(const UnicodeString& Control) = 0;
  virtual void SetChecked(const UnicodeString& Control, bool Checked) = 0;
  virtual bool GetChecked(const UnicodeString& Control) = 0;
  // An index outside the list selects nothing; -1 when nothing is selected.
  virtual void SetSelectedIndex(const UnicodeString& Control, int32_t Index) = 0;
  virtual int32_t GetSelectedIndex(const UnicodeString& Control) = 0;
  // Shows the dialog modally; true when it closes with OK.
  virtual bool ShowModal() = 0;
};

using TkxSettingsFormFactory = std::function<std::unique_ptr<TkxSettingsForm>()>;

// The dialog's factory; nullptr (the default) means there is no dialog, and
// command 800 then fails instead of showing one.
void SetSettingsFormFactory(TkxSettingsFormFactory Factory);
// A new dialog, or nullptr when no factory is set or it makes none.
std::unique_ptr<TkxSettingsForm> CreateSettingsForm();

}  // namespace kx::plugin
