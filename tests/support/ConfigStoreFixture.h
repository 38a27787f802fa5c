// tests/support/ConfigStoreFixture.h — the configuration store's test fixture:
// a fresh table per test on SQLite, PostgreSQL and MariaDB (the servers of
// scripts/test-db-servers; their cases skip without them), rows checked
// through a second connection and the engines' clients. Tests only.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "config/kxConfigManager.h"
#include "config/kxConfigSchema.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"
#include "platform/db/Odbc.h"
#include "tests/support/DatabaseClient.h"
#include "tests/support/DatabaseServers.h"

namespace kx::testing {

namespace db = kx::platform::db;

struct EngineCase {
  const char* Name;
  const char* ServerKey;  // nullptr for SQLite
};

inline const EngineCase kEngines[] = {
    {"SQLite", nullptr},
    {"PostgreSQL", "KX_TEST_POSTGRESQL"},
    {"MariaDB", "KX_TEST_MARIADB"},
};

inline Variant Int(int32_t V) { return Variant::FromInteger(V); }
inline Variant Text(const UnicodeString& V) { return Variant::FromOleStr(V); }

class ConfigStoreFixture : public ::testing::TestWithParam<EngineCase> {
 protected:
  void SetUp() override {
    db::EnableOdbc();
    kxConfigSeams::Seams seams;
    seams.Sleep = [this](uint32_t Ms) { slept_ += Ms; };
    // Every reading of the clock is one millisecond later.
    seams.TickCount = [this] { return ++ticks_; };
    seams.Now = [] { return TDateTime(46000.5); };
    kxConfigSeams::SetSeamsForTesting(seams);
    static int serial = 0;
    table_ = kx::testing::ScratchTable("cfg" + std::to_string(++serial));
    if (GetParam().ServerKey == nullptr) {
      file_ = (std::filesystem::path(std::getenv("TMPDIR")) / "config_store.db").string();
      std::filesystem::remove(file_);
      std::filesystem::remove(file_ + "-wal");
      std::filesystem::remove(file_ + "-shm");
      db::CreateDatabase(ToUtf16(file_));
      cs_ = u"Provider=SQLite;Data Source=" + ToUtf16(file_);
    } else {
      const std::string odbc = kx::testing::DatabaseServer(GetParam().ServerKey);
      KX_SKIP_WITHOUT_SERVER(odbc, GetParam().Name);
      cs_ = ToUtf16(odbc);
    }
    peer_ = db::Connection::Open(cs_, u"");
    db::Command(*peer_, u"DROP TABLE IF EXISTS " + table_).Execute();
    CreateConfigTable(*peer_, table_, TST_V2);
  }
  void TearDown() override {
    kxConfigHooks::SetBackupHook(nullptr);
    kxConfigHooks::SetChangedByUserHook(nullptr);
    if (peer_ != nullptr) db::Command(*peer_, u"DROP TABLE IF EXISTS " + table_).Execute();
    kxConfigSeams::SetSeamsForTesting({});
  }

  std::unique_ptr<TkxConfigManager> NewStore(bool z9Init = false) {
    auto store = std::make_unique<TkxConfigManager>(z9Init, cs_, table_);
    EXPECT_TRUE(store->IsConnected()) << ToUtf8(store->Message.Get());
    return store;
  }
  // Rows of the table as "KEYNAME|DATATYPE|KEYVALUE" under the parent's id
  // ("" for the top), in name order.
  std::vector<std::string> Rows(const TIdType& Parent) {
    db::DataSet q(*peer_, u"SELECT KEYNAME, DATATYPE, KEYVALUE FROM " + table_ +
                              u" WHERE COALESCE(PARENTID, '') = :P ORDER BY KEYNAME, DATATYPE");
    q.SetParam(u"P", Text(ToUtf16(Parent.View()))).Open();
    std::vector<std::string> rows;
    for (; !q.Eof(); q.Next())
      rows.push_back(ToUtf8(q.Fields(0).AsString() + u"|" + q.Fields(1).AsString() + u"|" +
                            q.Fields(2).AsString()));
    return rows;
  }
  int32_t Count(const UnicodeString& Where = u"1 = 1") {
    db::DataSet q(*peer_, u"SELECT count(*) FROM " + table_ + u" WHERE " + Where);
    q.Open();
    return q.Fields(0).AsInteger();
  }
  // Groups of rows with one parent, name and kind that hold more than one row.
  int32_t Duplicates() {
    db::DataSet q(*peer_, u"SELECT count(*) FROM (SELECT COALESCE(PARENTID, '') AS P FROM " + table_ +
                              u" GROUP BY COALESCE(PARENTID, ''), KEYNAME, DATATYPE HAVING count(*) > 1) d");
    q.Open();
    return q.Fields(0).AsInteger();
  }
  static bool Has(const std::vector<std::string>& Rows, const std::string& Row) {
    return std::find(Rows.begin(), Rows.end(), Row) != Rows.end();
  }
  // Rows whose parent is in no row.
  int32_t Orphans() {
    return Count(u"COALESCE(PARENTID, '') <> '' AND PARENTID NOT IN (SELECT ID FROM " + table_ + u")");
  }
  std::string Client(const std::string& Sql) {
    const auto r = kx::testing::RunDatabaseClient(GetParam().Name, file_, Sql);
    if (r.ExitCode != 0) ADD_FAILURE() << "client failed: " << r.Output;
    return r.Output;
  }
  bool IsSqlite() const { return GetParam().ServerKey == nullptr; }

  std::atomic<uint32_t> slept_{0};
  std::atomic<uint32_t> ticks_{0};
  std::string file_;
  UnicodeString cs_, table_;
  std::unique_ptr<db::Connection> peer_;
};

}  // namespace kx::testing
