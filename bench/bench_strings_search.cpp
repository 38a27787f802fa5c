// PosW on a text of 1 Mi UTF-16 units (2 MB), with and without IgnoreCase,
// against std::u16string_view::find on the same text. The needle stands only
// at the very end and its first letter nowhere else, so every run scans the
// whole text. After the table the program prints each PosW time as a ratio to
// the find time.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "BenchRatio.h"
#include "text/kxStrings_Search.h"

namespace {

constexpr size_t kUnits = size_t{1} << 20;

// Words of 2 to 9 letters from "a"-"y" with some upper case and some
// non-ASCII letters, then the needle "zebrafish".
const UnicodeString& Text() {
  static const UnicodeString text = [] {
    const std::u16string_view letters = u"abcdefghijklmnopqrstuvwxyABCDEFGHIJKLMNOPQRSTUVWXYäöüéÄÖÜ";
    UnicodeString t;
    t.reserve(kUnits);
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    while (t.size() < kUnits - 32) {
      const uint32_t length = 2 + (next() >> 24) % 8;
      for (uint32_t i = 0; i < length; ++i) t.push_back(letters[(next() >> 20) % letters.size()]);
      t.push_back(u' ');
    }
    t.append(u"zebrafish");
    return t;
  }();
  return text;
}

const UnicodeString kNeedle = u"zebrafish";
const UnicodeString kUpperNeedle = u"ZEBRAFISH";

void BM_StdFind(benchmark::State& state) {
  const std::u16string_view text = Text();
  for (auto _ : state) benchmark::DoNotOptimize(text.find(kNeedle));
  state.SetBytesProcessed(state.iterations() * int64_t(Text().size() * sizeof(char16_t)));
}
BENCHMARK(BM_StdFind)->Unit(benchmark::kMicrosecond);

void BM_PosW(benchmark::State& state) {
  const UnicodeString& text = Text();
  for (auto _ : state) benchmark::DoNotOptimize(TkxStrings::PosW(text, kNeedle, 1, false));
  state.SetBytesProcessed(state.iterations() * int64_t(text.size() * sizeof(char16_t)));
}
BENCHMARK(BM_PosW)->Unit(benchmark::kMicrosecond);

void BM_PosW_IgnoreCase(benchmark::State& state) {
  const UnicodeString& text = Text();
  for (auto _ : state) benchmark::DoNotOptimize(TkxStrings::PosW(text, kUpperNeedle, 1, true));
  state.SetBytesProcessed(state.iterations() * int64_t(text.size() * sizeof(char16_t)));
}
BENCHMARK(BM_PosW_IgnoreCase)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_PosW", "BM_StdFind", "std::u16string_view::find"},
       {"BM_PosW_IgnoreCase", "BM_StdFind", "std::u16string_view::find"}},
      [] {
        // The setup must find the needle at the end, else the figures mean nothing.
        const int32_t atEnd = int32_t(Text().size() - kNeedle.size() + 1);
        return TkxStrings::PosW(Text(), kUpperNeedle, 1, true) == atEnd ? 0 : 2;
      });
}
