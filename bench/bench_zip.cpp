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
#include <map>
#include <string>
#include <vector>

#include "system/kxBase64.h"
#include "system/kxFiles.h"

namespace {

constexpr size_t kBytes = 100u * 1000 * 1000;

std::string Folder() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp ? tmp : "/tmp") + "/bench_zip." + std::to_string(::getpid());
}

const std::string& Document() {
  static const std::string path = [] {
    std::string blob(3 * 1024, '\0');
    uint64_t seed = 4711;
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<document>";
    for (int record = 0; doc.size() < kBytes; ++record) {
      doc += "<field name=\"Invoice\">" + std::to_string(record * 7919) + "</field><field name=\"Customer\">Customer " +
             std::to_string(record % 997) + "</field>";
      if (record % 8 == 0) {
        for (char& c : blob) {
          seed = seed * 6364136223846793005u + 1442695040888963407u;
          c = static_cast<char>(seed >> 33);
        }
        doc += "<blob name=\"page.tif\">" + TkxBase64::StrToBase64(blob, true) + "</blob>";
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

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs)
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "mean")
        times_[run.run_name.function_name] = run.GetAdjustedRealTime();
  }
  void PrintRatios() const {
    const auto a = times_.find("BM_AddFileToZip");
    const auto b = times_.find("BM_ZipTool");
    if (a != times_.end() && b != times_.end() && a->second > 0 && b->second > 0)
      std::printf("%-16s %5.2fx the time of %-10s speed ratio %5.2f\n", "BM_AddFileToZip", a->second / b->second,
                  "zip -q", b->second / a->second);
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // The figures mean something only when both archives hold the document.
  std::remove(OurZip().c_str());
  if (!TkxFiles::AddFileToZip(Document(), OurZip(), "")) return 2;
  if (std::system(("unzip -p '" + OurZip() + "' | cmp -s - '" + Document() + "'").c_str()) != 0) return 3;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  std::remove(Document().c_str());
  std::remove(OurZip().c_str());
  std::remove(ToolZip().c_str());
  benchmark::Shutdown();
  return 0;
}
