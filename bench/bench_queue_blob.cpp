// Storing a 100 MB blob beside the document (AddQueueBlob with Store on)
// against "cp --reflink=never" of the same file. Our copy goes through the
// file layer's copy_file_range and never reads the file into memory; the
// counter "rss_growth_MB" shows how much the process's peak resident size
// grew while the benchmark ran (it should stay near 0).
// After the table the program prints our time as a ratio to cp's.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchRatio.h"
#include "export/kxQueueManager.h"

namespace {

constexpr size_t kBytes = 100u * 1000 * 1000;

std::string Folder() { return kx::bench::ScratchName("bench_queue_blob"); }

const std::string& SourceFile() {
  static const std::string path = [] {
    std::filesystem::create_directories(Folder());
    const std::string p = Folder() + "/scan.pdf";
    std::ofstream(p, std::ios::binary) << kx::bench::PseudoRandomBytes(kBytes);
    return p;
  }();
  return path;
}

long PeakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

void BM_AddQueueBlobStore(benchmark::State& state) {
  const UnicodeString source = ToUtf16(SourceFile());
  const UnicodeString store = ToUtf16(Folder() + "/store");
  const long before = PeakRssKb();
  for (auto _ : state) {
    TDocumentQueueRecord record;
    record.Id = TIdType("ABC");
    AddQueueBlob(record, source, u"", ByteBuffer(), u"", u"", true, store, u"", "", -1, -1,
                 kxCM_None);
    state.PauseTiming();
    // The same name each time: a copy left there would make the next one a free name.
    std::filesystem::remove(ToUtf8(record.Blobs[0].BlobLink));
    state.ResumeTiming();
  }
  state.counters["rss_growth_MB"] = static_cast<double>(PeakRssKb() - before) / 1024.0;
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_AddQueueBlobStore)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Cp(benchmark::State& state) {
  const std::string cmd =
      "cp --reflink=never '" + SourceFile() + "' '" + Folder() + "/cp-copy.pdf'";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError(("failed: " + cmd).c_str());
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_Cp)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const int code = kx::bench::RunWithRatios(
      argc, argv, {{"BM_AddQueueBlobStore", "BM_Cp", "cp --reflink=never", true}});
  std::filesystem::remove_all(Folder());
  return code;
}
