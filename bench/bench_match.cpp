// EqualsExW as the file toolkit calls it for every directory entry ("*" and
// "?", trimmed, ignoring case) over 100,000 file names and five masks,
// against fnmatch(3) with FNM_CASEFOLD on the same names (as UTF-8) and
// masks. The names never repeat an extension, so that both answer alike
// although only fnmatch backtracks; the set-up check makes sure they do.
// After the table the program prints our time as a ratio to fnmatch's.
#include <benchmark/benchmark.h>
#include <fnmatch.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "platform/rtl/Text.h"
#include "text/kxStrings_Match.h"

namespace {

constexpr size_t kNames = 100'000;

const char* const kMasks[] = {"*.txt", "IMG_????.JPG", "report_*_2021.pdf", "*a*b*", "*.*"};

struct Names {
  std::vector<std::string> utf8;
  std::vector<UnicodeString> utf16;
};

// Names like "report_17_2021.pdf", "img_4711.jpg", "Notizen für März.txt":
// a stem from a few kinds, mixed case, some non-ASCII letters.
const Names& AllNames() {
  static const Names names = [] {
    const char* const stems[] = {"report_", "IMG_", "img_", "Notizen f\xC3\xBCr M\xC3\xA4rz ",
                                 "data-", "backup.", "a", "Scan "};
    const char* const extensions[] = {".txt", ".TXT", ".jpg", ".JPG", ".pdf", ".csv", "", ".tar"};
    Names n;
    uint32_t seed = 4711;
    auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (size_t i = 0; i < kNames; ++i) {
      std::string name = stems[next() % std::size(stems)];
      name += std::to_string(next() % 10000);
      if (next() % 3 == 0) name += next() % 2 ? "_2021" : "_b";
      name += extensions[next() % std::size(extensions)];
      n.utf8.push_back(name);
      n.utf16.push_back(ToUtf16(name));
    }
    return n;
  }();
  return names;
}

std::vector<UnicodeString> WideMasks() {
  std::vector<UnicodeString> masks;
  for (const char* m : kMasks) masks.push_back(ToUtf16(m));
  return masks;
}

size_t CountOurs(const UnicodeString& Mask) {
  size_t n = 0;
  for (const UnicodeString& name : AllNames().utf16)
    n += TkxStrings::EqualsExW(name, Mask, true, true, u"*", u"?");
  return n;
}

size_t CountFnmatch(const char* Mask) {
  size_t n = 0;
  for (const std::string& name : AllNames().utf8) n += fnmatch(Mask, name.c_str(), FNM_CASEFOLD) == 0;
  return n;
}

void BM_EqualsExW(benchmark::State& state) {
  const std::vector<UnicodeString> masks = WideMasks();
  for (auto _ : state)
    for (const UnicodeString& mask : masks) benchmark::DoNotOptimize(CountOurs(mask));
  state.SetItemsProcessed(state.iterations() * int64_t(kNames * masks.size()));
}
BENCHMARK(BM_EqualsExW)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Fnmatch(benchmark::State& state) {
  for (auto _ : state)
    for (const char* mask : kMasks) benchmark::DoNotOptimize(CountFnmatch(mask));
  state.SetItemsProcessed(state.iterations() * int64_t(kNames * std::size(kMasks)));
}
BENCHMARK(BM_Fnmatch)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return kx::bench::RunWithRatios(
      argc, argv, {{"BM_EqualsExW", "BM_Fnmatch", "fnmatch(3)", true}}, [] {
        // The figures compare like with like only when both find the same.
        const std::vector<UnicodeString> masks = WideMasks();
        for (size_t i = 0; i < masks.size(); ++i) {
          const size_t ours = CountOurs(masks[i]);
          const size_t theirs = CountFnmatch(kMasks[i]);
          std::printf("%-20s %6zu of %zu names\n", kMasks[i], ours, kNames);
          if (ours != theirs || ours == 0) {
            std::fprintf(stderr, "%s: EqualsExW %zu, fnmatch %zu\n", kMasks[i], ours, theirs);
            return 2;
          }
        }
        return 0;
      });
}
