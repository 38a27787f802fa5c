// Many small documents through one loaded plug-in, the way a capture host
// works: 1,000 documents of one 200 KB blob each, embedded, each its own
// export (commands 100, 500, 600, 900) in one host process that loaded
// libkxexport.so once. Against the same Base64 files written by
// "base64 -w 76" from one shell loop into a folder, followed by "sync".
// Every document of ours is on disk when its export answers (synced and
// renamed); the tool's loop syncs once at the end.
// Prints documents per second for both and the ratio of the times.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/BenchRatio.h"
#include "platform/rtl/Text.h"
#include "platform/xml/XmlDocument.h"

namespace {

namespace fs = std::filesystem;

constexpr int kDocuments = 1000;
constexpr size_t kBlobBytes = 200 * 1000;

using WideExportFn = int32_t (*)(int32_t, char16_t*, int32_t, char16_t*);

std::string Folder() { return kx::bench::ScratchName("bench_many_documents"); }
std::string BlobFolder() { return Folder() + "/blobs"; }
std::string OutFolder() { return Folder() + "/out"; }

std::string BlobName(int i) { return BlobFolder() + "/scan" + std::to_string(10000 + i) + ".pdf"; }

void WriteBlobs() {
  static bool written = false;
  if (written) return;
  fs::create_directories(BlobFolder());
  const std::string bytes = kx::bench::PseudoRandomBytes(kBlobBytes * 4);
  for (int i = 0; i < kDocuments; ++i)
    std::ofstream(BlobName(i), std::ios::binary)
        .write(bytes.data() + (i % 4) * kBlobBytes, static_cast<std::streamsize>(kBlobBytes));
  written = true;
}

// The same start for each run: an empty output folder, nothing dirty.
void PrepareRun() {
  fs::remove_all(OutFolder());
  fs::create_directories(OutFolder());
  ::sync();
}

class Plugin {
 public:
  Plugin() {
    handle_ = dlopen(KX_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (handle_ != nullptr) wide_ = reinterpret_cast<WideExportFn>(dlsym(handle_, "kxWideExport"));
  }
  ~Plugin() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  bool Loaded() const { return wide_ != nullptr; }
  int32_t Call(int32_t command, const std::string& text = "") {
    std::u16string data = ToUtf16(text);
    data.resize(data.size() + 1024, u'\0');
    error_.assign(4096, u'\0');
    return wide_(command, data.data(), 0, error_.data());
  }
  std::string Error() const { return ToUtf8(std::u16string(error_.c_str())); }

 private:
  void* handle_ = nullptr;
  WideExportFn wide_ = nullptr;
  std::u16string error_;
};

// All documents through the plug-in; false with the first error.
bool ExportAll(Plugin& plugin, std::string& error) {
  if (plugin.Call(110, "<kxConfig><Importfile>" + OutFolder() +
                           "/doc_%docid.xml</Importfile><CreateNewDocId>true</CreateNewDocId></kxConfig>") != 0) {
    error = plugin.Error();
    return false;
  }
  for (int i = 0; i < kDocuments; ++i) {
    if (plugin.Call(100) != 0 || plugin.Call(500, BlobName(i)) != 0 || plugin.Call(600) != 0 ||
        plugin.Call(900) != 0) {
      error = plugin.Error();
      return false;
    }
  }
  return true;
}

const std::string& ToolLoop() {
  static const std::string cmd = "sh -c 'for f in \"" + BlobFolder() + "\"/*; do base64 -w 76 \"$f\" > \"" +
                                 OutFolder() + "/${f##*/}.b64\"; done; sync'";
  return cmd;
}

void BM_PluginDocuments(benchmark::State& state) {
  WriteBlobs();
  Plugin plugin;
  if (!plugin.Loaded()) {
    state.SkipWithError("cannot load the plug-in");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    PrepareRun();
    state.ResumeTiming();
    std::string error;
    if (!ExportAll(plugin, error)) state.SkipWithError(error.c_str());
  }
  state.counters["documents_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kDocuments), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PluginDocuments)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Base64Loop(benchmark::State& state) {
  WriteBlobs();
  for (auto _ : state) {
    state.PauseTiming();
    PrepareRun();
    state.ResumeTiming();
    if (std::system(ToolLoop().c_str()) != 0) state.SkipWithError("the shell loop failed");
  }
  state.counters["documents_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kDocuments), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Base64Loop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The figures mean something only when each document embeds the Base64
// text that the tool writes for its blob.
int Check() {
  WriteBlobs();
  PrepareRun();
  {
    Plugin plugin;
    std::string error;
    if (!plugin.Loaded() || plugin.Call(110, "<kxConfig><Importfile>" + OutFolder() +
                                                 "/doc.xml</Importfile></kxConfig>") != 0 ||
        plugin.Call(100) != 0 || plugin.Call(500, BlobName(1)) != 0 || plugin.Call(600) != 0)
      return 2;
  }
  const std::string tool = Folder() + "/check.b64";
  if (std::system(("base64 -w 76 '" + BlobName(1) + "' > '" + tool + "'").c_str()) != 0) return 3;
  const auto doc = kx::platform::XmlDocument::Load(ReadAll(OutFolder() + "/doc.xml"));
  std::string ours = ToUtf8(doc.DocumentElement().FindChild(u"Content").FindChild(u"Blobs")
                                .FindChild(u"Blob").FindChild(u"Data").Text());
  std::string lines;
  for (char c : ours)
    if (c != '\r') lines += c;
  return lines + "\n" == ReadAll(tool) ? 0 : 4;
}

}  // namespace

int main(int argc, char** argv) {
  const int code = kx::bench::RunWithRatios(
      argc, argv, {{"BM_PluginDocuments", "BM_Base64Loop", "base64 -w 76 loop + sync", true}}, Check);
  fs::remove_all(Folder());
  return code;
}
