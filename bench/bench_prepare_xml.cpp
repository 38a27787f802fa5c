// PrepareXMLStringW on 10 MB of text (5 M UTF-16 units), with and without
// the notation replacements, against a plain copy of the same text: every
// field value of a document passes through it. The text is words with
// non-ASCII letters, a line break about every 60 units, a word with "&",
// "<", '"', "'" or an emoji about every 80, and now and then a control
// character or a lone surrogate that becomes a blank.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "BenchRatio.h"
#include "platform/rtl/Text.h"
#include "system/kxToolsEvo2_SystemInfo.h"

namespace {

constexpr size_t kUnits = size_t{5} << 20;

const UnicodeString& Text() {
  static const UnicodeString text = [] {
    static const char16_t* const kWords[] = {
        u"invoice", u"Gr\u00F6\u00DFe", u"\u00E9clair", u"amount", u"customer", u"number",
        u"M\u00FCnchen", u"delivery", u"2024-03-01", u"total", u"page", u"account"};
    static const char16_t* const kMarked[] = {u"AT&T", u"<tag>", u"\"quoted\"", u"it's",
                                              u"\U0001F600"};
    UnicodeString t;
    t.reserve(kUnits + 16);
    uint32_t seed = 4711;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    while (t.size() < kUnits) {
      const uint32_t r = next() >> 20;  // 0..4095
      if (r < 400)
        t += kMarked[r % 5];  // a marked word about every 10 words (~80 units)
      else
        t += kWords[r % 12];
      t += r % 997 == 0 ? u'\f' : r % 1999 == 0 ? u'\xDC80' : r % 9 == 0 ? u'\n' : u' ';
    }
    return t;
  }();
  return text;
}

void BM_Copy(benchmark::State& state) {
  const UnicodeString& text = Text();
  for (auto _ : state) {
    UnicodeString copy = text;
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(2 * Text().size()));
}
BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond);

void BM_PrepareXML(benchmark::State& state) {
  const UnicodeString& text = Text();
  for (auto _ : state) benchmark::DoNotOptimize(TkxTools::PrepareXMLStringW(text, false));
  state.SetBytesProcessed(state.iterations() * int64_t(2 * Text().size()));
}
BENCHMARK(BM_PrepareXML)->Unit(benchmark::kMillisecond);

void BM_PrepareXML_Notation(benchmark::State& state) {
  const UnicodeString& text = Text();
  for (auto _ : state) benchmark::DoNotOptimize(TkxTools::PrepareXMLStringW(text, true));
  state.SetBytesProcessed(state.iterations() * int64_t(2 * Text().size()));
}
BENCHMARK(BM_PrepareXML_Notation)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_PrepareXML", "BM_Copy", "a plain copy"},
       {"BM_PrepareXML_Notation", "BM_Copy", "a plain copy"}},
      [] {
        // Without replacements the length stays; with them it grows.
        const size_t plain = TkxTools::PrepareXMLStringW(Text(), false).size();
        const size_t escaped = TkxTools::PrepareXMLStringW(Text(), true).size();
        return plain == Text().size() && escaped > plain ? 0 : 2;
      });
}
