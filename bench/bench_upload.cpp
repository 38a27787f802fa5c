// Uploading a queue record with one 100 MB file blob to a queue server
// (UploadDocumentXML: the blob request, then the small document request),
// against "curl -sS -T <file> -H Expect: -o /dev/null <url>" of the same
// file to a blob URL built the same way, so that the server does the same
// work for both. The server is the tests' fake queue server running as a
// process of its own (tools/kxfakequeue, found beside this program's build
// folder or through KX_FAKEQUEUE); the page cache is warm.
//
// Counters: RatioToCurl (our time over curl's; goal at most 1.2) and
// PeakGrowthMiB, how far the peak resident size rose above the resident size
// before the upload (VmHWM after resetting it through /proc/self/clear_refs;
// goal at most 16 MiB: the file is read once and never held whole).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchRatio.h"
#include "environment/kxNet.h"
#include "export/kxQueueManager_Tools.h"
#include "platform/http/HttpClient.h"
#include "platform/rtl/Text.h"

namespace {

constexpr size_t kBytes = 100u * 1000 * 1000;

std::string Folder() { return kx::bench::ScratchName("bench_upload"); }

const std::string& BlobFile() {
  static const std::string path = [] {
    const std::string p = Folder() + ".bin";
    std::ofstream(p, std::ios::binary) << kx::bench::PseudoRandomBytes(kBytes);
    return p;
  }();
  return path;
}

// The fake queue server as a child process: its first output line is its
// port; it ends when its standard input closes.
class ServerProcess {
 public:
  bool Start() {
    std::string program;
    if (const char* given = std::getenv("KX_FAKEQUEUE")) {
      program = given;
    } else {
      const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
      program = (self.parent_path().parent_path() / "tools" / "kxfakequeue").string();
    }
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return false;
    if (::pipe2(out, O_CLOEXEC) != 0) return false;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    if (pid_ < 0) return false;
    std::string line;
    char c = 0;
    while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(out[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) std::fprintf(stderr, "bench_upload: no port from %s\n", program.c_str());
    return port_ > 0;
  }
  ~ServerProcess() {
    if (stdin_ >= 0) ::close(stdin_);
    if (pid_ > 0) {
      for (int i = 0; i < 50 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i) ::usleep(100 * 1000);
      if (::kill(pid_, 0) == 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
      }
    }
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  int port_ = 0;
};

ServerProcess& Server() {
  static ServerProcess server;
  return server;
}

// The curl command for the same blob request; the query's "+" escaped as
// our client sends it (the server refuses a raw "+").
std::string CurlCommand(const char* extra) {
  const AnsiString url = kx::platform::http::EscapeUrlForTransport(TkxNet::BuildUrl(
      ToUtf16(Server().Url()), u"kxblobupload", {u"extension=.bin", u"sessionid="}, kxENC_Mega));
  return std::string("curl -sS -T '") + BlobFile() + "' -H 'Expect:' -o /dev/null " + extra + " '" +
         url + "'";
}

TDocumentQueueRecord Record() {
  TDocumentQueueRecord q;
  q.Id = TIdType("BENCH");
  q.Subject = u"bench";
  TkxBlob blob;
  blob.BlobName = u"random.bin";
  blob.Extension = u".bin";
  blob.MimeType = u"application/octet-stream";
  blob.BlobSize = kBytes;
  blob.BlobLink = ToUtf16(BlobFile());
  q.Blobs = {blob};
  return q;
}

// Seconds of one curl upload, the best of three.
double CurlSeconds() {
  static const double seconds = [] {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
      const std::string cmd = CurlCommand("");
      const auto t0 = std::chrono::steady_clock::now();
      if (std::system(cmd.c_str()) != 0) return -1.0;
      best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
  }();
  return seconds;
}

void BM_UploadDocumentXML(benchmark::State& state) {
  TkxQueueTools tools;
  int64_t peakGrowth = 0;
  double seconds = 0;
  for (auto _ : state) {
    TDocumentQueueRecord q = Record();
    AnsiString docId;
    const int64_t before = kx::bench::StatusKiB("VmRSS");
    kx::bench::ResetPeak();
    const auto t0 = std::chrono::steady_clock::now();
    if (!tools.UploadDocumentXML(q, ToUtf16(Server().Url()), false, docId, ""))
      state.SkipWithError(ToUtf8(tools.Message).c_str());
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    peakGrowth = std::max(peakGrowth, kx::bench::StatusKiB("VmHWM") - before);
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
  state.counters["PeakGrowthMiB"] = static_cast<double>(peakGrowth) / 1024.0;
  const double curl = CurlSeconds();
  if (curl > 0 && state.iterations() > 0)
    state.counters["RatioToCurl"] = seconds / static_cast<double>(state.iterations()) / curl;
}
BENCHMARK(BM_UploadDocumentXML)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CurlUpload(benchmark::State& state) {
  for (auto _ : state) {
    const std::string cmd = CurlCommand("");  // a fresh query time, as each upload has
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("curl failed");
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_CurlUpload)->Unit(benchmark::kMillisecond)->UseRealTime();

// Without a registry or installation of its own, the program uses folders
// below its temporary one, never the machine's.
void OwnEnvironment() {
  const std::string root = Folder() + ".env";
  std::filesystem::create_directories(root + "/registry");
  std::filesystem::create_directories(root + "/vanto");
  ::setenv("VANTO_REGISTRY_DIR", (root + "/registry").c_str(), 0);
  ::setenv("VANTOSYS", (root + "/vanto").c_str(), 0);
}

}  // namespace

int main(int argc, char** argv) {
  OwnEnvironment();
  TkxNet::detail::InitializeModule();
  const int code = kx::bench::RunWithRatios(
      argc, argv, {{"BM_UploadDocumentXML", "BM_CurlUpload", "curl -T", true}}, [] {
        // The figures mean something only when both uploads are taken.
        if (!Server().Start()) return 2;
        TkxQueueTools tools;
        TDocumentQueueRecord q = Record();
        AnsiString docId;
        if (!tools.UploadDocumentXML(q, ToUtf16(Server().Url()), false, docId, "") || docId.empty()) {
          std::fprintf(stderr, "bench_upload: %s\n", ToUtf8(tools.Message).c_str());
          return 3;
        }
        FILE* pipe = ::popen(CurlCommand("-w '%{http_code}'").c_str(), "r");
        char status[8] = {};
        const bool read = pipe != nullptr && std::fgets(status, sizeof status, pipe) != nullptr;
        if (pipe != nullptr) ::pclose(pipe);
        if (!read || std::string(status) != "201") {
          std::fprintf(stderr, "bench_upload: curl got %s\n", status);
          return 4;
        }
        return 0;
      });
  TkxNet::detail::FinalizeModule();
  std::remove(BlobFile().c_str());
  std::filesystem::remove_all(Folder() + ".env");
  return code;
}
