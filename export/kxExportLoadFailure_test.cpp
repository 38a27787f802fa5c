// A plug-in whose module initialisation failed at load: kxBuildTest answers
// -1 and every command -1 with the recorded text.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using WideExportFn = int32_t (*)(int32_t, char16_t*, int32_t, char16_t*);
using BuildTestFn = int32_t (*)(int32_t);

TEST(LoadFailure, EveryCommandReportsTheFailedSelftest) {
  void* handle = dlopen(KX_FAILING_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto wideExport = reinterpret_cast<WideExportFn>(dlsym(handle, "kxWideExport"));
  auto buildTest = reinterpret_cast<BuildTestFn>(dlsym(handle, "kxBuildTest"));
  ASSERT_NE(wideExport, nullptr);
  ASSERT_NE(buildTest, nullptr);
  EXPECT_EQ(buildTest(100), -1);
  for (int32_t command : {101, 110, 700, 900}) {
    char16_t data[256] = u"";
    char16_t error[256] = u"";
    EXPECT_EQ(wideExport(command, data, 0, error), -1) << command;
    EXPECT_EQ(std::u16string(error), u"unexpected process exception (TkxMath.Selftest failed!)")
        << command;
  }
  dlclose(handle);

  // The real plug-in loads cleanly beside it.
  void* good = dlopen(KX_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(good, nullptr) << dlerror();
  EXPECT_EQ(reinterpret_cast<BuildTestFn>(dlsym(good, "kxBuildTest"))(100), 0);
  dlclose(good);
}

}  // namespace
