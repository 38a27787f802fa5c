#include "config/ConfigUnit_SettingsForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include <utility>

#include "config/ConfigUnit.h"
#include "platform/ui/GuiHost.h"
#include "platform/ui/QtText.h"

using kx::platform::ui::FromQString;
using kx::platform::ui::RunOnGuiThread;
using kx::platform::ui::ToQString;

namespace {

std::function<void(TCfgForm&)>& ShownHook() {
  static std::function<void(TCfgForm&)> hook;
  return hook;
}

class CfgSettingsForm : public kx::plugin::TkxSettingsForm {
 public:
  CfgSettingsForm() {
    RunOnGuiThread([this] { form_ = std::make_unique<TCfgForm>(); });
  }

  ~CfgSettingsForm() override {
    try {
      RunOnGuiThread([this] { form_.reset(); });
    } catch (...) {
      // The GUI thread does not take the job: Qt frees the form there.
      if (form_) form_.release()->deleteLater();
    }
  }

  void SetText(const UnicodeString& Control, const UnicodeString& Text) override {
    RunOnGuiThread([&] {
      QWidget* w = Find(Control);
      if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(ToQString(Text));
      } else if (auto* box = qobject_cast<QComboBox*>(w)) {
        if (box->isEditable())
          box->setEditText(ToQString(Text));
        else
          box->setCurrentIndex(box->findText(ToQString(Text)));
      } else {
        throw NoKind(Control, u"text");
      }
    });
  }

  UnicodeString GetText(const UnicodeString& Control) override {
    UnicodeString text;
    RunOnGuiThread([&] {
      QWidget* w = Find(Control);
      if (auto* edit = qobject_cast<QLineEdit*>(w))
        text = FromQString(edit->text());
      else if (auto* box = qobject_cast<QComboBox*>(w))
        text = FromQString(box->currentText());
      else
        throw NoKind(Control, u"text");
    });
    return text;
  }

  void SetChecked(const UnicodeString& Control, bool Checked) override {
    RunOnGuiThread([&] { Check(Control)->setChecked(Checked); });
  }

  bool GetChecked(const UnicodeString& Control) override {
    bool checked = false;
    RunOnGuiThread([&] { checked = Check(Control)->isChecked(); });
    return checked;
  }

  void SetSelectedIndex(const UnicodeString& Control, int32_t Index) override {
    RunOnGuiThread([&] {
      QComboBox* box = Combo(Control);
      box->setCurrentIndex(Index >= 0 && Index < box->count() ? Index : -1);
    });
  }

  int32_t GetSelectedIndex(const UnicodeString& Control) override {
    int32_t index = -1;
    RunOnGuiThread([&] { index = Combo(Control)->currentIndex(); });
    return index;
  }

  bool ShowModal() override {
    bool ok = false;
    RunOnGuiThread([&] {
      TCfgForm* form = form_.get();
      if (ShownHook()) {
        std::function<void(TCfgForm&)> hook = ShownHook();
        QTimer::singleShot(0, form, [form, hook] { hook(*form); });
      }
      ok = form->exec() == QDialog::Accepted;
    });
    return ok;
  }

 private:
  static Exception NoKind(const UnicodeString& Control, const char16_t* What) {
    return Exception(u"the control " + Control + u" has no " + What);
  }

  QWidget* Find(const UnicodeString& Control) {
    auto* w = form_->findChild<QWidget*>(ToQString(Control));
    if (w == nullptr) throw Exception(u"the settings dialog has no control " + Control);
    return w;
  }
  QCheckBox* Check(const UnicodeString& Control) {
    auto* check = qobject_cast<QCheckBox*>(Find(Control));
    if (check == nullptr) throw NoKind(Control, u"checked state");
    return check;
  }
  QComboBox* Combo(const UnicodeString& Control) {
    auto* box = qobject_cast<QComboBox*>(Find(Control));
    if (box == nullptr) throw NoKind(Control, u"list");
    return box;
  }

  std::unique_ptr<TCfgForm> form_;
};

}  // namespace

std::unique_ptr<kx::plugin::TkxSettingsForm> CreateCfgSettingsForm() {
  if (!kx::platform::ui::GuiAvailable()) return nullptr;
  return std::make_unique<CfgSettingsForm>();
}

void SetCfgFormShownHookForTesting(std::function<void(TCfgForm&)> Hook) { ShownHook() = std::move(Hook); }
