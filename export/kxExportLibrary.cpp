// export/kxExportLibrary.cpp — what makes libkxexport.so a plug-in: the two
// exported functions and the load and unload of its modules.
//
// The constructor runs under the loader lock: it starts no thread and loads
// no library. A module that fails to initialise is recorded, not thrown (see
// export/kxModuleList.h).
//
// Unloading comes in two ways: dlclose, or a host that simply returns from
// main with the library still loaded. In the second, exit() runs every
// destructor registered with __cxa_atexit before the loader runs the
// library's destructor, so the library's own statics would be gone before
// its modules are finalised, and finalising would write into destroyed
// objects. The library is therefore linked with --wrap=__cxa_atexit: the
// destructors of its statics are kept here instead of in the C library's
// list, and run by UnloadLibrary after the modules' finalisation, in reverse
// order of registration, whichever way the library goes.
#include <pthread.h>

#include <cstdint>
#include <cstdlib>

#include "config/kxConfigAccessImpl.h"
#ifdef KX_WITH_GUI
#include "config/kxStyler.h"
#else
#include "config/kxStyler_Definition.h"
#endif
#include "export/kxExport.h"
#include "export/kxModuleList.h"
#ifdef KX_WITH_GUI
#include "config/ConfigUnit_SettingsForm.h"
#include "export/kxSettingsForm.h"
#include "platform/desktop_qt/QtDesktop.h"
#include "platform/ui/GuiHost.h"
#endif
#ifdef KX_TEST_FAILING_SELFTEST
#include "text/kxMath.h"
#endif

namespace {

struct StaticDestructor {
  void (*Function)(void*);
  void* Argument;
  StaticDestructor* Next;
};

// Constant-initialised: neither needs a destructor of its own.
pthread_mutex_t g_destructorsLock = PTHREAD_MUTEX_INITIALIZER;
StaticDestructor* g_destructors = nullptr;  // the last registered first

// Runs and forgets the kept destructors, the last registered first; a
// destructor that registers another (a static first used while another is
// destroyed) has it run too.
void RunStaticDestructors() {
  for (;;) {
    pthread_mutex_lock(&g_destructorsLock);
    StaticDestructor* entry = g_destructors;
    if (entry != nullptr) g_destructors = entry->Next;
    pthread_mutex_unlock(&g_destructorsLock);
    if (entry == nullptr) return;
    entry->Function(entry->Argument);
    std::free(entry);
  }
}

#ifdef KX_WITH_GUI
// The "GUI host" slot: the desktop's Qt form and the settings dialog of
// command 800. Nothing starts here; the GUI thread starts on the first call
// that shows something, and its finalisation ends that thread.
void InitializeGuiHost() {
  kx::platform::InstallQtDesktop();
  kx::plugin::SetSettingsFormFactory(&CreateCfgSettingsForm);
}
void FinalizeGuiHost() {
  kx::plugin::SetSettingsFormFactory(nullptr);
  kx::platform::UninstallQtDesktop();
}
#endif

__attribute__((constructor)) void LoadLibrary() {
  // The forms' style: with the GUI the whole styler (its first-activation
  // hook goes to the GUI host, no Qt call yet), else the style data alone.
#ifdef KX_WITH_GUI
  kx::plugin::FillModuleSlot(kx::plugin::kStylerSlot, &kxStyler::InitializeModule, &kxStyler::FinalizeModule);
#else
  kx::plugin::FillModuleSlot(kx::plugin::kStylerSlot, &kxStyler::InitializeStyleDefinition,
                             &kxStyler::FinalizeStyleDefinition);
#endif
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
  kx::plugin::FillModuleSlot(kx::plugin::kConfigStoreRegistrationSlot, &RegisterConfigAccess,
                             &UnregisterConfigAccess);
  kx::plugin::InitializeModules(kx::plugin::ModuleList());
}

__attribute__((destructor)) void UnloadLibrary() {
  kx::plugin::FinalizeModules(kx::plugin::ModuleList());
  RunStaticDestructors();
}

}  // namespace

// Every registration of a destructor by code of this library (the compiler's
// calls for statics, atexit) arrives here; see the top of the file.
extern "C" int __wrap___cxa_atexit(void (*Function)(void*), void* Argument, void*) {
  auto* entry = static_cast<StaticDestructor*>(std::malloc(sizeof(StaticDestructor)));
  if (entry == nullptr) return -1;
  entry->Function = Function;
  entry->Argument = Argument;
  pthread_mutex_lock(&g_destructorsLock);
  entry->Next = g_destructors;
  g_destructors = entry;
  pthread_mutex_unlock(&g_destructorsLock);
  return 0;
}

extern "C" __attribute__((visibility("default"))) int32_t kxWideExport(
    int32_t Command, char16_t* Data, int32_t Reserved, char16_t* ErrorText) noexcept {
  return kx::plugin::WideExport(Command, Data, Reserved, ErrorText);
}

extern "C" __attribute__((visibility("default"))) int32_t kxBuildTest(int32_t Value) noexcept {
  return kx::plugin::BuildTest(Value);
}
