// The HTTP server (in this process) under two loads:
//   - a 100 MB file served by the file reply (TkxIndy::SetHTTPResponse with a
//     file name) to "curl -s -o /dev/null", against curl reading the same file
//     through file:// (goal at most 1.5x); PeakGrowthMiB is how far this
//     process's peak resident size rose while serving (the file is streamed,
//     so it stays flat);
//   - the load test's traffic (tests/support/http_load.py: 16 clients x 50
//     requests, kept-alive and new connections, bodies up to 1 MB, some gzip)
//     against the same script served by python's own ThreadingHTTPServer.
// The page cache is warm; the sources are found through KX_SOURCE_DIR or from
// this program's place in the build tree.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench/BenchRatio.h"
#include "environment/kxNet.h"
#include "platform/http/HttpServer.h"
#include "tests/support/HttpLoadEcho.h"

namespace {

constexpr size_t kBytes = 100u * 1000 * 1000;

std::string SourceDir() {
  if (const char* given = std::getenv("KX_SOURCE_DIR")) return given;
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path().parent_path().string();
}

std::string BigFileName() { return kx::bench::ScratchName("bench_http_server") + ".bin"; }

const std::string& BigFile() {
  static const std::string path = [] {
    const std::string p = BigFileName();
    std::ofstream(p, std::ios::binary) << kx::bench::PseudoRandomBytes(kBytes);
    return p;
  }();
  return path;
}

void Handle(TIdContext& Context, TIdHTTPRequestInfo& In, TIdHTTPResponseInfo& Out) {
  if (In.Document == "/file") {
    TkxIndy::SetHTTPResponse(In, Out, Context, ToUtf16(BigFile()), 0);
    return;
  }
  kx::testing::HttpLoadEcho(Context, In, Out);
}

kx::platform::http::HttpServer& Server() {
  static const std::unique_ptr<kx::platform::http::HttpServer> server = [] {
    auto s = std::make_unique<kx::platform::http::HttpServer>();
    s->Bindings = {{"127.0.0.1", Id_IPv4, 0}};
    s->OnCommand = Handle;
    s->SetActive(true);
    return s;
  }();
  return *server;
}

std::string Url(const char* Path) { return "http://127.0.0.1:" + std::to_string(Server().BoundPort()) + Path; }

void BM_ServeFile(benchmark::State& state) {
  const std::string cmd = "curl -sS -o /dev/null '" + Url("/file") + "'";
  int64_t peakGrowth = 0;
  for (auto _ : state) {
    const int64_t before = kx::bench::StatusKiB("VmRSS");
    kx::bench::ResetPeak();
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("curl failed");
    peakGrowth = std::max(peakGrowth, kx::bench::StatusKiB("VmHWM") - before);
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
  state.counters["PeakGrowthMiB"] = static_cast<double>(peakGrowth) / 1024.0;
}
BENCHMARK(BM_ServeFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CurlFile(benchmark::State& state) {
  const std::string cmd = "curl -sS -o /dev/null 'file://" + BigFile() + "'";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("curl failed");
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_CurlFile)->Unit(benchmark::kMillisecond)->UseRealTime();

std::string LoadCommand(const std::string& Where) {
  return "python3 '" + SourceDir() + "/tests/support/http_load.py' " + Where + " 16 50 --deadline 300 > /dev/null";
}

void BM_LoadOurServer(benchmark::State& state) {
  const std::string cmd = LoadCommand(std::to_string(Server().BoundPort()));
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("answers were lost or wrong");
  state.SetItemsProcessed(state.iterations() * 16 * 50);
}
BENCHMARK(BM_LoadOurServer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_LoadPythonServer(benchmark::State& state) {
  const std::string cmd = LoadCommand("0 --serve");
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("answers were lost or wrong");
  state.SetItemsProcessed(state.iterations() * 16 * 50);
}
BENCHMARK(BM_LoadPythonServer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  const int code = kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_ServeFile", "BM_CurlFile", "curl file://"},
       {"BM_LoadOurServer", "BM_LoadPythonServer", "python http.server", true}},
      [] {
        BigFile();  // made before any figure is taken
        return Server().Active() ? 0 : 2;
      });
  std::filesystem::remove(BigFileName());
  return code;
}
