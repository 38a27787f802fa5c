// bench/bench_types.cpp — the value text, written and read for every field
// and table cell of a document, stated as ratios against the standard
// library's number conversions on the same values:
//   VarToStrExt against std::to_chars (integers in decimal, doubles in fixed
//   notation with seven decimals, dates as their day number, texts copied);
//   StrToVarExt against std::from_chars on those texts (texts copied).
// A million values: integers, doubles, dates with and without a time, plain
// texts and, for the reader, date texts that no format reads.
// The value text does more than the baseline (UTF-16, trailing zeros, the
// calendar, several date formats, the platform's grammar), so the ratio shows
// what those rules cost, not a target.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"
#include "system/kxTypes.h"

namespace {

constexpr size_t kCount = 1'000'000;

enum Kind { kInteger, kDouble, kDate, kText, kBadDate };

// Fixed notation with seven decimals into buf (64 bytes); the end.
char* FixedText(char* buf, double v) {
  return std::to_chars(buf, buf + 64, v, std::chars_format::fixed, 7).ptr;
}

struct Inputs {
  std::vector<Kind> kinds;
  std::vector<Variant> values;          // for the writer
  std::vector<int64_t> integers;        // the baseline's numbers, by index
  std::vector<double> doubles;
  std::vector<UnicodeString> texts;     // the reader's input
  std::vector<TVarType> codes;          // the type code asked for
  std::vector<std::string> narrow;      // the baseline's input
};

const Inputs& Values() {
  static const Inputs in = [] {
    Inputs t;
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> amount(-100000.0, 100000.0);
    std::uniform_int_distribution<int> days(20000, 60000);
    for (size_t k = 0; k < kCount; ++k) {
      const int slot = static_cast<int>(k % 10);
      const Kind kind = slot < 3 ? kInteger : slot < 6 ? kDouble : slot < 8 ? kDate
                                                         : slot == 8 ? kText : kBadDate;
      t.kinds.push_back(kind);
      Variant v;
      int64_t i = 0;
      double d = 0.0;
      TVarType code = varUString;
      char buf[64];
      std::string narrow;
      switch (kind) {
        case kInteger:
          i = static_cast<int64_t>(rng() % 2000000) - 1000000;
          v = Variant::FromInteger(static_cast<int32_t>(i));
          code = varInteger;
          narrow.assign(buf, std::to_chars(buf, buf + sizeof buf, i).ptr);
          break;
        case kDouble:
          d = static_cast<double>(static_cast<int64_t>(amount(rng) * 100)) / 100;
          v = Variant::FromDouble(d);
          code = varDouble;
          narrow.assign(buf, FixedText(buf, d));
          break;
        case kDate:
          // Half of them with a time of day in whole seconds.
          d = days(rng) + (k % 2 == 0 ? static_cast<double>(rng() % 86400) / 86400 : 0.0);
          v = Variant::FromDate(TDateTime(d));
          code = varDate;
          narrow.assign(buf, std::to_chars(buf, buf + sizeof buf, d).ptr);
          break;
        case kText:
          v = Variant::FromUString(u"Invoice " + ToUtf16(std::to_string(k)));
          narrow = "Invoice " + std::to_string(k);
          break;
        case kBadDate:
          v = Variant::FromUString(k % 20 == 9 ? u"n/a" : u"99-99-2024");
          code = varDate;
          narrow = ToUtf8(VarToStr(v));
          break;
      }
      t.values.push_back(v);
      t.integers.push_back(i);
      t.doubles.push_back(d);
      t.texts.push_back(kind == kBadDate ? VarToStr(v) : TkxTypes::VarToStrExt(v));
      t.codes.push_back(code);
      t.narrow.push_back(narrow);
    }
    return t;
  }();
  return in;
}

void BM_VarToStrExt(benchmark::State& state) {
  const auto& in = Values();
  for (auto _ : state)
    for (const auto& v : in.values) benchmark::DoNotOptimize(TkxTypes::VarToStrExt(v));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kCount));
}
BENCHMARK(BM_VarToStrExt)->Unit(benchmark::kMillisecond);

void BM_ToChars(benchmark::State& state) {
  const auto& in = Values();
  for (auto _ : state)
    for (size_t k = 0; k < kCount; ++k) {
      char buf[64];
      std::string s;
      switch (in.kinds[k]) {
        case kInteger:
          s.assign(buf, std::to_chars(buf, buf + sizeof buf, in.integers[k]).ptr);
          break;
        case kDouble: s.assign(buf, FixedText(buf, in.doubles[k])); break;
        case kDate: s.assign(buf, std::to_chars(buf, buf + sizeof buf, in.doubles[k]).ptr); break;
        default: s = in.narrow[k]; break;
      }
      benchmark::DoNotOptimize(s);
    }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kCount));
}
BENCHMARK(BM_ToChars)->Unit(benchmark::kMillisecond);

void BM_StrToVarExt(benchmark::State& state) {
  const auto& in = Values();
  for (auto _ : state)
    for (size_t k = 0; k < kCount; ++k)
      benchmark::DoNotOptimize(TkxTypes::StrToVarExt(in.texts[k], in.codes[k]));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kCount));
}
BENCHMARK(BM_StrToVarExt)->Unit(benchmark::kMillisecond);

void BM_FromChars(benchmark::State& state) {
  const auto& in = Values();
  for (auto _ : state)
    for (size_t k = 0; k < kCount; ++k) {
      const std::string& s = in.narrow[k];
      switch (in.kinds[k]) {
        case kInteger: {
          int64_t v = 0;
          std::from_chars(s.data(), s.data() + s.size(), v);
          benchmark::DoNotOptimize(v);
          break;
        }
        case kText: {
          std::string copy = s;
          benchmark::DoNotOptimize(copy);
          break;
        }
        default: {  // doubles, dates as day numbers, unreadable dates (fail)
          double v = 0.0;
          std::from_chars(s.data(), s.data() + s.size(), v);
          benchmark::DoNotOptimize(v);
          break;
        }
      }
    }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kCount));
}
BENCHMARK(BM_FromChars)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_VarToStrExt", "BM_ToChars", "std::to_chars"},
       {"BM_StrToVarExt", "BM_FromChars", "std::from_chars"}},
      [] {
        // The reader must give back what the writer wrote before its speed counts.
        const auto& in = Values();
        for (size_t k = 0; k < 1000; ++k) {
          if (in.kinds[k] == kBadDate) continue;
          const Variant back = TkxTypes::StrToVarExt(in.texts[k], in.codes[k]);
          if (TkxTypes::VarToStrExt(back) != in.texts[k]) {
            std::fputs("StrToVarExt does not read back what VarToStrExt wrote\n", stderr);
            return 1;
          }
        }
        return 0;
      });
}
