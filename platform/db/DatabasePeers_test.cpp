// Rows written through the layer read back by each engine's own client
// (sqlite3, psql, mariadb), and rows those clients write read back through
// the layer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"
#include "platform/db/Odbc.h"
#include "tests/support/DatabaseClient.h"
#include "tests/support/DatabaseServers.h"
#include "tests/support/Process.h"

namespace {

namespace db = kx::platform::db;
using kx::testing::DatabaseServer;
using kx::testing::RunBounded;

struct Peer {
  const char* Name;
  const char* ServerKey;  // nullptr for SQLite
};

class DatabasePeersTest : public ::testing::TestWithParam<Peer> {
 protected:
  void SetUp() override {
    db::EnableOdbc();
    table_ = ToUtf8(kx::testing::ScratchTable("peers"));
    if (GetParam().ServerKey == nullptr) {
      if (RunBounded({"sqlite3", "-version"}, 10000).ExitCode != 0) GTEST_SKIP() << "no sqlite3";
      file_ = (std::filesystem::path(std::getenv("TMPDIR")) / "peers.db").string();
      std::filesystem::remove(file_);
      db::CreateDatabase(ToUtf16(file_));
      c_ = db::Connection::Open(ToUtf16("Provider=SQLite;Data Source=" + file_), u"");
    } else {
      const std::string odbc = DatabaseServer(GetParam().ServerKey);
      KX_SKIP_WITHOUT_SERVER(odbc, GetParam().Name);
      c_ = db::Connection::Open(ToUtf16(odbc), u"");
    }
    db::Command(*c_, ToUtf16("DROP TABLE IF EXISTS " + table_)).Execute();
    db::Command(*c_, ToUtf16("CREATE TABLE " + table_ + " (id INTEGER, txt VARCHAR(40))")).Execute();
  }
  void TearDown() override {
    if (c_ != nullptr) db::Command(*c_, ToUtf16("DROP TABLE IF EXISTS " + table_)).Execute();
  }

  // Runs Sql with the engine's client; its output, rows as "a|b" lines.
  std::string Client(const std::string& Sql) {
    const auto r = kx::testing::RunDatabaseClient(GetParam().Name, file_, Sql);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    return r.Output;
  }

  std::string file_, table_;
  std::unique_ptr<db::Connection> c_;
};

TEST_P(DatabasePeersTest, TheClientReadsWhatTheLayerWrote) {
  db::Command insert(*c_, ToUtf16("INSERT INTO " + table_ + " VALUES (:ID, :TXT)"));
  insert.SetParam(u"ID", Variant::FromInteger(1)).SetParam(u"TXT", Variant::FromOleStr(u"Stra\u00DFe \U0001F600")).Execute();
  insert.SetParam(u"ID", Variant::FromInteger(2)).SetParam(u"TXT", Variant::FromOleStr(u"it's")).Execute();
  EXPECT_EQ(Client("SELECT id, txt FROM " + table_ + " ORDER BY id"),
            "1|Stra\xC3\x9F" "e \xF0\x9F\x98\x80\n2|it's\n");
}

TEST_P(DatabasePeersTest, TheLayerReadsWhatTheClientWrote) {
  Client("INSERT INTO " + table_ + " VALUES (7, 'caf\xC3\xA9 \xE4\xB8\xAD'), (8, NULL)");
  db::DataSet q(*c_, ToUtf16("SELECT id, txt FROM " + table_ + " ORDER BY id"));
  q.Open();
  ASSERT_EQ(q.RecordCount(), 2);
  EXPECT_EQ(q.FieldByName(u"txt").AsString(), u"caf\u00E9 \u4E2D");
  q.Next();
  EXPECT_TRUE(q.FieldByName(u"txt").IsNull());
}

const Peer kPeers[] = {
    {"SQLite", nullptr}, {"PostgreSQL", "KX_TEST_POSTGRESQL"}, {"MariaDB", "KX_TEST_MARIADB"}};
INSTANTIATE_TEST_SUITE_P(Engines, DatabasePeersTest, ::testing::ValuesIn(kPeers),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
