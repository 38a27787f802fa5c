// Text mining on 1 MB of invoice-like text (words, amounts, ids and dates in
// several notations), against "pcre2grep -o" with the same patterns on a
// file of the same text:
// - GetAllDatesW with an unknown country code (five patterns) and
//   GetWithOutNames (month names to numbers, blanks removed), against five
//   pcre2grep runs, one per pattern, over the lower-cased text (ours
//   lower-cases the text itself);
// - GetAllNumbers with "." and ",", against one pcre2grep run of its pattern.
// pcre2grep's runs include starting the process and reading the file from the
// page cache; its output goes to /dev/null. Ours works on the UTF-16 text in
// memory and fills a string list.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "BenchRatio.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "text/kxStrings_Dates.h"
#include "text/kxStrings_Mining.h"
#include "text/kxStrings_Patterns.h"

namespace {

constexpr size_t kBytes = 1000u * 1000;
constexpr char16_t kNumbers[] = u"[0-9]{1,1}[0-9.,]{0,200}";

const std::string& Text() {
  static const std::string text = kx::bench::PseudoRandomLines(kBytes, [](auto& next) {
    const char* const words[] = {"Rechnung", "vom", "Betrag", "EUR", "Menge", "St\xC3\xBC" "ck",
                                 "Datum", "und", "Nr.", "le", "am", "bis"};
    const char* const months[] = {"M\xC3\xA4rz", "Januar", "f\xC3\xA9vrier", "october", "junio",
                                  "gennaio", "Dez.", "may"};
    auto number = [&](uint32_t below) { return std::to_string(next() % below); };
    auto year = [&] { return std::to_string(1990 + next() % 40); };
    switch (next() % 8) {
      case 0: return number(10000) + "," + number(100);
      case 1: return "RE-2021-" + number(10000);
      case 2: return number(28) + "." + number(12) + "." + year();
      case 3: return number(28) + "/" + number(12) + "/" + number(100);
      case 4: {
        std::string date = number(28) + (next() % 2 ? ". " : "-");
        date += months[next() % std::size(months)];
        date += next() % 2 ? " " : "-";
        return date + year();
      }
      case 5: return year() + "-" + number(12) + "-" + number(28);
      default: return std::string(words[next() % std::size(words)]);
    }
  });
  return text;
}

const UnicodeString& WideText() {
  static const UnicodeString text = ToUtf16(Text());
  return text;
}

// The five patterns of a country code the mining does not know.
std::vector<std::string> DatePatterns() {
  using namespace TkxStrings::patterns;
  auto joined = [](std::initializer_list<std::u16string_view> parts) {
    UnicodeString p;
    for (const auto part : parts) p += part;
    return ToUtf8(p);
  };
  return {
      joined({kDateDayMonthYear, kDateTwoDigitYear, kDateGermanNames, kDateFrenchShortNames}),
      joined({kDateDayMonthYear, kDateTwoDigitYear, kDateEnglishNames, kDateEnglishShortNames}),
      joined({kDateFrenchNamesFirst, kDateEnglishShortNames}),
      joined({kDateItalianNamesFirst, kDateSpanishShortNames}),
      joined({kDateSpanishNamesFirst, kDateSpanishShortNames}),
  };
}

std::string WriteFile(const std::string& Stem, const std::string& Content) {
  const std::string path = kx::bench::ScratchName(Stem) + ".txt";
  std::ofstream(path, std::ios::binary) << Content;
  return path;
}

const std::string& TextFile() {
  static const std::string path = WriteFile("bench_mining", Text());
  return path;
}

const std::string& LowerTextFile() {
  static const std::string path = WriteFile("bench_mining_lower", ToUtf8(LowerText(WideText())));
  return path;
}

std::string Pcre2grep(const std::string& Pattern, const std::string& File,
                      const std::string& Output = "/dev/null") {
  return "pcre2grep -o -e '" + Pattern + "' '" + File + "' > '" + Output + "'";
}

void BM_GetAllDatesW(benchmark::State& state) {
  for (auto _ : state) {
    TStringList dates;
    TkxStrings::GetAllDatesW(WideText(), u"", true, dates);
    benchmark::DoNotOptimize(dates.Count());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(Text().size()));
}
BENCHMARK(BM_GetAllDatesW)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Pcre2grepDates(benchmark::State& state) {
  std::vector<std::string> commands;
  for (const auto& pattern : DatePatterns()) commands.push_back(Pcre2grep(pattern, LowerTextFile()));
  for (auto _ : state)
    for (const auto& cmd : commands)
      if (std::system(cmd.c_str()) != 0) state.SkipWithError(("failed: " + cmd).c_str());
  state.SetBytesProcessed(state.iterations() * int64_t(Text().size()));
}
BENCHMARK(BM_Pcre2grepDates)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GetAllNumbers(benchmark::State& state) {
  for (auto _ : state) {
    TStringList numbers;
    TkxStrings::GetAllNumbers(WideText(), true, true, numbers);
    benchmark::DoNotOptimize(numbers.Count());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(Text().size()));
}
BENCHMARK(BM_GetAllNumbers)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Pcre2grepNumbers(benchmark::State& state) {
  const std::string cmd = Pcre2grep(ToUtf8(kNumbers), TextFile());
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError(("failed: " + cmd).c_str());
  state.SetBytesProcessed(state.iterations() * int64_t(Text().size()));
}
BENCHMARK(BM_Pcre2grepNumbers)->Unit(benchmark::kMillisecond)->UseRealTime();

// The number of lines pcre2grep writes for Pattern over File; -1 when it
// cannot run.
int64_t Pcre2grepCount(const std::string& Pattern, const std::string& File) {
  const std::string out = kx::bench::ScratchName("bench_mining") + ".out";
  if (std::system(Pcre2grep(Pattern, File, out).c_str()) != 0) return -1;
  std::ifstream in(out);
  std::string line;
  int64_t n = 0;
  while (std::getline(in, line)) ++n;
  std::remove(out.c_str());
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const int code = kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_GetAllDatesW", "BM_Pcre2grepDates", "pcre2grep -o", true},
       {"BM_GetAllNumbers", "BM_Pcre2grepNumbers", "pcre2grep -o", true}},
      [] {
        // The figures mean something only when both find as many matches.
        TStringList dates, numbers;
        TkxStrings::GetAllDatesW(WideText(), u"", false, dates);
        TkxStrings::GetAllNumbers(WideText(), true, true, numbers);
        int64_t grepDates = 0;
        for (const auto& pattern : DatePatterns()) {
          const int64_t n = Pcre2grepCount(pattern, LowerTextFile());
          if (n < 0) {
            std::fprintf(stderr, "pcre2grep is needed (scripts/setup installs pcre2-utils)\n");
            return 2;
          }
          grepDates += n;
        }
        const int64_t grepNumbers = Pcre2grepCount(ToUtf8(kNumbers), TextFile());
        std::printf("%d dates (pcre2grep %lld), %d numbers (pcre2grep %lld)\n", dates.Count(),
                    static_cast<long long>(grepDates), numbers.Count(),
                    static_cast<long long>(grepNumbers));
        return dates.Count() == grepDates && numbers.Count() == grepNumbers ? 0 : 3;
      });
  std::remove(TextFile().c_str());
  std::remove(LowerTextFile().c_str());
  return code;
}
