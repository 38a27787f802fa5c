// Storing a blob beside the document (AddQueueBlob with Store on, as a ByRef
// export does) against "cp --reflink=never" of the same file followed by
// "sync -d" of the copy: both end with a new file whose data are on disk.
// Sizes 100 MB and 1 GB (the argument, in MB). Every run of either side
// starts alike: its target removed beforehand (outside the timing) and
// nothing dirty in flight (sync), so neither pays for freeing an old copy.
// Our copy goes through the file layer's copy_file_range, syncing while it
// copies, and never reads the file into memory; "rss_growth_MB" shows how
// much the peak resident size grew (it should stay near 0).
// Goals: at most 1.1 times the tool's time at 100 MB, 1.0 at 1 GB.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "bench/BenchRatio.h"
#include "export/kxQueueManager.h"

namespace {

std::string Folder() { return kx::bench::ScratchName("bench_queue_blob"); }

size_t Bytes(int64_t megabytes) { return static_cast<size_t>(megabytes) * 1000 * 1000; }

// The source of the given size, written once.
const std::string& SourceFile(int64_t megabytes) {
  static std::map<int64_t, std::string> files;
  auto& path = files[megabytes];
  if (path.empty()) {
    std::filesystem::create_directories(Folder());
    path = Folder() + "/scan" + std::to_string(megabytes) + ".pdf";
    std::ofstream out(path, std::ios::binary);
    const std::string block = kx::bench::PseudoRandomBytes(100u * 1000 * 1000);
    for (size_t done = 0; done < Bytes(megabytes); done += block.size())
      out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), Bytes(megabytes) - done)));
  }
  return path;
}

long PeakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// The same start for every run: no copy of an earlier run, nothing dirty.
void PrepareRun(const std::string& target) {
  std::filesystem::remove(target);
  ::sync();
}

std::string StoredCopy(int64_t) { return Folder() + "/store/ABC-1.pdf"; }

// One stored copy; false when AddQueueBlob did not store it where expected.
bool Store(int64_t megabytes) {
  TDocumentQueueRecord record;
  record.Id = TIdType("ABC");
  AddQueueBlob(record, ToUtf16(SourceFile(megabytes)), u"", ByteBuffer(), u"", u"", true,
               ToUtf16(Folder() + "/store"), u"", "", -1, -1, kxCM_None);
  return ToUtf8(record.Blobs[0].BlobLink) == StoredCopy(megabytes);
}

void BM_ByRefCopy(benchmark::State& state) {
  const int64_t megabytes = state.range(0);
  SourceFile(megabytes);
  const long before = PeakRssKb();
  for (auto _ : state) {
    state.PauseTiming();
    PrepareRun(StoredCopy(megabytes));
    state.ResumeTiming();
    if (!Store(megabytes)) state.SkipWithError("the copy is not where it belongs");
  }
  state.counters["rss_growth_MB"] = static_cast<double>(PeakRssKb() - before) / 1024.0;
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Bytes(megabytes)));
}
BENCHMARK(BM_ByRefCopy)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

std::string ToolCopy() { return Folder() + "/cp-copy.pdf"; }

void BM_CpSync(benchmark::State& state) {
  const int64_t megabytes = state.range(0);
  const std::string cmd = "cp --reflink=never '" + SourceFile(megabytes) + "' '" + ToolCopy() +
                          "' && sync -d '" + ToolCopy() + "'";
  for (auto _ : state) {
    state.PauseTiming();
    PrepareRun(ToolCopy());
    state.ResumeTiming();
    if (std::system(cmd.c_str()) != 0) state.SkipWithError(("failed: " + cmd).c_str());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Bytes(megabytes)));
}
BENCHMARK(BM_CpSync)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const int code = kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_ByRefCopy/100/real_time", "BM_CpSync/100/real_time", "cp + sync -d, 100 MB", true},
       {"BM_ByRefCopy/1000/real_time", "BM_CpSync/1000/real_time", "cp + sync -d, 1 GB", true}},
      [] {
        // The figures mean something only when our copy has the bytes that
        // cp copies.
        if (!Store(100)) return 2;
        const std::string cmd = "cp --reflink=never '" + SourceFile(100) + "' '" + ToolCopy() +
                                "' && cmp -s '" + ToolCopy() + "' '" + StoredCopy(100) + "'";
        if (std::system(cmd.c_str()) != 0) return 3;
        std::filesystem::remove(StoredCopy(100));
        return 0;
      });
  std::filesystem::remove_all(Folder());
  return code;
}
