// Reading Text into the 8-bit list: a 10 MB text of a million lines (8 to 10
// letters and CR LF each), against a plain std::string_view find loop that
// cuts the same text at its LFs and touches every line. After the table the
// program prints the list's time as a ratio to the loop's.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "BenchRatio.h"
#include "text/kxAnsiStringList.h"

namespace {

constexpr int32_t kLines = 1'000'000;

const std::string& Text() {
  static const std::string text = [] {
    std::string t;
    t.reserve(size_t{kLines} * 12);
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int32_t i = 0; i < kLines; ++i) {
      const uint32_t length = 8 + (next() >> 24) % 3;
      for (uint32_t k = 0; k < length; ++k) t.push_back(static_cast<char>('a' + (next() >> 20) % 26));
      t += "\r\n";
    }
    return t;
  }();
  return text;
}

void BM_StringViewFind(benchmark::State& state) {
  const std::string_view text = Text();
  for (auto _ : state) {
    size_t lines = 0;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1) {
      std::string_view line = text.substr(start, end - start);
      benchmark::DoNotOptimize(line);
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(state.iterations() * int64_t(Text().size()));
}
BENCHMARK(BM_StringViewFind)->Unit(benchmark::kMillisecond);

void BM_SetText(benchmark::State& state) {
  const std::string& text = Text();
  TAnsiStringList list;
  for (auto _ : state) {
    list.SetText(text);
    benchmark::DoNotOptimize(list.Count());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}
BENCHMARK(BM_SetText)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return kx::bench::RunWithRatios(
      argc, argv, {{"BM_SetText", "BM_StringViewFind", "a std::string_view find loop"}}, [] {
        TAnsiStringList check;
        check.SetText(Text());
        return check.Count() == kLines ? 0 : 2;  // else the figures mean nothing
      });
}
