// bench/bench_conversion.cpp — the number conversions on the hot path of the
// export, stated as ratios against the standard library on the same input:
//   StrToInt against std::from_chars (integer texts of field pages, table
//   positions, ports and configuration values);
//   FloatToStr(v, 7, 2) against std::to_chars in fixed notation with seven
//   decimals (the value texts of documents).
// StrToInt reads UTF-16 and checks the platform's grammar first; FloatToStr
// rounds the decimal digits half up and trims zeros, so neither can match the
// baseline, but the ratio shows what those rules cost.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "platform/rtl/Text.h"
#include "text/kxConversion.h"

namespace {

struct IntTexts {
  std::vector<std::string> narrow;
  std::vector<UnicodeString> wide;
};

const IntTexts& IntegerInputs() {
  static const IntTexts texts = [] {
    IntTexts t;
    std::mt19937_64 rng(42);
    for (int k = 0; k < 1000; ++k) {
      // Mostly small numbers, as pages and positions are; some long ones.
      const int64_t v = k % 10 == 0 ? static_cast<int64_t>(rng())
                                    : static_cast<int64_t>(rng() % 100000) - 50000;
      char buf[24];
      const auto r = std::to_chars(buf, buf + sizeof buf, v);
      t.narrow.emplace_back(buf, r.ptr);
      t.wide.push_back(ToUtf16(t.narrow.back()));
    }
    return t;
  }();
  return texts;
}

const std::vector<double>& FloatInputs() {
  static const std::vector<double> values = [] {
    std::vector<double> v;
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> amount(-100000.0, 100000.0);
    for (int k = 0; k < 1000; ++k) {
      const double a = amount(rng);
      // Amounts with cents, and values with many digits.
      v.push_back(k % 2 == 0 ? static_cast<double>(static_cast<int64_t>(a * 100)) / 100 : a);
    }
    return v;
  }();
  return values;
}

void BM_kxStrToInt(benchmark::State& state) {
  const auto& in = IntegerInputs().wide;
  for (auto _ : state)
    for (const auto& s : in) benchmark::DoNotOptimize(TkxConversion::StrToInt(s, -1));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(in.size()));
}
BENCHMARK(BM_kxStrToInt);

void BM_FromChars(benchmark::State& state) {
  const auto& in = IntegerInputs().narrow;
  for (auto _ : state)
    for (const auto& s : in) {
      int64_t v = -1;
      std::from_chars(s.data(), s.data() + s.size(), v);
      benchmark::DoNotOptimize(v);
    }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(in.size()));
}
BENCHMARK(BM_FromChars);

void BM_kxFloatToStr(benchmark::State& state) {
  const auto& in = FloatInputs();
  for (auto _ : state)
    for (double v : in) benchmark::DoNotOptimize(TkxConversion::FloatToStr(v, 7, 2));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(in.size()));
}
BENCHMARK(BM_kxFloatToStr);

void BM_ToChars(benchmark::State& state) {
  const auto& in = FloatInputs();
  for (auto _ : state)
    for (double v : in) {
      // The same output kind: an 8-bit string per value.
      char buf[64];
      const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 7);
      std::string s(buf, r.ptr);
      benchmark::DoNotOptimize(s);
    }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(in.size()));
}
BENCHMARK(BM_ToChars);

}  // namespace

int main(int argc, char** argv) {
  return kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_kxStrToInt", "BM_FromChars", "std::from_chars"},
       {"BM_kxFloatToStr", "BM_ToChars", "std::to_chars fixed 7"}},
      [] {
        // Both sides must agree before their speeds are worth comparing.
        const auto& ints = IntegerInputs();
        for (size_t k = 0; k < ints.narrow.size(); ++k) {
          int64_t v = 0;
          std::from_chars(ints.narrow[k].data(), ints.narrow[k].data() + ints.narrow[k].size(), v);
          if (TkxConversion::StrToInt(ints.wide[k], -1) != v) {
            std::fputs("StrToInt disagrees with std::from_chars\n", stderr);
            return 1;
          }
        }
        return 0;
      });
}
