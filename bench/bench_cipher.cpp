// EncStream in CBC over 100 MB in memory, against "openssl enc -des-cbc" on
// a file of the same bytes (the tool's run includes starting the process and
// reading the file from the page cache; the output goes to /dev/null). DES
// sits in OpenSSL's legacy provider; without it the tool's run is skipped.
// After the table the program prints our time as a ratio to the tool's.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchRatio.h"
#include "platform/rtl/Stream.h"
#include "system/internal/kxDES.h"

namespace {

constexpr int64_t kBytes = 100ll << 20;

const std::string& Data() {
  static const std::string data = [] {
    std::string d(static_cast<size_t>(kBytes), '\0');
    uint32_t seed = 4711;
    for (auto& c : d) c = static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
    return d;
  }();
  return data;
}

const std::string& DataFile() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    const std::string p = std::string(tmp ? tmp : "/tmp") + "/bench_cipher." + std::to_string(::getpid());
    std::ofstream(p, std::ios::binary) << Data();
    return p;
  }();
  return path;
}

void BM_EncStreamCBC(benchmark::State& state) {
  MemoryStream input;
  input.WriteBuffer(Data().data(), kBytes);
  MemoryStream output;
  output.SetSize(kBytes + 8);
  for (auto _ : state) {
    kxInternal::TDES des;
    des.InitialiseString("benchkey");
    des.LoadIVString("bench iv");
    des.EncStream(input, output);
    benchmark::DoNotOptimize(output.Memory());
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(BM_EncStreamCBC)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenSSLDesCBC(benchmark::State& state) {
  const std::string cmd = "openssl enc -des-cbc -provider legacy -provider default -K 62656e63686b6579 "
                          "-iv 62656e6368206976 -in '" + DataFile() + "' -out /dev/null 2>/dev/null";
  if (std::system("printf 12345678 | openssl enc -des-ecb -K 0000000000000000 -nopad -provider legacy "
                  "-provider default >/dev/null 2>&1") != 0) {
    state.SkipWithError("openssl with the legacy provider is not available");
    return;
  }
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("openssl enc failed");
  state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(BM_OpenSSLDesCBC)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const int code = kx::bench::RunWithRatios(
      argc, argv, {{"BM_EncStreamCBC", "BM_OpenSSLDesCBC", "openssl enc -des-cbc"}});
  std::remove(DataFile().c_str());
  return code;
}
