// Reading a com string whose one part is a 100 MB file, Base64-encoded
// (ParseComAnswer with ParseParVal), against one Base64 decode of that part
// (TkxBase64::Base64ToStr): the parse should cost at most twice the decode.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/BenchRatio.h"
#include "environment/kxComTools.h"
#include "system/kxBase64.h"

namespace {

constexpr size_t kBytes = 100u * 1000 * 1000;

const std::string& EncodedPart() {
  static const std::string part = TkxBase64::StrToBase64("obj(bin)=" + kx::bench::PseudoRandomBytes(kBytes), false);
  return part;
}

void BM_ParseComAnswer(benchmark::State& state) {
  const std::string answer = "<F><enc=mime><comp=false><" + EncodedPart() + "></F>";
  for (auto _ : state) {
    AnsiString type;
    TComResExt records;
    if (!TkxComTools::ParseComAnswer(answer, type, records, true) || records.size() != 1 ||
        records[0].Value.size() != kBytes)
      state.SkipWithError("the answer did not parse");
    benchmark::DoNotOptimize(records);
  }
  state.SetBytesProcessed(state.iterations() * int64_t(EncodedPart().size()));
}
BENCHMARK(BM_ParseComAnswer)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Base64Decode(benchmark::State& state) {
  for (auto _ : state) {
    const AnsiString decoded = TkxBase64::Base64ToStr(EncodedPart());
    benchmark::DoNotOptimize(decoded);
  }
  state.SetBytesProcessed(state.iterations() * int64_t(EncodedPart().size()));
}
BENCHMARK(BM_Base64Decode)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return kx::bench::RunWithRatios(argc, argv, {{"BM_ParseComAnswer", "BM_Base64Decode", "one Base64 decode"}});
}
