// Zipping a 100 MB document with AddFileToZip against "zip -q -j" on the
// same file. Both deflate at the default level; the tool's run includes
// starting the process and reading the file from the page cache. The
// document is XML text with Base64 blobs, as an export writes it, so it
// compresses about as well as the real thing.
// After the table the program prints our time as a ratio to the tool's, and
// the speed ratio (the tool's time over ours; 1.0 or more means at least as
// fast).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchRatio.h"
#include "system/kxBase64.h"
#include "system/kxFiles.h"

namespace {

constexpr size_t kBytes = 100u * 1000 * 1000;

std::string Folder() { return kx::bench::ScratchName("bench_zip"); }

const std::string& Document() {
  static const std::string path = [] {
    // Each blob is the next 3 KiB of the shared pseudo-random bytes (the
    // document needs about 60 MB of them; the pool is never reused within
    // deflate's reach).
    constexpr size_t kBlob = 3 * 1024;
    const std::string random = kx::bench::PseudoRandomBytes(kBytes);
    size_t next = 0;
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<document>";
    for (int record = 0; doc.size() < kBytes; ++record) {
      doc += "<field name=\"Invoice\">" + std::to_string(record * 7919) + "</field><field name=\"Customer\">Customer " +
             std::to_string(record % 997) + "</field>";
      if (record % 8 == 0) {
        if (next + kBlob > random.size()) next = 0;
        doc += "<blob name=\"page.tif\">" + TkxBase64::StrToBase64(random.substr(next, kBlob), true) + "</blob>";
        next += kBlob;
      }
    }
    doc.resize(kBytes);
    const std::string p = Folder() + ".xml";
    std::ofstream(p, std::ios::binary) << doc;
    return p;
  }();
  return path;
}

std::string OurZip() { return Folder() + ".ours.zip"; }
std::string ToolZip() { return Folder() + ".tool.zip"; }

void BM_AddFileToZip(benchmark::State& state) {
  for (auto _ : state) {
    std::remove(OurZip().c_str());
    if (!TkxFiles::AddFileToZip(Document(), OurZip(), "")) state.SkipWithError("AddFileToZip failed");
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_AddFileToZip)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ZipTool(benchmark::State& state) {
  const std::string cmd = "zip -q -j '" + ToolZip() + "' '" + Document() + "'";
  for (auto _ : state) {
    std::remove(ToolZip().c_str());
    if (std::system(cmd.c_str()) != 0) state.SkipWithError(("failed: " + cmd).c_str());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_ZipTool)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const int code = kx::bench::RunWithRatios(
      argc, argv, {{"BM_AddFileToZip", "BM_ZipTool", "zip -q", true}}, [] {
        // The figures mean something only when both archives hold the document.
        std::remove(OurZip().c_str());
        if (!TkxFiles::AddFileToZip(Document(), OurZip(), "")) return 2;
        if (std::system(("unzip -p '" + OurZip() + "' | cmp -s - '" + Document() + "'").c_str()) != 0)
          return 3;
        return 0;
      });
  std::remove(Document().c_str());
  std::remove(OurZip().c_str());
  std::remove(ToolZip().c_str());
  return code;
}
