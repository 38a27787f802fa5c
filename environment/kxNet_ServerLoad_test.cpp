// The HTTP server under load: a python3 script with many parallel clients
// (new and kept-alive connections, bodies up to 1 MB, some gzip) checks that
// no answer is lost or wrong. Counts are bounded, and smaller under the
// sanitizers; nothing here measures speed.
#include <dirent.h>
#include <gtest/gtest.h>

#include <string>

#include "environment/kxClassFactory.h"
#include "environment/kxNet.h"
#include "platform/http/HttpServer.h"
#include "tests/support/HttpLoadEcho.h"
#include "tests/support/Process.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kClients = 16, kRequests = 25;
#else
constexpr int kClients = 64, kRequests = 100;
#endif

int Entries(const char* Folder) {
  DIR* d = ::opendir(Folder);
  int n = 0;
  while (const dirent* e = ::readdir(d))
    if (e->d_name[0] != '.') ++n;
  ::closedir(d);
  return n;
}

std::string Script() { return std::string(std::getenv("KX_SOURCE_DIR")) + "/tests/support/http_load.py"; }

TEST(ServerLoad, NoAnswerIsLostOrWrongAndEverythingIsGivenBack) {
  if (kx::testing::RunBounded({"python3", "--version"}, 10000).ExitCode != 0) GTEST_SKIP() << "python3 is not there";
  const int threadsBefore = Entries("/proc/self/task");
  const int descriptorsBefore = Entries("/proc/self/fd");
  {
    TkxClassFactory factory;
    factory.HttpServerOptions.Bindings = {{"127.0.0.1", Id_IPv4}};
    auto server = factory.CreateHttpServer(0, false);
    server->OnCommand = kx::testing::HttpLoadEcho;
    server->SetActive(true);
    const auto r = kx::testing::RunBounded({"python3", Script(), std::to_string(server->BoundPort()),
                                            std::to_string(kClients), std::to_string(kRequests), "--deadline", "240"},
                                           300000);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_EQ(r.Output.rfind("ok=" + std::to_string(kClients * kRequests) + " refused=0 errors=0", 0), 0u) << r.Output;
    server->SetActive(false);
    EXPECT_EQ(Entries("/proc/self/task"), threadsBefore);
  }
  EXPECT_EQ(Entries("/proc/self/fd"), descriptorsBefore);
}

TEST(ServerLoad, ASmallConnectionLimitRefusesWith503) {
  if (kx::testing::RunBounded({"python3", "--version"}, 10000).ExitCode != 0) GTEST_SKIP() << "python3 is not there";
  TkxClassFactory factory;
  factory.HttpServerOptions.Bindings = {{"127.0.0.1", Id_IPv4}};
  factory.HttpServerOptions.MaxConnections = 3;
  auto server = factory.CreateHttpServer(0, false);
  server->OnCommand = kx::testing::HttpLoadEcho;
  server->SetActive(true);
  const auto r = kx::testing::RunBounded({"python3", Script(), std::to_string(server->BoundPort()), "16", "20",
                                          "--refusals", "--deadline", "120"},
                                         180000);
  EXPECT_EQ(r.ExitCode, 0) << r.Output;
  const size_t refused = r.Output.find("refused=");
  ASSERT_NE(refused, std::string::npos) << r.Output;
  EXPECT_GT(std::stoi(r.Output.substr(refused + 8)), 0) << r.Output;
}

}  // namespace
