// SplitString and SplitStringW on a 10 MB text with a million separators (the
// shape of a long request or node path split into parts), against a plain
// string_view find loop that walks the same separators and touches every
// part. SplitString fills an 8-bit list and, in a second run, a UTF-16 list
// (every part through the codec); SplitStringW splits the same text as UTF-16.
// After the table the program prints each split time as a ratio to the find
// loop over the same kind of text.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "BenchRatio.h"
#include "text/kxStrings_Edit.h"

namespace {

constexpr size_t kBytes = size_t{10} << 20;
constexpr size_t kSeparators = 1000000;

// A million parts of 1 to 17 letters (mean 9, a few of them the two-byte
// UTF-8 "ä"), each followed by "/", then letters up to 10 MiB.
const AnsiString& Text() {
  static const AnsiString text = [] {
    const std::string_view letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJ0123456789";
    AnsiString t;
    t.reserve(kBytes + 64);
    uint32_t seed = 4711;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (size_t part = 0; part < kSeparators; ++part) {
      const uint32_t length = 1 + (next() >> 24) % 17;
      for (uint32_t i = 0; i < length; ++i) {
        if ((next() >> 25) == 0)
          t.append("\xC3\xA4");  // "ä"
        else
          t.push_back(letters[(next() >> 20) % letters.size()]);
      }
      t.push_back('/');
    }
    while (t.size() < kBytes) t.push_back('z');
    t.resize(kBytes);
    if (t.back() == '/') t.back() = 'z';
    return t;
  }();
  return text;
}

const UnicodeString& TextW() {
  static const UnicodeString text = ToUtf16(Text());
  return text;
}

template <class View>
size_t FindLoop(View text, View at) {
  size_t units = 0;
  size_t start = 0;
  for (;;) {
    const size_t hit = text.find(at, start);
    const View part = text.substr(start, hit == View::npos ? View::npos : hit - start);
    benchmark::DoNotOptimize(part.data());
    units += part.size();
    if (hit == View::npos) break;
    start = hit + at.size();
  }
  return units;
}

void BM_FindLoop(benchmark::State& state) {
  const std::string_view text = Text();
  for (auto _ : state) benchmark::DoNotOptimize(FindLoop(text, std::string_view("/")));
  state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}
BENCHMARK(BM_FindLoop)->Unit(benchmark::kMillisecond);

void BM_FindLoopW(benchmark::State& state) {
  const std::u16string_view text = TextW();
  for (auto _ : state) benchmark::DoNotOptimize(FindLoop(text, std::u16string_view(u"/")));
  state.SetBytesProcessed(state.iterations() * int64_t(text.size() * sizeof(char16_t)));
}
BENCHMARK(BM_FindLoopW)->Unit(benchmark::kMillisecond);

// The list is emptied outside the timed part, so only the split is measured.
template <class List, class Split>
void RunSplit(benchmark::State& state, int64_t bytes, Split split) {
  List list;
  for (auto _ : state) {
    state.PauseTiming();
    list.Clear();
    state.ResumeTiming();
    if (!split(list)) state.SkipWithError("split failed");
  }
  if (list.Count() != int32_t(kSeparators) + 1) state.SkipWithError("wrong part count");
  state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_SplitString(benchmark::State& state) {
  RunSplit<TAnsiStringList>(state, int64_t(Text().size()), [](TAnsiStringList& list) {
    return TkxStrings::SplitString(Text(), "/", list);
  });
}
BENCHMARK(BM_SplitString)->Unit(benchmark::kMillisecond);

void BM_SplitString_Utf16List(benchmark::State& state) {
  RunSplit<TStringList>(state, int64_t(Text().size()), [](TStringList& list) {
    return TkxStrings::SplitString(Text(), "/", list);
  });
}
BENCHMARK(BM_SplitString_Utf16List)->Unit(benchmark::kMillisecond);

void BM_SplitStringW(benchmark::State& state) {
  RunSplit<TStringList>(state, int64_t(TextW().size() * sizeof(char16_t)), [](TStringList& list) {
    return TkxStrings::SplitStringW(TextW(), u"/", list);
  });
}
BENCHMARK(BM_SplitStringW)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_SplitString", "BM_FindLoop", "the 8-bit find loop"},
       {"BM_SplitString_Utf16List", "BM_FindLoop", "the 8-bit find loop"},
       {"BM_SplitStringW", "BM_FindLoopW", "the UTF-16 find loop"}},
      [] {
        // The figures mean nothing unless the text has the promised shape.
        size_t separators = 0;
        for (char c : Text()) separators += c == '/';
        return Text().size() == kBytes && separators == kSeparators ? 0 : 2;
      });
}
