// export/kxExportLibrary.cpp — the plug-in's entry: the two exported functions.
// No exception ever leaves them.
#include <cstdint>

#include "export/kxModuleList.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"

namespace {

// Copies Text with its terminating zero into a buffer the host made large
// enough; a null buffer receives nothing.
void WriteBuffer(char16_t* buffer, const UnicodeString& text) {
  if (buffer == nullptr) return;
  for (char16_t unit : text) *buffer++ = unit;
  *buffer = u'\0';
}

__attribute__((constructor)) void LoadLibrary() {
  kx::plugin::InitializeModules(kx::plugin::ModuleList());
}

__attribute__((destructor)) void UnloadLibrary() {
  kx::plugin::FinalizeModules(kx::plugin::ModuleList());
}

int32_t Dispatch(int32_t /*Command*/, char16_t* /*Data*/, char16_t* ErrorText) {
  if (!kx::plugin::LoadFailure().empty()) {
    WriteBuffer(ErrorText, u"unexpected process exception (" + kx::plugin::LoadFailure() + u")");
    return -1;
  }
  WriteBuffer(ErrorText, u"unexpected process exception (the command entry is not built yet)");
  return -1;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t kxWideExport(
    int32_t Command, char16_t* Data, int32_t /*Reserved*/, char16_t* ErrorText) noexcept {
  try {
    return Dispatch(Command, Data, ErrorText);
  } catch (const Exception& e) {
    try {
      WriteBuffer(ErrorText, u"unexpected process exception (" + e.Message + u")");
    } catch (...) {
    }
  } catch (...) {
  }
  return -1;
}

extern "C" __attribute__((visibility("default"))) int32_t kxBuildTest(int32_t Value) noexcept {
  if (!kx::plugin::LoadFailure().empty()) return -1;
  return Value == 100 ? 0 : -1;
}
