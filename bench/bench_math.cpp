// bench/bench_math.cpp — the edit distance on word-sized pairs, stated as a
// ratio against a plain textbook two-row Levenshtein on the same pairs.
//
// The fuzzy lookups compare one word against many keys, so the distance runs
// on short texts in a tight loop: what counts is the cost per pair, including
// the row allocations, not the asymptotic behaviour.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "BenchRatio.h"
#include "text/kxMath.h"

namespace {

using Pair = std::pair<std::u16string, std::u16string>;

// Words of the lengths that field values and keys have, each paired with a
// few typical variants: a typo, a swap of neighbours, a dropped letter, a
// different case, an unrelated word.
const std::vector<Pair>& WordPairs() {
  static const std::vector<Pair> pairs = [] {
    const std::u16string words[] = {
        u"Rechnung",  u"Lieferschein", u"Auftrag",    u"Kundennummer", u"Datum",
        u"invoice",   u"customer",     u"address",    u"Straße",       u"Postleitzahl",
        u"Müller",    u"Schmidt",      u"Meyer",      u"document",     u"attachment",
        u"Bestellung", u"Betrag",      u"Währung",    u"reference",    u"signature",
    };
    std::vector<Pair> out;
    const size_t n = std::size(words);
    for (size_t i = 0; i < n; ++i) {
      const std::u16string& w = words[i];
      std::u16string typo = w;
      typo[typo.size() / 2] = u'x';
      std::u16string swapped = w;
      std::swap(swapped[1], swapped[2]);
      std::u16string dropped = w;
      dropped.erase(dropped.size() - 2, 1);
      std::u16string upper = w;
      for (char16_t& c : upper)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
      out.emplace_back(w, typo);
      out.emplace_back(w, swapped);
      out.emplace_back(w, dropped);
      out.emplace_back(w, upper);
      out.emplace_back(w, words[(i + 7) % n]);
    }
    return out;
  }();
  return pairs;
}

// The textbook form: two rows of int, the first string along the rows.
int TextbookLevenshtein(const std::u16string& a, const std::u16string& b) {
  std::vector<int> prev(b.size() + 1), cur(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) prev[j] = static_cast<int>(j);
  for (size_t i = 1; i <= a.size(); ++i) {
    cur[0] = static_cast<int>(i);
    for (size_t j = 1; j <= b.size(); ++j) {
      const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
      cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + cost});
    }
    std::swap(prev, cur);
  }
  return prev[b.size()];
}

void BM_kxDistance(benchmark::State& state) {
  const auto& pairs = WordPairs();
  for (auto _ : state) {
    for (const auto& [a, b] : pairs) {
      double d = TkxMath::GetDamerauLevenshteinDistance(a, b);
      benchmark::DoNotOptimize(d);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pairs.size()));
}
BENCHMARK(BM_kxDistance);

void BM_TextbookLevenshtein(benchmark::State& state) {
  const auto& pairs = WordPairs();
  for (auto _ : state) {
    for (const auto& [a, b] : pairs) {
      int d = TextbookLevenshtein(a, b);
      benchmark::DoNotOptimize(d);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pairs.size()));
}
BENCHMARK(BM_TextbookLevenshtein);

}  // namespace

int main(int argc, char** argv) {
  return kx::bench::RunWithRatios(
      argc, argv, {{"BM_kxDistance", "BM_TextbookLevenshtein", "a textbook two-row Levenshtein"}},
      [] {
        // Both must agree before their speeds are worth comparing.
        for (const auto& [a, b] : WordPairs()) {
          if (TkxMath::GetDamerauLevenshteinDistance(a, b) != TextbookLevenshtein(a, b)) {
            std::fputs("distance disagrees with the textbook Levenshtein\n", stderr);
            return 1;
          }
        }
        return 0;
      });
}
