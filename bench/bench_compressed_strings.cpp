// CompressString and DecompressString on 10 MB of text-like data, against
// "gzip -9" and "gzip -d" on a file of the same bytes (the tool's run includes
// starting the process and reading the file from the page cache; the output
// goes to /dev/null). After the table the program prints each time of ours as
// a ratio to gzip's, and the compressed sizes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "BenchRatio.h"
#include "text/kxStrings_PlaceHolders.h"

namespace {

constexpr size_t kBytes = 10u << 20;

// Words of 2 to 9 letters with blanks, line breaks and digits: compresses
// roughly like configuration and document text.
const std::string& Data() {
  static const std::string data = [] {
    const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJ0123456789";
    std::string d;
    d.reserve(kBytes);
    uint32_t seed = 4711;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    while (d.size() < kBytes) {
      const uint32_t length = 2 + (next() >> 24) % 8;
      for (uint32_t i = 0; i < length; ++i) d.push_back(letters[(next() >> 20) % letters.size()]);
      d.push_back((next() >> 28) == 0 ? '\n' : ' ');
    }
    d.resize(kBytes);
    return d;
  }();
  return data;
}

std::string Folder() { return kx::bench::ScratchName("bench_compressed_strings"); }

const std::string& PlainFile() {
  static const std::string path = [] {
    const std::string p = Folder() + ".txt";
    std::ofstream(p, std::ios::binary) << Data();
    return p;
  }();
  return path;
}

const std::string& GzipFile() {
  static const std::string path = [] {
    const std::string p = Folder() + ".gz";
    const std::string cmd = "gzip -9 -c '" + PlainFile() + "' > '" + p + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "gzip failed\n");
    return p;
  }();
  return path;
}

void BM_CompressString(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(TkxStrings::CompressString(Data()));
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_CompressString)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Gzip9(benchmark::State& state) {
  const std::string cmd = "gzip -9 -c '" + PlainFile() + "' > /dev/null";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("gzip failed");
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_Gzip9)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecompressString(benchmark::State& state) {
  const std::string compressed = TkxStrings::CompressString(Data());
  for (auto _ : state) benchmark::DoNotOptimize(TkxStrings::DecompressString(compressed));
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_DecompressString)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GzipD(benchmark::State& state) {
  const std::string cmd = "gzip -d -c '" + GzipFile() + "' > /dev/null";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("gzip -d failed");
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_GzipD)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  std::string compressed;
  double gzipSize = 0;
  const int code = kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_CompressString", "BM_Gzip9", "gzip -9"},
       {"BM_DecompressString", "BM_GzipD", "gzip -d"}},
      [&] {
        compressed = TkxStrings::CompressString(Data());
        if (TkxStrings::DecompressString(compressed) != Data()) return 2;
        std::ifstream gz(GzipFile(), std::ios::binary | std::ios::ate);
        gzipSize = static_cast<double>(gz.tellg());
        return 0;
      });
  if (code != 0) return code;
  if (gzipSize > 0)
    std::printf("compressed size: %zu bytes, %.3fx the size of gzip -9's output\n",
                compressed.size(), static_cast<double>(compressed.size()) / gzipSize);
  std::remove(PlainFile().c_str());
  std::remove(GzipFile().c_str());
  return 0;
}
