// The file toolkit's tree and file operations against the standard tools on
// the same input:
//   - a tree of 10,000 small files (100 folders of 100 files of 1 KiB) copied
//     with the tree copy (CopyFile32 of "*.*" with subfolders) against
//     "cp -r";
//   - a 1 GiB file copied with CopyFile32 against "cp";
//   - the folders of a tree of 100,000 folders listed with GetPathList
//     against "find -type d";
//   - a 16 MiB file wiped with 7 passes (WipeFile, every pass of every
//     64 KiB block synced) against "shred -n 7 -u" (one sync per pass).
// Inputs are made once, below TMPDIR, and removed at the end; the sources
// are read from warm caches. Our copies never publish a target before its
// bytes are on the device (one data sync per file), which the plain tools
// do not do: the copies are therefore also measured against the tools
// followed by "sync -d" of every file they wrote, the same durability.
// After the table the program prints our times as ratios to the tools'.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchRatio.h"
#include "platform/rtl/StringList.h"
#include "system/kxFiles.h"

namespace {

namespace fs = std::filesystem;

std::string Folder() { return kx::bench::ScratchName("bench_files"); }
std::string Path(const std::string& name) { return Folder() + "/" + name; }

void Fresh(const std::string& path) {
  std::error_code ec;
  fs::remove_all(path, ec);
}

const std::string& SmallTree() {
  static const std::string root = [] {
    const std::string r = Path("small");
    const std::string bytes = kx::bench::PseudoRandomBytes(1024);
    for (int d = 0; d < 100; ++d) {
      const std::string folder = r + "/d" + std::to_string(d);
      fs::create_directories(folder);
      for (int f = 0; f < 100; ++f) std::ofstream(folder + "/f" + std::to_string(f) + ".bin", std::ios::binary) << bytes;
    }
    return r;
  }();
  return root;
}

const std::string& BigFile() {
  static const std::string path = [] {
    fs::create_directories(Folder());
    const std::string p = Path("big.bin");
    const std::string chunk = kx::bench::PseudoRandomBytes(64u << 20);
    std::ofstream out(p, std::ios::binary);
    for (int i = 0; i < 16; ++i) out << chunk;
    return p;
  }();
  return path;
}

const std::string& FolderTree() {
  static const std::string root = [] {
    const std::string r = Path("folders");
    for (int a = 0; a < 10; ++a)
      for (int b = 0; b < 100; ++b)
        for (int c = 0; c < 100; ++c)
          fs::create_directories(r + "/a" + std::to_string(a) + "/b" + std::to_string(b) + "/c" + std::to_string(c));
    return r;
  }();
  return root;
}

constexpr size_t kWipeBytes = 16u << 20;

void MakeWipeFile(const std::string& path) {
  static const std::string bytes = kx::bench::PseudoRandomBytes(kWipeBytes);
  std::ofstream(path, std::ios::binary) << bytes;
}

void Tool(benchmark::State& state, std::vector<std::string> args) {
  if (kx::bench::RunToolSeconds(std::move(args), "/dev/null") < 0) state.SkipWithError("the tool failed");
}

void BM_TreeCopy(benchmark::State& state) {
  const UnicodeString source = ToUtf16(SmallTree() + "/*.*");
  const std::string target = Path("small-copy");
  for (auto _ : state) {
    if (TkxFiles::CopyFile32(source, ToUtf16(target + "/"), true) != 10000) state.SkipWithError("copy failed");
    state.PauseTiming();
    Fresh(target);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_TreeCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_CpR(benchmark::State& state) {
  const std::string target = Path("small-cp");
  for (auto _ : state) {
    Tool(state, {"cp", "-r", SmallTree(), target});
    state.PauseTiming();
    Fresh(target);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CpR)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_CpRSynced(benchmark::State& state) {
  const std::string target = Path("small-cp");
  for (auto _ : state) {
    Tool(state, {"sh", "-c", "cp -r \"$1\" \"$2\" && find \"$2\" -type f -exec sync -d {} +", "sh",
                 SmallTree(), target});
    state.PauseTiming();
    Fresh(target);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CpRSynced)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_CopyFile32(benchmark::State& state) {
  const UnicodeString source = ToUtf16(BigFile());
  const UnicodeString target = ToUtf16(Path("big-copy.bin"));
  for (auto _ : state) {
    if (!TkxFiles::CopyFile32(source, target, 0)) state.SkipWithError("copy failed");
    state.PauseTiming();
    Fresh(Path("big-copy.bin"));
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * (int64_t{1} << 30));
}
BENCHMARK(BM_CopyFile32)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Cp(benchmark::State& state) {
  for (auto _ : state) {
    Tool(state, {"cp", BigFile(), Path("big-cp.bin")});
    state.PauseTiming();
    Fresh(Path("big-cp.bin"));
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * (int64_t{1} << 30));
}
BENCHMARK(BM_Cp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_CpSynced(benchmark::State& state) {
  for (auto _ : state) {
    Tool(state, {"sh", "-c", "cp \"$1\" \"$2\" && sync -d \"$2\"", "sh", BigFile(), Path("big-cp.bin")});
    state.PauseTiming();
    Fresh(Path("big-cp.bin"));
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * (int64_t{1} << 30));
}
BENCHMARK(BM_CpSynced)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_GetPathList(benchmark::State& state) {
  const UnicodeString root = ToUtf16(FolderTree() + "/");
  for (auto _ : state) {
    TStringList list;
    TkxFiles::GetPathList(root, list, false, true);
    if (list.Count() != 101010) state.SkipWithError("wrong count");
  }
}
BENCHMARK(BM_GetPathList)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_FindTypeD(benchmark::State& state) {
  for (auto _ : state) Tool(state, {"find", FolderTree(), "-type", "d"});
}
BENCHMARK(BM_FindTypeD)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_WipeFile(benchmark::State& state) {
  const std::string path = Path("wipe.bin");
  for (auto _ : state) {
    state.PauseTiming();
    MakeWipeFile(path);
    state.ResumeTiming();
    if (!TkxFiles::WipeFile(ToUtf16(path), 7, 1)) state.SkipWithError("wipe failed");
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kWipeBytes});
}
BENCHMARK(BM_WipeFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Shred(benchmark::State& state) {
  const std::string path = Path("shred.bin");
  for (auto _ : state) {
    state.PauseTiming();
    MakeWipeFile(path);
    state.ResumeTiming();
    Tool(state, {"shred", "-n", "7", "-u", path});
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kWipeBytes});
}
BENCHMARK(BM_Shred)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  const int code = kx::bench::RunWithRatios(argc, argv,
                                            {{"BM_TreeCopy", "BM_CpR", "cp -r", true},
                                             {"BM_TreeCopy", "BM_CpRSynced", "cp -r; sync -d", true},
                                             {"BM_CopyFile32", "BM_Cp", "cp", true},
                                             {"BM_CopyFile32", "BM_CpSynced", "cp; sync -d", true},
                                             {"BM_GetPathList", "BM_FindTypeD", "find -type d", true},
                                             {"BM_WipeFile", "BM_Shred", "shred -n 7 -u", true}});
  Fresh(Folder());
  return code;
}
