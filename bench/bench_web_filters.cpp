// XSSProtection's cost per byte of request text at 1 MB against 10 KB: one
// call on 1,000,000 characters against 100 calls on 10,000-character slices
// of the same text, so both process the same bytes and the ratio of their
// times is the ratio of their costs per byte (goal: at most 2x, i.e. the
// filter is linear in the text's length). The text is form data without an
// attack word but with the characters every pass looks at: references such
// as "&#35;" and "#x41", runs of zeros, ";", "&", and the characters that
// quoting replaces; each call detects and quotes (short word list).
// The same split for a plain pass (one copy of the text with one unit
// changed, made into a second string) shows what larger buffers alone cost
// on the machine (fresh pages of large allocations, caches): the filter's
// ratio is to be read against it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchRatio.h"
#include "environment/kxNet_Filters.h"
#include "platform/rtl/Exceptions.h"

namespace {

constexpr size_t kLarge = 1000000;
constexpr size_t kSmall = 10000;

const UnicodeString& Text() {
  static const UnicodeString text = [] {
    static const char16_t* const kPieces[] = {
        u"name=Anna&city=M\u00FCnchen", u"; total=1000.00", u" note: \"5 < 7\" (ok)",
        u" id=#x41#35", u" ref=&#35;42", u"/path/to/page", u" it's fine", u"&amp;x=00700"};
    UnicodeString t;
    t.reserve(kLarge + 64);
    uint32_t seed = 4711;
    while (t.size() < kLarge) {
      seed = seed * 1664525u + 1013904223u;
      t += kPieces[(seed >> 20) % 8];
    }
    t.resize(kLarge);
    return t;
  }();
  return text;
}

UnicodeString Filter(const UnicodeString& Text) {
  return TkxNet::XSSProtection(Text, true, false, UnicodeString(), false, UnicodeString());
}

void BM_XSS_1MB(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Filter(Text()));
  state.SetBytesProcessed(state.iterations() * int64_t(kLarge));
}
BENCHMARK(BM_XSS_1MB)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_XSS_10KB(benchmark::State& state) {
  std::vector<UnicodeString> slices;
  for (size_t at = 0; at < kLarge; at += kSmall) slices.push_back(Text().substr(at, kSmall));
  for (auto _ : state) {
    for (const UnicodeString& slice : slices) benchmark::DoNotOptimize(Filter(slice));
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kLarge));
}
BENCHMARK(BM_XSS_10KB)->Unit(benchmark::kMillisecond)->UseRealTime();

UnicodeString Plain(const UnicodeString& Text) {
  UnicodeString out;
  out.reserve(Text.size());
  for (const char16_t c : Text) out += c == u'<' ? u'[' : c;
  UnicodeString second = out;
  return second;
}

void BM_Plain_1MB(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Plain(Text()));
  state.SetBytesProcessed(state.iterations() * int64_t(kLarge));
}
BENCHMARK(BM_Plain_1MB)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Plain_10KB(benchmark::State& state) {
  std::vector<UnicodeString> slices;
  for (size_t at = 0; at < kLarge; at += kSmall) slices.push_back(Text().substr(at, kSmall));
  for (auto _ : state) {
    for (const UnicodeString& slice : slices) benchmark::DoNotOptimize(Plain(slice));
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kLarge));
}
BENCHMARK(BM_Plain_10KB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return kx::bench::RunWithRatios(
      argc, argv, {{"BM_XSS_1MB", "BM_XSS_10KB", "100 calls on 10 KB"},
                   {"BM_Plain_1MB", "BM_Plain_10KB", "100 calls on 10 KB"}}, [] {
        // The figures mean something only when the text passes detection.
        try {
          (void)Filter(Text());
        } catch (const Exception& e) {
          std::fprintf(stderr, "bench_web_filters: %s\n", ToUtf8(e.Message).c_str());
          return 2;
        }
        return 0;
      });
}
