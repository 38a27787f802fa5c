// config/ConfigUnit_SettingsForm.h — the settings dialog of command 800
// (export/kxSettingsForm.h) on TCfgForm. Creation (with FormCreate), every
// call and the destruction run on the GUI thread (platform/ui/GuiHost.h), so
// any thread of the host may drive it.
//
// Controls are found by objectName; an unknown name raises. A text is an
// edit's or a combo box's edit field (a fixed list takes the entry of that
// text, or none); the selected index is the list's current index. ShowModal
// answers true for Ok, false for Cancel and the window's close button.
#pragma once

#include <functional>
#include <memory>

#include "export/kxSettingsForm.h"

class TCfgForm;

// A dialog, or nullptr when no GUI can show one (no display, a host's Qt
// application without widgets): command 800 then answers that it needs a
// display.
std::unique_ptr<kx::plugin::TkxSettingsForm> CreateCfgSettingsForm();

// Runs on the GUI thread right after the dialog has shown (ShowModal); a
// test sets and reads controls through it and closes the dialog. nullptr
// removes it.
void SetCfgFormShownHookForTesting(std::function<void(TCfgForm&)> Hook);
