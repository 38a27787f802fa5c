// GetAllRegExResults with "\d+" on a 10 MB text (lines of words and
// numbers), against "pcre2grep -o" with the same pattern on a file of the
// same text; pcre2grep's run includes starting the process and reading the
// file from the page cache, its output goes to /dev/null. Ours works on the
// UTF-16 text in memory and fills a string list.
//
// The pattern cache: the same text cut into its 155,000-odd lines, one call
// per line, once with the one pattern (compiled once, then found in the
// cache) and once with a pattern text that differs in every call (a comment
// with the call's number, so every call compiles), against pcre2grep on the
// file of those lines.
//
// After the table the program prints our times as ratios to pcre2grep's and
// the cached calls' as a ratio to the compiling ones.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "text/kxStrings_RegEx.h"

namespace {

constexpr size_t kBytes = 10u * 1000 * 1000;

// Words of letters, amounts like "1.234,56", ids like "RE-2021-0042" and
// dates, 40 to 100 characters per line.
const std::string& Text() {
  static const std::string text = kx::bench::PseudoRandomLines(kBytes, [](auto& next) {
    const char* const words[] = {"Rechnung", "vom", "Betrag", "EUR", "Menge", "St\xC3\xBC" "ck",
                                 "Datum", "und", "Nr.", "net"};
    switch (next() % 4) {
      case 0: return std::to_string(next() % 100000);
      case 1: return std::to_string(next() % 10000) + "," + std::to_string(next() % 100);
      case 2: return "RE-2021-" + std::to_string(next() % 10000);
      default: return std::string(words[next() % std::size(words)]);
    }
  });
  return text;
}

const UnicodeString& WideText() {
  static const UnicodeString text = ToUtf16(Text());
  return text;
}

const std::vector<UnicodeString>& Lines() {
  static const std::vector<UnicodeString> lines = [] {
    std::vector<UnicodeString> l;
    size_t at = 0;
    const UnicodeString& t = WideText();
    while (at < t.size()) {
      size_t end = t.find(u'\n', at);
      if (end == UnicodeString::npos) end = t.size();
      l.push_back(t.substr(at, end - at));
      at = end + 1;
    }
    return l;
  }();
  return lines;
}

const std::string& TextFile() {
  static const std::string path = [] {
    const std::string p = kx::bench::ScratchName("bench_regex") + ".txt";
    std::ofstream(p, std::ios::binary) << Text();
    return p;
  }();
  return path;
}

void BM_GetAllRegExResults(benchmark::State& state) {
  for (auto _ : state) {
    TStringList results;
    TkxStrings::GetAllRegExResults(WideText(), u"\\d+", results);
    benchmark::DoNotOptimize(results.Count());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(Text().size()));
}
BENCHMARK(BM_GetAllRegExResults)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Pcre2grep(benchmark::State& state) {
  const std::string cmd = "pcre2grep -o '\\d+' '" + TextFile() + "' > /dev/null";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError(("failed: " + cmd).c_str());
  state.SetBytesProcessed(state.iterations() * int64_t(Text().size()));
}
BENCHMARK(BM_Pcre2grep)->Unit(benchmark::kMillisecond)->UseRealTime();

// Each line's numbers go into a list emptied before the call, so that the
// per-call cost shows rather than the growth of one long list.
void BM_PerLine_Cached(benchmark::State& state) {
  TStringList results;
  for (auto _ : state)
    for (const UnicodeString& line : Lines()) {
      results.Clear();
      TkxStrings::GetAllRegExResults(line, u"\\d+", results);
    }
}
BENCHMARK(BM_PerLine_Cached)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PerLine_Compiling(benchmark::State& state) {
  std::vector<UnicodeString> patterns;
  for (size_t i = 0; i < Lines().size(); ++i)
    patterns.push_back(u"\\d+(?#" + ToUtf16(std::to_string(i)) + u")");
  TStringList results;
  for (auto _ : state)
    for (size_t i = 0; i < Lines().size(); ++i) {
      results.Clear();
      TkxStrings::GetAllRegExResults(Lines()[i], patterns[i], results);
    }
}
BENCHMARK(BM_PerLine_Compiling)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const int code = kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_GetAllRegExResults", "BM_Pcre2grep", "pcre2grep -o", true},
       {"BM_PerLine_Cached", "BM_Pcre2grep", "pcre2grep -o", true},
       {"BM_PerLine_Cached", "BM_PerLine_Compiling", "compiling every call", true}},
      [] {
        // The figures mean something only when both find the same numbers.
        TStringList ours;
        TkxStrings::GetAllRegExResults(WideText(), u"\\d+", ours);
        const std::string out = kx::bench::ScratchName("bench_regex") + ".out";
        const std::string cmd = "pcre2grep -o '\\d+' '" + TextFile() + "' > '" + out + "'";
        if (std::system(cmd.c_str()) != 0) {
          std::fprintf(stderr, "pcre2grep is needed (scripts/setup installs pcre2-utils)\n");
          return 2;
        }
        std::ifstream in(out);
        std::string line;
        int32_t n = 0;
        bool same = true;
        while (std::getline(in, line)) same = same && n < ours.Count() && ToUtf8(ours.Get(n++)) == line;
        std::remove(out.c_str());
        std::printf("%d numbers in %zu lines\n", ours.Count(), Lines().size());
        return same && n == ours.Count() ? 0 : 3;
      });
  std::remove(TextFile().c_str());
  return code;
}
