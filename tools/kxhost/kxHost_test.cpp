// The plug-in end to end, loaded with dlopen and driven by kxhost scripts.
#include "tools/kxhost/kxHost.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "platform/xml/XmlDocument.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path Source(const std::string& relative) {
  return fs::path(std::getenv("KX_SOURCE_DIR")) / relative;
}

struct Result {
  int exit;
  std::string out, err;
};

Result RunHost(const std::string& script, size_t dataUnits = 1 << 16, size_t errorUnits = 4096) {
  kx::host::HostOptions options;
  options.PluginPath = KX_PLUGIN_PATH;
  options.DataUnits = dataUnits;
  options.ErrorUnits = errorUnits;
  std::ostringstream out, err;
  const int exit = kx::host::RunScript(options, script, out, err);
  return {exit, out.str(), err.str()};
}

class Host : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox_ = fs::path(std::getenv("TMPDIR")) / "sandbox";
    fs::remove_all(sandbox_);
    std::string error;
    ASSERT_TRUE(kx::host::PrepareSandbox(sandbox_.string(), error)) << error;
  }
  fs::path sandbox_;
};

// Golden files: each script's output compares exactly.
TEST_F(Host, GoldenScripts) {
  const std::pair<const char*, int> scripts[] = {{"commands", 1}, {"document", 0}, {"export", 1}};
  for (const auto& [name, exit] : scripts) {
    const Result r = RunHost(ReadText(Source(std::string("testdata/kxhost/") + name + ".kxs")));
    std::string expected = ReadText(Source(std::string("testdata/kxhost/") + name + ".out"));
    // The golden files name the sandbox ${SANDBOX}.
    for (size_t at; (at = expected.find("${SANDBOX}")) != std::string::npos;)
      expected.replace(at, 10, fs::path(std::getenv("SANDBOX")).string());
    EXPECT_EQ(r.out, expected) << name;
    EXPECT_EQ(r.exit, exit) << name << "\n" << r.err;
  }
}

// The documents behind the golden file-export script: names, blob copies
// beside them and what the documents say about them.
TEST_F(Host, FileExportsWriteTheirDocumentsAndCopies) {
  const Result r = RunHost(ReadText(Source("testdata/kxhost/export.kxs")));
  EXPECT_EQ(r.exit, kx::host::kSomeFailed) << r.err;
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(sandbox_ / "out"))
    names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"doc_4711.xml", "doc_4711-2.xml", "doc_4711-3.xml",
                                          "4711-1.txt", "4711-1-2.txt"}));
  const std::string blob = ReadText(Source("testdata/kxhost/blob.txt"));
  EXPECT_EQ(ReadText(sandbox_ / "out/4711-1.txt"), blob);
  EXPECT_EQ(ReadText(sandbox_ / "out/4711-1-2.txt"), blob);

  const std::pair<const char*, const char16_t*> references[] = {
      {"doc_4711.xml", u"4711-1"}, {"doc_4711-2.xml", u"4711-1-2"}};
  for (const auto& [name, reference] : references) {
    const auto doc = kx::platform::XmlDocument::Load(ReadText(sandbox_ / "out" / name));
    const auto root = doc.DocumentElement();
    EXPECT_EQ(root.GetAttribute(u"Id"), u"4711") << name;
    const auto content = root.FindChild(u"Content");
    const auto field = content.FindChild(u"Index").FindChild(u"Field");
    EXPECT_EQ(field.GetAttribute(u"Name"), u"Amount") << name;
    EXPECT_EQ(field.Text(), u"12.50") << name;
    EXPECT_EQ(field.NextSibling().Name(), u"Table") << name;  // the text without "=" is no field
    const auto blobElement = content.FindChild(u"Blobs").FindChild(u"Blob");
    EXPECT_EQ(blobElement.FindChild(u"Name").Text(), u"Invoice scan") << name;
    EXPECT_EQ(blobElement.FindChild(u"Reference").Text(), reference) << name;
  }
  const auto empty = kx::platform::XmlDocument::Load(ReadText(sandbox_ / "out/doc_4711-3.xml"));
  EXPECT_FALSE(empty.DocumentElement().FindChild(u"Content").FindChild(u"Index").HasChildNodes());
}

// Dot-named documents and blobs through the whole road: embedded and by
// reference, each run to the same name taking the next free one; every
// reference of a ByRef document opens its copy by Reference + Extension.
TEST_F(Host, DotNamedDocumentsAndBlobs) {
  fs::create_directories(sandbox_ / "in");
  std::ofstream(sandbox_ / "in" / ".scan.PDF", std::ios::binary) << "%PDF-1.4 dot";
  const std::string config = "<Importfile>${SANDBOX}/out/.doc_%docid.xml</Importfile>"
                             "<CreateNewDocId>false</CreateNewDocId>";
  const std::string document = "100\n350\t4711\n500\t${SANDBOX}/in/.scan.PDF\n600\n600\n900\n";
  const Result r = RunHost("110\t<kxConfig>" + config + "</kxConfig>\n" + document +
                           "110\t<kxConfig>" + config + "<ByRef>true</ByRef></kxConfig>\n" + document);
  EXPECT_EQ(r.exit, kx::host::kAllSucceeded) << r.out << r.err;
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(sandbox_ / "out")) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{".doc_4711.xml", ".doc_4711-2.xml", ".doc_4711-3.xml",
                                          ".doc_4711-4.xml", "4711-1.pdf", "4711-1-2.pdf"}));
  for (const char* name : {".doc_4711.xml", ".doc_4711-2.xml"}) {
    const auto doc = kx::platform::XmlDocument::Load(ReadText(sandbox_ / "out" / name));
    const auto blob = doc.DocumentElement().FindChild(u"Content").FindChild(u"Blobs").FindChild(u"Blob");
    EXPECT_EQ(blob.FindChild(u"Data").Text(), u"JVBERi0xLjQgZG90") << name;
  }
  for (const char* name : {".doc_4711-3.xml", ".doc_4711-4.xml"}) {
    const auto doc = kx::platform::XmlDocument::Load(ReadText(sandbox_ / "out" / name));
    const auto blob = doc.DocumentElement().FindChild(u"Content").FindChild(u"Blobs").FindChild(u"Blob");
    const std::string copy = ToUtf8(blob.FindChild(u"Reference").Text() + blob.FindChild(u"Extension").Text());
    EXPECT_EQ(ReadText(sandbox_ / "out" / copy), "%PDF-1.4 dot") << name << " -> " << copy;
  }
}

// The README's run command: the sample document goes into the sandbox and
// every command succeeds.
TEST_F(Host, ReadmeExampleExportsOneDocument) {
  const Result r = RunHost(ReadText(Source("testdata/kxhost/example.kxs")));
  EXPECT_EQ(r.exit, kx::host::kAllSucceeded) << r.out << r.err;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(sandbox_ / "out")) files.push_back(e.path());
  ASSERT_EQ(files.size(), 1u);
  const auto doc = kx::platform::XmlDocument::Load(ReadText(files[0]));
  const auto root = doc.DocumentElement();
  EXPECT_EQ(files[0].filename().string(), "doc_" + ToUtf8(root.GetAttribute(u"Id")) + ".xml");
  EXPECT_EQ(root.GetAttribute(u"Id").size(), 32u);
  const auto content = root.FindChild(u"Content");
  EXPECT_TRUE(content.FindChild(u"Index").FindChild(u"Table"));
  EXPECT_TRUE(content.FindChild(u"Blobs").FindChild(u"Blob").FindChild(u"Data"));
}

TEST_F(Host, ExitCodesAndScriptErrors) {
  EXPECT_EQ(RunHost("101\n# comment\n\n100\n900\n").exit, kx::host::kAllSucceeded);
  EXPECT_EQ(RunHost("400\ta=b\n").exit, kx::host::kSomeFailed);
  EXPECT_EQ(RunHost("buildtest 100\n").exit, kx::host::kAllSucceeded);
  EXPECT_EQ(RunHost("buildtest 99\n101\n").exit, kx::host::kSomeFailed);  // a call like any other
  const char* bad[] = {"abc\n", "110\t\\x\n", "110\t${KX_NO_SUCH_VARIABLE}\n", "110\t\\u12\n",
                       "110\t@/no/such/file\n", "buildtest x\n"};
  for (const char* script : bad) {
    const Result r = RunHost(script);
    EXPECT_EQ(r.exit, kx::host::kUsageError) << script;
    EXPECT_NE(r.err.find("line 1"), std::string::npos) << script;
  }
  // The text must fit the buffer with its zero.
  EXPECT_EQ(RunHost("300\t12345\n", 5).exit, kx::host::kUsageError);
  EXPECT_EQ(RunHost("300\t1234\n", 5).exit, kx::host::kAllSucceeded);
  kx::host::HostOptions options;
  options.PluginPath = "/no/such/plugin.so";
  std::ostringstream out, err;
  EXPECT_EQ(kx::host::RunScript(options, "101\n", out, err), kx::host::kUsageError);
}

TEST_F(Host, ContractViolationsStopTheScript) {
  for (const char* script : {"1\n", "2\n", "3\n"}) {
    kx::host::HostOptions options;
    options.PluginPath = KX_BAD_PLUGIN_PATH;
    options.DataUnits = 64;
    options.ErrorUnits = 64;
    std::ostringstream out, err;
    EXPECT_EQ(kx::host::RunScript(options, std::string("100\n") + script + "100\n", out, err),
              kx::host::kContractViolation)
        << script;
    EXPECT_EQ(out.str().find("100 -> 0\n"), 0u) << script;
    EXPECT_EQ(out.str().rfind("100 -> 0\n"), 0u) << script;  // nothing after the violation
  }
}

TEST_F(Host, EscapesRoundTrip) {
  const std::u16string text = u"a\\b\tc\nd\re\"f\x01g\xD800h\U0001F600\u00e4";
  const std::string escaped = kx::host::EscapeForOutput(text);
  EXPECT_EQ(escaped, "a\\\\b\\tc\\nd\\re\\u0022f\\u0001g\\uD800h\xF0\x9F\x98\x80\xC3\xA4");
  std::u16string back;
  std::string error;
  ASSERT_TRUE(kx::host::UnescapeScriptText(escaped, back, error)) << error;
  EXPECT_EQ(back, text);
  ASSERT_TRUE(kx::host::UnescapeScriptText("\\$HOME ${SANDBOX}", back, error));
  EXPECT_EQ(back, u"$HOME " + ToUtf16(std::getenv("SANDBOX")));
}

// Unloading really unloads: a fresh load starts with empty state. Loading
// and unloading write nothing into the sandbox.
TEST_F(Host, ReloadGivesAFreshLibraryAndLoadingWritesNothing) {
  void* handle = dlopen(KX_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  dlclose(handle);
  EXPECT_EQ(dlopen(KX_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr);
  for (const char* folder : {"vanto", "registry", "tmp"})
    EXPECT_TRUE(fs::is_empty(sandbox_ / folder)) << folder;

  const Result r = RunHost("110\t<kxConfig><Task>t</Task></kxConfig>\n850\nreload\n850\n");
  EXPECT_EQ(r.out,
            "110 -> 0\n850 -> 0 data=\"<kxConfig><Task>t</Task></kxConfig>\"\nreload\n"
            "850 -> 0 data=\"\"\n");
}

TEST(PluginSymbols, ExactlyTwoExportsAndNoUniqueSymbols) {
  const std::string command = std::string("readelf --dyn-syms -W ") + KX_PLUGIN_PATH;
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string text;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  pclose(pipe);
  EXPECT_EQ(text.find("UNIQUE"), std::string::npos);
  EXPECT_NE(text.find(" kxWideExport"), std::string::npos);
  EXPECT_NE(text.find(" kxBuildTest"), std::string::npos);
}

}  // namespace
