// export/kxExportLibrary.cpp — what makes libkxexport.so a plug-in: the two
// exported functions and the load and unload of its modules.
//
// The constructor runs under the loader lock: it starts no thread and loads
// no library. A module that fails to initialise is recorded, not thrown (see
// export/kxModuleList.h).
#include <cstdint>

#include "export/kxExport.h"
#include "export/kxModuleList.h"
#ifdef KX_WITH_GUI
#include "platform/desktop_qt/QtDesktop.h"
#include "platform/ui/GuiHost.h"
#endif
#ifdef KX_TEST_FAILING_SELFTEST
#include "text/kxMath.h"
#endif

namespace {

#ifdef KX_WITH_GUI
// The "GUI host" slot: the desktop's Qt form. Nothing starts here; the GUI
// thread starts on the first call that shows something.
void InitializeGuiHost() { kx::platform::InstallQtDesktop(); }
void FinalizeGuiHost() { kx::platform::UninstallQtDesktop(); }
#endif

__attribute__((constructor)) void LoadLibrary() {
#ifdef KX_WITH_GUI
  // Qt came with the library and stays when it goes, also after a failed
  // load (see GuiHost.h).
  kx::platform::ui::KeepQtLoaded();
  kx::plugin::FillModuleSlot(kx::plugin::kGuiHostSlot, &InitializeGuiHost, &FinalizeGuiHost);
#endif
#ifdef KX_TEST_FAILING_SELFTEST
  // The test-only copy of the plug-in: its math self test fails.
  TkxMath::detail::SetSelftestOverrideForTesting([] { return false; });
#endif
  kx::plugin::InitializeModules(kx::plugin::ModuleList());
}

__attribute__((destructor)) void UnloadLibrary() {
  kx::plugin::FinalizeModules(kx::plugin::ModuleList());
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t kxWideExport(
    int32_t Command, char16_t* Data, int32_t Reserved, char16_t* ErrorText) noexcept {
  return kx::plugin::WideExport(Command, Data, Reserved, ErrorText);
}

extern "C" __attribute__((visibility("default"))) int32_t kxBuildTest(int32_t Value) noexcept {
  return kx::plugin::BuildTest(Value);
}
