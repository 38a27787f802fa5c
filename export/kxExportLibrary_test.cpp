// The plug-in as the host sees it: loaded with dlopen, two symbols and nothing else.
#include <dlfcn.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace {

using WideExportFn = int32_t (*)(int32_t, char16_t*, int32_t, char16_t*);
using BuildTestFn = int32_t (*)(int32_t);

struct Library {
  void* handle = dlopen(KX_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  ~Library() {
    if (handle) dlclose(handle);
  }
};

TEST(ExportLibrary, ExportsExactlyTheTwoEntryFunctions) {
  const std::string command = "nm -D --defined-only " KX_PLUGIN_PATH;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::set<std::string> functions;
  std::array<char, 512> line{};
  while (fgets(line.data(), line.size(), pipe.get())) {
    char type = 0;
    char name[400] = {};
    // "address type name"
    if (sscanf(line.data(), "%*s %c %399s", &type, name) == 2 && (type == 'T' || type == 'W' || type == 'D' || type == 'B' || type == 'V'))
      functions.insert(name);
  }
  EXPECT_EQ(functions, (std::set<std::string>{"kxBuildTest", "kxWideExport"}));
}

// The load constructor (the module table's init) runs when the loader
// reaches the library's own constructor, which may be before the dynamic
// initialisers of other translation units: a global it reads (a registry key
// name, a table guarded by a mutex) would still be empty then. So no global
// of the library may need one: constants are constexpr, the rest is
// function-local.
// The HTTP server engine's sources are the one exception: Asio, header-only,
// gives them static service ids and a thread-local call stack with
// initialisers of their own. Nothing at load reaches them (loading starts no
// server), and they hold no state that loading sets.
TEST(ExportLibrary, HasNoDynamicInitialiserThatLoadingCouldOutrun) {
  const std::string command = "nm " KX_PLUGIN_PATH;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::string initialisers;
  std::array<char, 1024> line{};
  constexpr std::string_view kMark = "_GLOBAL__sub_I_";
  while (fgets(line.data(), line.size(), pipe.get())) {
    const std::string_view text(line.data());
    const size_t at = text.find(kMark);
    // "_GLOBAL__sub_I_00101_..." is one with an explicit priority.
    if (at == std::string_view::npos || std::isdigit(static_cast<unsigned char>(text[at + kMark.size()]))) continue;
    const std::string_view unit = text.substr(at + kMark.size());
    if (unit.starts_with("HttpServer.cpp") || unit.starts_with("RequestReader.cpp")) continue;
    initialisers += text;
  }
  EXPECT_EQ(initialisers, "");
}

TEST(ExportLibrary, BuildTestAnswersZeroOnlyFor100) {
  Library lib;
  ASSERT_NE(lib.handle, nullptr) << dlerror();
  auto buildTest = reinterpret_cast<BuildTestFn>(dlsym(lib.handle, "kxBuildTest"));
  ASSERT_NE(buildTest, nullptr);
  EXPECT_EQ(buildTest(100), 0);
  EXPECT_EQ(buildTest(0), -1);
  EXPECT_EQ(buildTest(101), -1);
}

TEST(ExportLibrary, WideExportAnswersWithAnErrorTextAndNeverThrows) {
  Library lib;
  ASSERT_NE(lib.handle, nullptr) << dlerror();
  auto wideExport = reinterpret_cast<WideExportFn>(dlsym(lib.handle, "kxWideExport"));
  ASSERT_NE(wideExport, nullptr);
  std::array<char16_t, 1024> data{};
  std::array<char16_t, 1024> error{};
  const int32_t rc = wideExport(101, data.data(), 0, error.data());
  EXPECT_TRUE(rc == 0 || rc == -1);
  if (rc == -1) {
    EXPECT_NE(error[0], u'\0');
  }
}

}  // namespace
