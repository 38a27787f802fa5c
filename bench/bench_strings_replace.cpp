// Replacing in a 10 MB text against sed, and filtering by a character set
// against tr -d, on the same text. The text is words with some non-ASCII
// letters; the search word "lorem" occurs about every 100 bytes, also as
// "LOREM" for the case-insensitive runs.
//
// The tools run as child processes on a file holding the text in UTF-8
// (output to /dev/null), so their figures include starting the process (a
// millisecond or two); ours run in memory on the UTF-16 (ReplaceW,
// ApplyTkxCharset) or UTF-8 (ReplaceA) text. After the table the program
// prints each of our times as a ratio to its tool's.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "BenchRatio.h"
#include "platform/rtl/Text.h"
#include "text/kxStrings_Convert.h"
#include "text/kxStrings_Replace.h"

namespace {

constexpr size_t kBytes = size_t{10} << 20;

const std::string& Utf8Text() {
  static const std::string text = [] {
    static const char* const kWords[] = {"alpha", "beta", "gamma", "Größe", "delta", "éclair",
                                         "omega", "sigma", "tau", "kappa", "mu", "zeta"};
    std::string t;
    t.reserve(kBytes + 16);
    uint32_t seed = 4711;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    while (t.size() < kBytes) {
      const uint32_t r = next() >> 24;
      if (r < 12)
        t += r % 2 ? "lorem" : "LOREM";
      else
        t += kWords[(next() >> 20) % 12];
      t += (r & 3) == 0 ? ",\n" : " ";
    }
    return t;
  }();
  return text;
}

const UnicodeString& Utf16Text() {
  static const UnicodeString text = ToUtf16(Utf8Text());
  return text;
}

const std::string& TextFile() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    std::string p = std::string(dir && *dir ? dir : "/tmp") + "/kx_bench_replace_" +
                    std::to_string(::getpid()) + ".txt";
    std::ofstream(p, std::ios::binary) << Utf8Text();
    return p;
  }();
  return path;
}

// Times one run of a shell command; the benchmark reports that time.
void RunTool(benchmark::State& state, const std::string& command) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError(("failed: " + command).c_str());
      return;
    }
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(Utf8Text().size()));
}

void BM_Sed(benchmark::State& state) {
  RunTool(state, "LC_ALL=C sed 's/lorem/ipsum dolor/g' '" + TextFile() + "' >/dev/null");
}
BENCHMARK(BM_Sed)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_SedIgnoreCase(benchmark::State& state) {
  RunTool(state, "LC_ALL=C sed 's/lorem/ipsum dolor/gI' '" + TextFile() + "' >/dev/null");
}
BENCHMARK(BM_SedIgnoreCase)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_TrDelete(benchmark::State& state) {
  RunTool(state, "LC_ALL=C tr -d ' ,\\n' <'" + TextFile() + "' >/dev/null");
}
BENCHMARK(BM_TrDelete)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ReplaceW(benchmark::State& state) {
  const UnicodeString& text = Utf16Text();
  for (auto _ : state) benchmark::DoNotOptimize(TkxStrings::ReplaceW(text, u"lorem", u"ipsum dolor"));
  state.SetBytesProcessed(state.iterations() * int64_t(Utf8Text().size()));
}
BENCHMARK(BM_ReplaceW)->Unit(benchmark::kMillisecond);

void BM_ReplaceW_IgnoreCase(benchmark::State& state) {
  const UnicodeString& text = Utf16Text();
  for (auto _ : state)
    benchmark::DoNotOptimize(TkxStrings::ReplaceW(text, u"lorem", u"ipsum dolor", true));
  state.SetBytesProcessed(state.iterations() * int64_t(Utf8Text().size()));
}
BENCHMARK(BM_ReplaceW_IgnoreCase)->Unit(benchmark::kMillisecond);

void BM_ReplaceA(benchmark::State& state) {
  const std::string& text = Utf8Text();
  for (auto _ : state)
    benchmark::DoNotOptimize(TkxStrings::ReplaceA(text, "lorem", "ipsum dolor", false));
  state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}
BENCHMARK(BM_ReplaceA)->Unit(benchmark::kMillisecond);

void BM_ApplyTkxCharset(benchmark::State& state) {
  const UnicodeString& text = Utf16Text();
  const TkxCharSet set = TkxStrings::TkxCharSetOf(u" ,\n");
  for (auto _ : state) benchmark::DoNotOptimize(TkxStrings::ApplyTkxCharset(text, set, true));
  state.SetBytesProcessed(state.iterations() * int64_t(Utf8Text().size()));
}
BENCHMARK(BM_ApplyTkxCharset)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const int code = kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_ReplaceW", "BM_Sed", "sed s///g"},
       {"BM_ReplaceW_IgnoreCase", "BM_SedIgnoreCase", "sed s///gI"},
       {"BM_ReplaceA", "BM_Sed", "sed s///g"},
       {"BM_ApplyTkxCharset", "BM_TrDelete", "tr -d"}},
      [] {
        // The same substitution must give the same text as sed would: one pass,
        // every "lorem" replaced (the figures would mean nothing otherwise).
        const bool same = TkxStrings::ReplaceA(Utf8Text(), "lorem", "ipsum dolor", false) ==
                          ToUtf8(TkxStrings::ReplaceW(Utf16Text(), u"lorem", u"ipsum dolor"));
        return same ? 0 : 2;
      });
  if (code == 0) std::remove(TextFile().c_str());
  return code;
}
