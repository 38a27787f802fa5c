// Hosts as processes of their own: hosts that exit with the plug-in loaded,
// several hosts exporting into one folder at once, and a host killed in the
// middle of an export.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/Process.h"

namespace {

namespace fs = std::filesystem;
using kx::testing::RunBounded;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool HaveValgrind() { return RunBounded({"valgrind", "--version"}, 10000).ExitCode == 0; }

class HostProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox_ = fs::path(std::getenv("TMPDIR")) /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(sandbox_);
    fs::create_directories(sandbox_ / "in");
    blob_ = (sandbox_ / "in" / "scan.pdf").string();
    std::ofstream(blob_, std::ios::binary) << "%PDF-1.4 scan";
  }
  void TearDown() override { fs::remove_all(sandbox_); }

  // The command lines of a host that exits after 100, after 600 (a ByRef
  // export with one blob) and after 900.
  std::vector<std::vector<std::string>> ExitCases() const {
    const std::string config = "110=<kxConfig><Importfile>" + (sandbox_ / "out").string() +
                               "/doc_%docid.xml</Importfile><ByRef>true</ByRef></kxConfig>";
    return {{"100"},
            {config, "100", "400=Amount=12.5", "500=" + blob_, "600"},
            {config, "100", "500=" + blob_, "600", "900"},
            {"900"}};
  }

  fs::path sandbox_;
  std::string blob_;
};

// Returning from main without dlclose unloads the plug-in in exit(), after
// every other destructor the process registered: nothing of the plug-in may
// be gone by then.
TEST_F(HostProcess, ACHostExitsWithThePluginLoaded) {
  for (const auto& commands : ExitCases()) {
    std::vector<std::string> argv = {KX_EXITHOST_PATH, KX_PLUGIN_PATH};
    argv.insert(argv.end(), commands.begin(), commands.end());
    const auto r = RunBounded(argv, 60000);
    EXPECT_EQ(r.ExitCode, 0) << commands.back() << "\n" << r.Output;
    EXPECT_NE(r.Output.find(commands.back().substr(0, 3) + " -> 0"), std::string::npos) << r.Output;
  }
  // The export of the second case is on disk: a document and its copy.
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(sandbox_ / "out")) files += e.is_regular_file();
  EXPECT_EQ(files, 4u);
}

TEST_F(HostProcess, ACHostExitsWithThePluginLoadedUnderMemcheck) {
#ifdef KX_SANITIZED
  GTEST_SKIP() << "valgrind does not run sanitizer builds";
#else
  if (!HaveValgrind()) GTEST_SKIP() << "valgrind is not installed";
  for (const auto& commands : ExitCases()) {
    std::vector<std::string> argv = {"valgrind", "-q", "--error-exitcode=99", "--leak-check=full",
                                     "--errors-for-leak-kinds=definite", KX_EXITHOST_PATH,
                                     KX_PLUGIN_PATH};
    argv.insert(argv.end(), commands.begin(), commands.end());
    const auto r = RunBounded(argv, 300000);
    EXPECT_EQ(r.ExitCode, 0) << commands.back() << "\n" << r.Output;
  }
#endif
}

// kxhost --no-unload: a whole export, then an exit with the plug-in loaded.
TEST_F(HostProcess, KxhostExitsWithoutUnloading) {
  const std::string script =
      "110\t<kxConfig><Importfile>${SANDBOX}/out/doc.xml</Importfile><ByRef>true</ByRef>"
      "<CreateNewDocId>false</CreateNewDocId></kxConfig>\n"
      "100\n350\t4711\n500\t" + blob_ + "\n600\n";
  const auto r = RunBounded({KX_HOST_PATH, "--no-unload", "--sandbox", sandbox_.string(),
                             KX_PLUGIN_PATH, "-"},
                            60000, script);
  EXPECT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_NE(r.Output.find("600 -> 0"), std::string::npos) << r.Output;
  EXPECT_EQ(ReadText(sandbox_ / "out/4711-1.pdf"), "%PDF-1.4 scan");
  EXPECT_TRUE(fs::exists(sandbox_ / "out/doc.xml"));
}

}  // namespace
