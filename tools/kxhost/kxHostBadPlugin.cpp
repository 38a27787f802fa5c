// A test-only plug-in that breaks the call contract on purpose, for the
// contract checks of kxhost: 1 writes ErrorText but answers 0, 2 leaves Data
// without a terminating zero, 3 answers 5; any other command answers 0.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t kxWideExport(
    int32_t Command, char16_t* Data, int32_t, char16_t* ErrorText) noexcept {
  switch (Command) {
    case 1:
      ErrorText[0] = u'x';
      ErrorText[1] = 0;
      return 0;
    case 2:
      for (int i = 0; i < 8; ++i) Data[i] = u'x';
      return 0;
    case 3:
      return 5;
    default:
      return 0;
  }
}

extern "C" __attribute__((visibility("default"))) int32_t kxBuildTest(int32_t) noexcept {
  return 0;
}
