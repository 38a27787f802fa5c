// The network module on 100 MB:
//   - ParseMultiPartData on a 100 MB multipart body against one memmem pass
//     over the same bytes for a needle that is not there (goal: at most 2x),
//     and against one copy of the body into new memory, which every parse
//     that hands out the part's bytes as a text of its own has to make
//     (glibc's memmem skips most bytes of the body for a long needle, so the
//     copy is the floor here);
//   - HTTPPut of a 100 MB file stream to a sink on 127.0.0.1 against
//     "curl -T" of the same file to the same kind of sink (goal: at most
//     1.2x). The sink reads the whole body and answers 201. curl runs with
//     "Expect:" empty, as our client does, so neither waits for a
//     100 Continue. The curl figure includes starting the process;
//   - HTTPPutFile of the same file (blocks of 4096 bytes with a progress
//     callback, its own connection per call) to the same kind of sink
//     against the same "curl -T" (goal: at most 1.5x).
// BM_HTTPPut and BM_HTTPPutFile also report rss_growth_MB: how far the
// resident set rose above its level before the uploads (peak, reset before
// the run); the file is streamed, so this stays far below the body size.
#include <benchmark/benchmark.h>
#include <string.h>
#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "bench/BenchRatio.h"
#include "environment/kxNet.h"
#include "platform/rtl/Stream.h"
#include "tests/support/RawPeer.h"

namespace {

constexpr size_t kBytes = 100u * 1000 * 1000;
const std::string kBoundary = "--------------------------kxbench0123456789";

std::string Decimal(int64_t Value) {
  char digits[24];
  return std::string(digits, std::to_chars(digits, digits + sizeof(digits), Value).ptr);
}

std::string Random(size_t Size) {
  std::string d(Size, '\0');
  std::mt19937_64 random(4711);
  for (size_t i = 0; i + 8 <= d.size(); i += 8) {
    const uint64_t word = random();
    std::memcpy(&d[i], &word, 8);
  }
  return d;
}

// A text field, a 100 MB binary file and a closing boundary.
const std::string& Body() {
  static const std::string body = [] {
    std::string b = kBoundary + "\r\n";
    b += "Content-Disposition: form-data; name=\"id\"\r\n\r\n42\r\n" + kBoundary + "\r\n";
    b += "Content-Disposition: form-data; name=\"blob\"; filename=\"blob.bin\"\r\n";
    b += "Content-Type: application/octet-stream\r\n\r\n";
    b += Random(kBytes);
    b += "\r\n" + kBoundary + "--\r\n";
    return b;
  }();
  return body;
}

const std::string& UploadFile() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    const std::string p = std::string(tmp ? tmp : "/tmp") + "/bench_net." + Decimal(::getpid()) + ".bin";
    std::ofstream(p, std::ios::binary) << Random(kBytes);
    return p;
  }();
  return path;
}

kx::testing::RawPeer::Answer Sink() { return {"HTTP/1.1 201 Created\r\nContent-Length: 0\r\n\r\n", 0, false, false}; }

void BM_ParseMultiPartData(benchmark::State& state) {
  for (auto _ : state) {
    TMultiParts parts;
    if (!TkxNet::ParseMultiPartData(Body(), parts, false)) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(parts);
  }
  state.SetBytesProcessed(state.iterations() * int64_t(Body().size()));
}
BENCHMARK(BM_ParseMultiPartData)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Memmem(benchmark::State& state) {
  const std::string needle = kBoundary + "X";
  for (auto _ : state) {
    benchmark::DoNotOptimize(::memmem(Body().data(), Body().size(), needle.data(), needle.size()));
  }
  state.SetBytesProcessed(state.iterations() * int64_t(Body().size()));
}
BENCHMARK(BM_Memmem)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Copy(benchmark::State& state) {
  for (auto _ : state) {
    std::string copy(Body().data(), Body().size());
    benchmark::DoNotOptimize(copy);
  }
  state.SetBytesProcessed(state.iterations() * int64_t(Body().size()));
}
BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HTTPPut(benchmark::State& state) {
  kx::testing::RawPeer sink(Sink(), 100000);
  const UnicodeString url = ToUtf16(sink.Url("/kxblobupload"));
  const UnicodeString file = ToUtf16(UploadFile());
  kx::bench::ResetPeak();  // the peak resident set starts over from here
  const int64_t before = kx::bench::StatusKiB("VmRSS");
  for (auto _ : state) {
    FileStream stream(file, fmOpenRead | fmShareDenyWrite);
    int32_t code = 0;
    try {
      TkxIndy::HTTPPut(url, stream, u"application/octet-stream", code);
    } catch (const Exception& e) {
      state.SkipWithError(ToUtf8(e.Message).c_str());
      break;
    }
  }
  state.counters["rss_growth_MB"] = static_cast<double>(kx::bench::StatusKiB("VmHWM") - before) / 1024.0;
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_HTTPPut)->Unit(benchmark::kMillisecond)->UseRealTime();

void IgnoreProgress(const std::u16string&, uint32_t, uint32_t, bool&) {}

void BM_HTTPPutFile(benchmark::State& state) {
  kx::testing::RawPeer sink(Sink(), 100000);
  const UnicodeString url = ToUtf16(sink.Url("/kxblobupload"));
  const UnicodeString file = ToUtf16(UploadFile());
  kx::bench::ResetPeak();
  const int64_t before = kx::bench::StatusKiB("VmRSS");
  for (auto _ : state) {
    int32_t code = 0;
    try {
      if (!TkxNet::HTTPPutFile(url, file, code, &IgnoreProgress, false) || code != 201) {
        state.SkipWithError("the upload was cut short");
        break;
      }
    } catch (const Exception& e) {
      state.SkipWithError(ToUtf8(e.Message).c_str());
      break;
    }
  }
  state.counters["rss_growth_MB"] = static_cast<double>(kx::bench::StatusKiB("VmHWM") - before) / 1024.0;
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_HTTPPutFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CurlT(benchmark::State& state) {
  kx::testing::RawPeer sink(Sink(), 100000);
  const std::string command = "curl -s -S -o /dev/null -H 'Expect:' -T '" + UploadFile() + "' '" +
                              sink.Url("/kxblobupload") + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("curl failed");
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_CurlT)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  TkxNet::detail::InitializeModule();
  const int code = kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_ParseMultiPartData", "BM_Memmem", "one memmem pass"},
       {"BM_ParseMultiPartData", "BM_Copy", "one copy into new memory"},
       {"BM_HTTPPut", "BM_CurlT", "curl -T"},
       {"BM_HTTPPutFile", "BM_CurlT", "curl -T"}},
      [] {
        // The figures mean something only when the parse is right.
        TMultiParts parts;
        if (!TkxNet::ParseMultiPartData(Body(), parts, false) || parts.size() != 2 ||
            parts[1].Data.size() != kBytes) {
          return 2;
        }
        return 0;
      });
  std::remove(UploadFile().c_str());
  TkxNet::detail::FinalizeModule();
  return code;
}
