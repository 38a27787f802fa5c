// export/kxExportLibrary.cpp — what makes libkxexport.so a plug-in: the two
// exported functions and the load and unload of its modules.
//
// The constructor runs under the loader lock: it starts no thread and loads
// no library. A module that fails to initialise is recorded, not thrown (see
// export/kxModuleList.h).
#include <cstdint>

#include "export/kxExport.h"
#include "export/kxModuleList.h"
#ifdef KX_TEST_FAILING_SELFTEST
#include "text/kxMath.h"
#endif

namespace {

__attribute__((constructor)) void LoadLibrary() {
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
