// Stemming and OCR clean-up against the standard tools on the same input:
// - StemStringW on 100,000 English words (one text, no stop words), against
//   stemwords (libstemmer's own command) stemming the same words, one per
//   line, from a file; the run includes starting the process and reading the
//   file from the page cache, its output goes to a file;
// - PrepareOCRText on 1 MB of OCR-like text, against
//   "tr -c <allowed characters> ' '" piped into "tr -s ' '" over a file of the
//   same text (tr works on bytes: the umlauts of the allowed set are given as
//   their UTF-8 bytes, and it does none of the run and lone-character rules).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "BenchRatio.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "text/kxStrings_OCR.h"
#include "text/kxStrings_Stem.h"

namespace {

constexpr size_t kWords = 100000;
constexpr size_t kOCRBytes = 1000u * 1000;

const char* const kEnglish[] = {"running",  "generously", "nationalities", "invoices", "payment",
                                "received", "delivery",   "customers",     "ordered",  "shipping",
                                "amounts",  "documents",  "processing",    "quickly",  "agreed"};

// kWords words, separated by blanks (the text) or line ends (stemwords' input).
std::string Words(char Separator) {
  std::string out;
  uint32_t seed = 4711;
  for (size_t i = 0; i < kWords; ++i) {
    seed = seed * 1664525u + 1013904223u;
    out += kEnglish[(seed >> 8) % std::size(kEnglish)];
    out += Separator;
  }
  return out;
}

const UnicodeString& WordText() {
  static const UnicodeString text = ToUtf16(Words(' '));
  return text;
}

std::string WriteFile(const std::string& Stem, const std::string& Content) {
  const std::string path = kx::bench::ScratchName(Stem) + ".txt";
  std::ofstream(path, std::ios::binary) << Content;
  return path;
}

const std::string& WordFile() {
  static const std::string path = WriteFile("bench_stem_words", Words('\n'));
  return path;
}

const std::string& OCRText() {
  static const std::string text = kx::bench::PseudoRandomLines(kOCRBytes, [](auto& next) {
    const char* const pieces[] = {"Rechnung", "Betrag:", "12,50", "\xE2\x82\xAC", "St\xC3\xBC" "ck",
                                  "R E C H", "|", "aaaaa", "Stra\xC3\x9F" "e", "a", "Nr.", "(x)"};
    return std::string(pieces[next() % std::size(pieces)]);
  });
  return text;
}

const std::string& OCRFile() {
  static const std::string path = WriteFile("bench_ocr", OCRText());
  return path;
}

void BM_StemStringW(benchmark::State& state) {
  for (auto _ : state) {
    TStringList stems;
    TkxStrings::StemStringW(WordText(), u"", u"en", false, false, 0, stems, false);
    benchmark::DoNotOptimize(stems.Count());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kWords));
}
BENCHMARK(BM_StemStringW)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Stemwords(benchmark::State& state) {
  const std::string out = kx::bench::ScratchName("bench_stem_out") + ".txt";
  for (auto _ : state)
    if (kx::bench::RunToolSeconds({"stemwords", "-l", "english", "-i", WordFile()}, out) < 0)
      state.SkipWithError("stemwords failed (libstemmer-tools)");
  state.SetItemsProcessed(state.iterations() * int64_t(kWords));
}
BENCHMARK(BM_Stemwords)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PrepareOCRText(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(TkxStrings::PrepareOCRText(OCRText()).size());
  state.SetBytesProcessed(state.iterations() * int64_t(OCRText().size()));
}
BENCHMARK(BM_PrepareOCRText)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TrOCR(benchmark::State& state) {
  const std::string cmd =
      "tr -c 'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
      "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x84\xC3\x96\xC3\x9C\xC3\x9F ' ' ' < '" +
      OCRFile() + "' | tr -s ' ' > /dev/null";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("tr failed");
  state.SetBytesProcessed(state.iterations() * int64_t(OCRText().size()));
}
BENCHMARK(BM_TrOCR)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_StemStringW", "BM_Stemwords", "stemwords"},
       {"BM_PrepareOCRText", "BM_TrOCR", "tr -c | tr -s"}},
      [] {
        // The same stems as the tool's, or the ratio would compare apples and pears.
        TStringList ours;
        TkxStrings::StemStringW(u"running generously", u"", u"en", false, false, 0, ours, false);
        if (ours.Count() != 2 || ours[0] != u"run" || ours[1] != u"generous") return 2;
        return 0;
      });
}
