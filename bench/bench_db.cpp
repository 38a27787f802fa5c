// The database layer against the engines' own interfaces:
//   - point SELECTs on SQLite through a data set, against the same prepared
//     statement on SQLite's C API;
//   - 100,000 PostgreSQL rows fetched through a data set, against
//     "psql -At" printing them (needs the servers of scripts/test-db-servers;
//     KX_DB_SERVERS names their file, else build/test-db-servers.txt).
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "bench/BenchRatio.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"
#include "platform/db/Odbc.h"
#include "tests/support/DatabaseServers.h"

namespace {

namespace db = kx::platform::db;
constexpr int kRows = 1000;
constexpr int kPgRows = 100000;

const std::string& SqliteFile() {
  static const std::string file = [] {
    const std::string name = kx::bench::ScratchName("bench_db") + ".db";
    std::filesystem::remove(name);
    db::CreateDatabase(ToUtf16(name));
    auto c = db::Connection::Open(ToUtf16("Provider=SQLite;Data Source=" + name), u"");
    db::Command(*c, u"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, n INTEGER)").Execute();
    db::Transaction t(*c);
    db::Command insert(*c, u"INSERT INTO t VALUES (:ID, :NAME, :N)");
    for (int i = 0; i < kRows; ++i)
      insert.SetParam(u"ID", Variant::FromInteger(i))
          .SetParam(u"NAME", Variant::FromOleStr(u"name " + ToUtf16(std::to_string(i))))
          .SetParam(u"N", Variant::FromInteger(i * 7))
          .Execute();
    t.Commit();
    return name;
  }();
  return file;
}

void BM_LayerPointSelect(benchmark::State& state) {
  auto c = db::Connection::Open(ToUtf16("Provider=SQLite;Data Source=" + SqliteFile()), u"");
  db::DataSet q(*c, u"SELECT name, n FROM t WHERE id = :ID");
  int i = 0;
  for (auto _ : state) {
    q.SetParam(u"ID", Variant::FromInteger(i++ % kRows)).Open();
    benchmark::DoNotOptimize(q.FieldByName(u"name").AsString());
    benchmark::DoNotOptimize(q.FieldByName(u"n").AsInteger());
  }
}
BENCHMARK(BM_LayerPointSelect)->UseRealTime();

void BM_CApiPointSelect(benchmark::State& state) {
  sqlite3* handle = nullptr;
  sqlite3_open_v2(SqliteFile().c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(handle, "SELECT name, n FROM t WHERE id = ?", -1, &s, nullptr);
  int i = 0;
  for (auto _ : state) {
    sqlite3_bind_int(s, 1, i++ % kRows);
    // The same work as the layer: the text as UTF-16, the number.
    if (sqlite3_step(s) == SQLITE_ROW) {
      const void* text = sqlite3_column_text16(s, 0);
      benchmark::DoNotOptimize(UnicodeString(static_cast<const char16_t*>(text),
                                             static_cast<size_t>(sqlite3_column_bytes16(s, 0)) / 2));
      benchmark::DoNotOptimize(sqlite3_column_int(s, 1));
    }
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
  sqlite3_close(handle);
}
BENCHMARK(BM_CApiPointSelect)->UseRealTime();

std::string Server(const std::string& Key) {
  if (std::getenv("KX_DB_SERVERS") == nullptr) setenv("KX_DB_SERVERS", "build/test-db-servers.txt", 0);
  return kx::testing::DatabaseServer(Key);
}

UnicodeString PgTable() { return u"kxbench_rows"; }

void BM_LayerPostgresRows(benchmark::State& state) {
  const std::string odbc = Server("KX_TEST_POSTGRESQL");
  if (odbc.empty()) return state.SkipWithError("no PostgreSQL test server (scripts/test-db-servers start)");
  auto c = db::Connection::Open(ToUtf16(odbc), u"");
  for (auto _ : state) {
    db::DataSet q(*c, u"SELECT id, name FROM " + PgTable() + u" ORDER BY id");
    q.Open();
    if (q.RecordCount() != kPgRows) state.SkipWithError("wrong row count");
  }
}
BENCHMARK(BM_LayerPostgresRows)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PsqlRows(benchmark::State& state) {
  if (Server("KX_PG_PORT").empty()) return state.SkipWithError("no PostgreSQL test server");
  const std::string cmd = "PGPASSWORD='" + Server("KX_DB_PASSWORD") + "' psql -X -At -h 127.0.0.1 -p " +
                          Server("KX_PG_PORT") + " -U " + Server("KX_DB_USER") + " -d " +
                          Server("KX_DB_DATABASE") + " -c 'SELECT id, name FROM kxbench_rows ORDER BY id' > /dev/null";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("psql failed");
}
BENCHMARK(BM_PsqlRows)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  db::EnableOdbc();
  const int code = kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_LayerPointSelect", "BM_CApiPointSelect", "the same prepared statement on SQLite's C API", true},
       {"BM_LayerPostgresRows", "BM_PsqlRows", "psql -At", true}},
      [] {
        const std::string odbc = Server("KX_TEST_POSTGRESQL");
        if (odbc.empty()) return 0;
        auto c = db::Connection::Open(ToUtf16(odbc), u"");
        db::Command(*c, u"DROP TABLE IF EXISTS " + PgTable()).Execute();
        db::Command(*c, u"CREATE TABLE " + PgTable() + u" AS SELECT g AS id, 'row ' || g AS name "
                        u"FROM generate_series(1, 100000) g").Execute();
        return 0;
      });
  std::filesystem::remove(SqliteFile());
  return code;
}
