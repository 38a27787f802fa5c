// Time-outs and lost connections: a server that never answers, a statement
// blocked by another connection's lock, a session the server ends.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iterator>

#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"
#include "platform/db/Odbc.h"
#include "tests/support/DatabaseServers.h"

namespace {

namespace db = kx::platform::db;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point Start) {
  return std::chrono::duration<double>(Clock::now() - Start).count();
}

// A loopback port that takes connections into its backlog and never
// answers on them.
class SilentListener {
 public:
  SilentListener() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd_, 16);
    socklen_t length = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length);
    port_ = ntohs(a.sin_port);
  }
  ~SilentListener() { close(fd_); }
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

TEST(DatabaseFaults, LoginTimeOutOnAServerThatNeverAnswers) {
  db::EnableOdbc();
  const std::string odbc = "/usr/lib/" + std::string(KX_MULTIARCH) + "/odbc/";
  SilentListener silent;
  const std::string port = std::to_string(silent.Port());
  const struct {
    const char* name;
    std::string driver;
    UnicodeString connection;
  } cases[] = {
      {"PostgreSQL", odbc + "psqlodbcw.so",
       ToUtf16("Driver=" + odbc + "psqlodbcw.so;Server=127.0.0.1;Port=" + port +
               ";Database=x;UID=u;PWD=p")},
      {"MariaDB", odbc + "libmaodbc.so",
       ToUtf16("Driver=" + odbc + "libmaodbc.so;Server=127.0.0.1;Port=" + port +
               ";Database=x;UID=u;PWD=p")},
      // SQL Server through FreeTDS, by the provider's own mapping.
      {"SQL Server", odbc + "libtdsodbc.so",
       ToUtf16("Provider=SQLOLEDB.1;Data Source=127.0.0.1," + port +
               ";Initial Catalog=x;User ID=u;Password=p")},
  };
  for (const auto& c : cases) {
    if (!std::filesystem::exists(c.driver)) {
      ADD_FAILURE() << c.name << ": the ODBC driver " << c.driver << " is missing (scripts/setup)";
      continue;
    }
    const auto start = Clock::now();
    try {
      db::Connection::Open(c.connection, u"", {2, 2});
      ADD_FAILURE() << c.name << ": connected";
    } catch (const EDatabaseError& e) {
      const double took = SecondsSince(start);
      EXPECT_GE(took, 1.5) << c.name << ": " << ToUtf8(e.Message);
      EXPECT_LT(took, 10.0) << c.name << ": " << ToUtf8(e.Message);
    }
  }
}

struct ServerCase {
  const char* Name;
  const char* Key;  // nullptr for SQLite
};

class DatabaseFaultsTest : public ::testing::TestWithParam<ServerCase> {
 protected:
  void SetUp() override {
    db::EnableOdbc();
    if (GetParam().Key == nullptr) {
      const auto file = std::filesystem::path(std::getenv("TMPDIR")) / "faults.db";
      std::filesystem::remove(file);
      db::CreateDatabase(ToUtf16(file.string()));
      cs_ = u"Provider=SQLite;Data Source=" + ToUtf16(file.string());
    } else {
      const std::string odbc = kx::testing::DatabaseServer(GetParam().Key);
      KX_SKIP_WITHOUT_SERVER(odbc, GetParam().Name);
      cs_ = ToUtf16(odbc);
    }
    a_ = db::Connection::Open(cs_, u"");
    table_ = kx::testing::ScratchTable("locks");
    db::Command(*a_, u"DROP TABLE IF EXISTS " + table_).Execute();
    db::Command(*a_, u"CREATE TABLE " + table_ + u" (id INTEGER PRIMARY KEY, v INTEGER)").Execute();
    db::Command(*a_, u"INSERT INTO " + table_ + u" VALUES (1, 0)").Execute();
  }
  void TearDown() override {
    if (a_ != nullptr && a_->Status() == u"1")
      db::Command(*a_, u"DROP TABLE IF EXISTS " + table_).Execute();
  }

  UnicodeString cs_, table_;
  std::unique_ptr<db::Connection> a_;
};

// What only an engine with a server has (not SQLite).
class DatabaseServerFaultsTest : public DatabaseFaultsTest {};

TEST_P(DatabaseFaultsTest, ALockedRowTimesOutAfterTheCommandTimeOut) {
  const UnicodeString update = u"UPDATE " + table_ + u" SET v = v + 1 WHERE id = 1";
  db::Transaction holding(*a_);
  db::Command(*a_, update).Execute();
  auto b = db::Connection::Open(cs_, u"", {15, 1});
  const auto start = Clock::now();
  try {
    db::Command(*b, update).Execute();
    ADD_FAILURE() << "the update ran";
  } catch (const EDatabaseError& e) {
    const double took = SecondsSince(start);
    EXPECT_EQ(e.Kind, db::ErrorKind::Timeout) << ToUtf8(e.Message);
    EXPECT_GE(took, 0.8) << ToUtf8(e.Message);
    EXPECT_LT(took, 8.0) << ToUtf8(e.Message);
  }
  holding.Rollback();
  // The blocked connection works on once the lock is gone.
  EXPECT_EQ(db::Command(*b, update).Execute(), 1);
}

TEST_P(DatabaseServerFaultsTest, ASessionEndedByTheServerIsLost) {
  const bool postgres = std::string(GetParam().Key) == "KX_TEST_POSTGRESQL";
  const UnicodeString id =
      a_->FirstRow(postgres ? u"SELECT pg_backend_pid()" : u"SELECT CONNECTION_ID()").at(0);
  auto killer = db::Connection::Open(cs_, u"");
  if (postgres)
    killer->FirstRow(u"SELECT pg_terminate_backend(" + id + u")");
  else
    db::Command(*killer, u"KILL " + id).Execute();
  try {
    db::DataSet(*a_, u"SELECT v FROM " + table_).Open();
    ADD_FAILURE() << "the statement ran";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Kind, db::ErrorKind::ConnectionLost)
        << ToUtf8(e.Message) << " " << ToUtf8(e.SqlState) << " " << e.NativeError;
  }
  EXPECT_EQ(a_->Status(), u"2");
  a_ = db::Connection::Open(cs_, u"");
  EXPECT_EQ(a_->Status(), u"1");
  EXPECT_EQ(a_->FirstRow(u"SELECT v FROM " + table_), std::vector<UnicodeString>{u"0"});
}

const ServerCase kServers[] = {
    {"SQLite", nullptr}, {"PostgreSQL", "KX_TEST_POSTGRESQL"}, {"MariaDB", "KX_TEST_MARIADB"}};
INSTANTIATE_TEST_SUITE_P(Engines, DatabaseFaultsTest, ::testing::ValuesIn(kServers),
                         [](const auto& info) { return std::string(info.param.Name); });
INSTANTIATE_TEST_SUITE_P(Engines, DatabaseServerFaultsTest,
                         ::testing::ValuesIn(std::begin(kServers) + 1, std::end(kServers)),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
