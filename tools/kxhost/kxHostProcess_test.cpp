// Hosts as processes of their own: hosts that exit with the plug-in loaded,
// several hosts exporting into one folder at once, and a host killed in the
// middle of an export.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/Text.h"
#include "platform/xml/XmlDocument.h"
#include "tests/support/Process.h"

namespace {

namespace fs = std::filesystem;
using kx::testing::RunBounded;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a reader of a ByRef document finds: the copy of each referenced blob,
// opened by the document's folder + Reference + Extension, in blob order.
// Fails the test for a blob without Reference or a copy that is not there.
std::vector<std::string> ReferencedCopies(const fs::path& document) {
  std::vector<std::string> copies;
  const auto doc = kx::platform::XmlDocument::Load(ReadText(document));
  const auto blobs = doc.DocumentElement().FindChild(u"Content").FindChild(u"Blobs");
  for (const auto& node : blobs.ChildNodes()) {
    const auto blob = node.AsElement();
    if (!blob) continue;
    const auto reference = blob.FindChild(u"Reference");
    EXPECT_TRUE(reference) << document;
    if (!reference) continue;
    const fs::path copy =
        document.parent_path() / ToUtf8(reference.Text() + blob.FindChild(u"Extension").Text());
    EXPECT_TRUE(fs::is_regular_file(copy)) << copy;
    copies.push_back(ReadText(copy));
  }
  return copies;
}

// The text of the index field Name of a document.
std::string FieldOf(const fs::path& document, const char16_t* name) {
  const auto doc = kx::platform::XmlDocument::Load(ReadText(document));
  const auto index = doc.DocumentElement().FindChild(u"Content").FindChild(u"Index");
  for (const auto& node : index.ChildNodes())
    if (const auto field = node.AsElement(); field && field.GetAttribute(u"Name") == name)
      return ToUtf8(field.Text());
  return "";
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

// Four hosts export at once into one folder, all with the same document id
// and ByRef: every document, read back, references a copy holding exactly
// its own blob's bytes, and no document or copy replaced another.
TEST_F(HostProcess, FourHostsExportIntoOneFolderWithOneDocumentId) {
  constexpr int kHosts = 4, kRounds = 15;
  std::vector<std::string> blobs(kHosts);
  std::vector<std::string> scripts(kHosts);
  for (int h = 0; h < kHosts; ++h) {
    // Large enough that the copies of different hosts overlap in time.
    blobs[h] = std::string(1 << 20, static_cast<char>('a' + h)) + "host " + std::to_string(h);
    const fs::path blob = sandbox_ / "in" / ("blob" + std::to_string(h) + ".bin");
    std::ofstream(blob, std::ios::binary) << blobs[h];
    scripts[h] = "110\t<kxConfig><Importfile>" + (sandbox_ / "out").string() +
                 "/doc_%docid.xml</Importfile><ByRef>true</ByRef>"
                 "<CreateNewDocId>false</CreateNewDocId></kxConfig>\n";
    for (int round = 0; round < kRounds; ++round)
      scripts[h] += "100\n350\t4711\n400\tHost=" + std::to_string(h) + "\n500\t" + blob.string() +
                    "\n600\n900\n";
  }
  std::vector<kx::testing::BoundedResult> results(kHosts);
  std::vector<std::thread> hosts;
  for (int h = 0; h < kHosts; ++h)
    hosts.emplace_back([&, h] {
      results[h] = RunBounded({KX_HOST_PATH, KX_PLUGIN_PATH, "-"}, 240000, scripts[h]);
    });
  for (auto& t : hosts) t.join();
  for (int h = 0; h < kHosts; ++h) EXPECT_EQ(results[h].ExitCode, 0) << results[h].Output;

  int documents = 0, copies = 0;
  for (const auto& e : fs::directory_iterator(sandbox_ / "out")) {
    const std::string name = e.path().filename().string();
    if (name.rfind("doc_4711", 0) != 0) {
      ++copies;
      continue;
    }
    ++documents;
    const int host = std::atoi(FieldOf(e.path(), u"Host").c_str());
    ASSERT_GE(host, 0);
    ASSERT_LT(host, kHosts);
    const std::vector<std::string> referenced = ReferencedCopies(e.path());
    ASSERT_EQ(referenced.size(), 1u) << name;
    EXPECT_TRUE(referenced[0] == blobs[host]) << name << " references another document's bytes";
  }
  EXPECT_EQ(documents, kHosts * kRounds);
  EXPECT_EQ(copies, kHosts * kRounds);  // no staged file left, none shared
}

// A host killed at any point of a large ByRef export leaves no partial file
// under a final name: a copy there is whole, a document there parses and
// every copy it references is whole. Only staged (dot-named) files may stay.
TEST_F(HostProcess, AHostKilledInTheMiddleLeavesNoPartialFile) {
  const std::string big(48u << 20, 'k');
  const fs::path blob = sandbox_ / "in" / "big.bin";
  std::ofstream(blob, std::ios::binary) << big;
  const fs::path script = sandbox_ / "export.kxs";
  std::ofstream(script) << "110\t<kxConfig><Importfile>" << (sandbox_ / "out").string()
                        << "/doc.xml</Importfile><ByRef>true</ByRef></kxConfig>\n100\n500\t"
                        << blob.string() << "\n500\t" << blob.string() << "\n600\n";
  for (const int delayMs : {0, 20, 60, 120, 200, 300, 450, 700}) {
    fs::remove_all(sandbox_ / "out");
    {
      kx::testing::ChildProcess host(KX_HOST_PATH, {KX_PLUGIN_PATH, script.string()});
      std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
      host.Kill();
    }
    if (!fs::exists(sandbox_ / "out")) continue;
    for (const auto& e : fs::directory_iterator(sandbox_ / "out")) {
      const std::string name = e.path().filename().string();
      if (name[0] == '.') continue;  // staged, never a final name
      if (name.rfind("doc", 0) == 0) {
        for (const std::string& copy : ReferencedCopies(e.path()))
          EXPECT_TRUE(copy.size() == big.size()) << delayMs << "ms: a referenced copy is cut short";
      } else {
        EXPECT_EQ(fs::file_size(e.path()), big.size()) << delayMs << "ms: " << name << " is cut short";
      }
    }
  }
}

}  // namespace
