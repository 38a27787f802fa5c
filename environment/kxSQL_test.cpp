#include "environment/kxSQL.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"
#include "platform/db/Odbc.h"
#include "platform/os/HostProgram.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "environment/kxVanto_Identity.h"
#include "tests/support/DatabaseServers.h"
#include "tests/support/FakeInstallation.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace db = kx::platform::db;
using kx::testing::FakeInstallation;
using kx::testing::InstallKind;

TEST(TkxSQL, CreateTransactionIdIsTimeIdAndProgram) {
  kx::platform::SetClockForTesting([] { return EncodeDateTime(2024, 5, 6, 9, 30, 15, 42); });
  const struct {
    const char* program;
    size_t length;
    std::u16string_view tail;
  } cases[] = {
      {"/opt/vanto/kxdravsrv", 29, u"_KXDRAVSRV"},
      {"/opt/vanto/Kx.Tool.exe", 27, u"_KX.TOOL"},
      {"/opt/vanto/averyveryverylongprogramname", 32, u"_AVERYVERY"},  // cut to 32
  };
  for (const auto& c : cases) {
    kx::platform::SetHostProgramForTesting(c.program);
    const UnicodeString id = TkxSQL::CreateTransactionId();
    EXPECT_EQ(id.size(), c.length) << ToUtf8(id);
    EXPECT_TRUE(id.starts_with(u"KXTA093015042_")) << ToUtf8(id);
    EXPECT_EQ(id.substr(19, c.tail.size()), c.tail) << ToUtf8(id);
  }
  kx::platform::SetHostProgramForTesting(std::nullopt);
  kx::platform::SetClockForTesting(nullptr);
}

TEST(TkxSQL, GetTransactionStatementByEngine) {
  const struct {
    TkxDatabaseType type;
    TkxTransactionType transaction;
    std::u16string_view want;
  } cases[] = {
      {kxDBT_MySQL, kxTT_Begin, u"START TRANSACTION"},
      {kxDBT_MySQL, kxTT_Commit, u"COMMIT"},
      {kxDBT_MySQL, kxTT_RollBack, u"ROLLBACK"},
      {kxDBT_Oracle, kxTT_Begin, u"SAVEPOINT T1"},
      {kxDBT_Oracle, kxTT_Commit, u"COMMIT WORK RELEASE"},
      {kxDBT_Oracle, kxTT_RollBack, u"ROLLBACK TO SAVEPOINT T1"},
      {kxDBT_MSSQL, kxTT_Begin, u"BEGIN TRANSACTION T1"},
      {kxDBT_MSSQL2012, kxTT_Begin, u"BEGIN TRANSACTION T1"},  // like kxDBT_MSSQL
      {kxDBT_Unknown, kxTT_Commit, u"COMMIT TRANSACTION T1"},
      {kxDBT_DB2, kxTT_RollBack, u"ROLLBACK TRANSACTION T1"},
      {kxDBT_MySQL, static_cast<TkxTransactionType>(3), u""},
      {kxDBT_MSSQL, static_cast<TkxTransactionType>(7), u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxSQL::GetTransactionStatement(u"T1", c.type, c.transaction), c.want)
        << int(c.type) << "/" << int(c.transaction);
}

TEST(TkxSQL, PrepareSQLTurnsDoubleQuotesIntoSingle) {
  EXPECT_EQ(TkxSQL::PrepareSQL(u"SELECT SERVERPROPERTY(\"EDITION\"), '\"'"),
            u"SELECT SERVERPROPERTY('EDITION'), '''");
  TStringList lines;
  lines.Add(u"a = \"x\"");
  lines.Add(u"");
  lines.Add(u"\"\"");
  EXPECT_TRUE(TkxSQL::PrepareSQL(lines));
  EXPECT_EQ(lines.Get(0), u"a = 'x'");
  EXPECT_EQ(lines.Get(2), u"''");
  EXPECT_EQ(lines.GetCount(), 3);
}

TEST(TkxSQL, SecureSQLEscapesForSelectOnly) {
  const struct {
    std::u16string_view in;
    bool convert;
    TkxSQLQueryType type;
    std::u16string_view want;
  } cases[] = {
      {u"Miller's", true, kxSQT_SELECT, u"Miller''s"},
      {u"Miller's", true, kxSQT_UPDATE, u"Miller's"},
      {u"Miller's", false, kxSQT_SELECT, u"Miller's"},
      {u"a(b)^c\"d;e[f]", true, kxSQT_SELECT, u"a[(]b[)][^]c[\"]d[;]e[f]"},
      {u"Select\tfrom", false, kxSQT_SELECT, u"Select\tfrom"},  // a tab is no blank
      {u"drop tablespoon", false, kxSQT_SELECT, u"drop tablespoon"},
      {u"SELECTION FROM x", false, kxSQT_SELECT, u"SELECTION FROM x"},
      {u"select 1234567890 from", false, kxSQT_SELECT, u"select 1234567890 from"},  // beyond ten
      {u"-- note", false, kxSQT_INSERT, u"-- note"},
      // Only the first occurrence of a word is tested.
      {u"update me, or update set", false, kxSQT_UPDATE, u"update me, or update set"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxSQL::SecureSQL(UnicodeString(c.in), c.convert, c.type), c.want) << ToUtf8(c.in);
}

TEST(TkxSQL, SecureSQLRaisesOnStatementWords) {
  for (const char16_t* in : {u"x; drop table y", u"drop table x", u"select    *   from t",
                             u"a;DELETE  x", u"Insert Into t", u"--(", u"exec (x)",
                             u"create index x", u"1;  --"}) {
    try {
      TkxSQL::SecureSQL(in, false, kxSQT_SELECT);
      ADD_FAILURE() << ToUtf8(in) << ": no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message, u"possible SQL injection attack detected!");
      EXPECT_EQ(e.ClassName(), u"Exception");
    }
  }
  // Escaping comes first: "[;]" hides the ";" before the word.
  EXPECT_NO_THROW(TkxSQL::SecureSQL(u"x;drop it", true, kxSQT_SELECT));
  EXPECT_THROW(TkxSQL::SecureSQL(u"x;drop it", true, kxSQT_DELETE), Exception);
}

// SQLite stand-ins for the Oracle and DB2 catalogues: DBA_TABLES, COLS,
// V$VERSION and a database attached as SYSCAT.
std::string g_syscat;
int AttachSyscat(sqlite3* Db, char**, const sqlite3_api_routines*) {
  const std::string sql = "ATTACH DATABASE '" + g_syscat + "' AS SYSCAT";
  sqlite3_exec(Db, sql.c_str(), nullptr, nullptr, nullptr);
  return SQLITE_OK;
}

class TkxSQLSqlite : public kx::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    db::CreateDatabase(U("main.db"));
    db::CreateDatabase(U("syscat.db"));
    cs_ = u"Provider=SQLite;Data Source=" + U("main.db");
    c_ = db::Connection::Open(cs_, u"");
  }
  void Exec(const UnicodeString& Sql) { db::Command(*c_, Sql).Execute(); }

  UnicodeString cs_;
  std::unique_ptr<db::Connection> c_;
};

TEST_F(TkxSQLSqlite, GetDatabaseTypeTakesTheFirstProbeThatRuns) {
  UnicodeString version = u"x";
  EXPECT_EQ(TkxSQL::GetDatabaseType(cs_, version), kxDBT_Unknown);
  EXPECT_EQ(version, u"Unknown");
  Exec(u"CREATE TABLE \"V$VERSION\" (BANNER TEXT, N INTEGER)");
  EXPECT_EQ(TkxSQL::GetDatabaseType(cs_, version), kxDBT_Oracle);
  EXPECT_EQ(version, u"ORACLE");  // no row: no field texts
  Exec(u"INSERT INTO \"V$VERSION\" VALUES ('Oracle 19c', NULL)");
  EXPECT_EQ(TkxSQL::GetDatabaseType(cs_, version), kxDBT_Oracle);
  EXPECT_EQ(version, u"ORACLE Oracle 19c ");  // NULL's text is empty
  // No connection: at once unknown, never raising.
  EXPECT_EQ(TkxSQL::GetDatabaseType(u"Provider=SQLite;Data Source=" + U("none.db"), version),
            kxDBT_Unknown);
  EXPECT_EQ(version, u"Unknown");
  EXPECT_EQ(TkxSQL::GetDatabaseType(u"Provider=Nothing"), kxDBT_Unknown);
}

TEST(TkxSQL, TheDb2ProbeEndsWithItsAlias) {
  // No engine accepts the probe with a trailing ";);", so DB2 could never
  // be told; it is sent ending with "AS A".
  EXPECT_EQ(TkxSQL::detail::DatabaseTypeProbe(3),
            u"SELECT SERVICE_LEVEL, FIXPACK_NUM, BLD_LEVEL FROM TABLE "
            u"(SYSPROC.ENV_GET_INST_INFO()) AS A");
  EXPECT_EQ(TkxSQL::detail::DatabaseTypeProbe(1), u"SELECT VERSION()");
}

TEST_F(TkxSQLSqlite, TablesAndColumnsOfOracleAndDb2Catalogues) {
  Exec(u"CREATE TABLE DBA_TABLES (TABLE_NAME TEXT)");
  Exec(u"INSERT INTO DBA_TABLES VALUES ('B'), ('A')");
  Exec(u"CREATE TABLE COLS (TABLE_NAME TEXT, COLUMN_NAME TEXT)");
  Exec(u"INSERT INTO COLS VALUES ('A', 'ID'), ('A', 'NAME'), ('B', 'X')");
  // The data link folder is TkxVanto::GetConfigPath(); an absolute file
  // stands anywhere.
  TStringList list;
  list.Add(u"kept");
  EXPECT_TRUE(TkxSQL::GetTables(cs_, kxDBT_Oracle, list));
  EXPECT_EQ(list.GetTextStr(), u"kept\r\nA\r\nB\r\n");  // appended, never cleared
  TStringList columns;
  EXPECT_TRUE(TkxSQL::GetColumns(cs_, kxDBT_Oracle, u"A", columns));
  EXPECT_EQ(columns.GetTextStr(), u"ID\r\nNAME\r\n");

  // DB2: every new connection attaches the stand-in as SYSCAT.
  auto s = db::Connection::Open(u"Provider=SQLite;Data Source=" + U("syscat.db"), u"");
  db::Command(*s, u"CREATE TABLE TABLES (TABNAME TEXT)").Execute();
  db::Command(*s, u"INSERT INTO TABLES VALUES ('T2'), ('T1')").Execute();
  db::Command(*s, u"CREATE TABLE COLUMNS (TABNAME TEXT, COLNAME TEXT)").Execute();
  db::Command(*s, u"INSERT INTO COLUMNS VALUES ('T1', 'C1'), ('T2', 'C2'), ('T1', 'C3')").Execute();
  s.reset();
  TStringList db2;
  EXPECT_THROW(TkxSQL::GetTables(cs_, kxDBT_DB2, db2), EDatabaseError);  // not attached yet
  g_syscat = P("syscat.db");
  ASSERT_EQ(sqlite3_auto_extension(reinterpret_cast<void (*)()>(&AttachSyscat)), SQLITE_OK);
  EXPECT_TRUE(TkxSQL::GetTables(cs_, kxDBT_DB2, db2));
  EXPECT_TRUE(TkxSQL::GetColumns(cs_, kxDBT_DB2, u"T1", db2));
  sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&AttachSyscat));
  EXPECT_EQ(db2.GetTextStr(), u"T1\r\nT2\r\nC1\r\nC3\r\n");

  for (const TkxDatabaseType type : {kxDBT_Unknown, kxDBT_Z9, kxDBT_MSSQL2016, kxDBT_Informix}) {
    try {
      TkxSQL::GetTables(cs_, type, list);
      ADD_FAILURE() << int(type);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message, u"unsupported database type");
    }
    EXPECT_THROW(TkxSQL::GetColumns(cs_, type, u"A", columns), Exception);
  }
}

// On the servers of scripts/test-db-servers: PostgreSQL and MariaDB both
// answer the second probe, so both count as kxDBT_MySQL.
class TkxSQLServers : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    db::EnableOdbc();
    const std::string odbc = kx::testing::DatabaseServer(GetParam());
    KX_SKIP_WITHOUT_SERVER(odbc, GetParam());
    cs_ = ToUtf16(odbc);
    c_ = db::Connection::Open(cs_, u"");
    table_ = kx::testing::ScratchTable("sqltables");
    db::Command(*c_, u"DROP TABLE IF EXISTS " + table_).Execute();
    db::Command(*c_, u"CREATE TABLE " + table_ + u" (id INTEGER, label VARCHAR(9))").Execute();
  }
  void TearDown() override {
    if (c_ != nullptr) db::Command(*c_, u"DROP TABLE IF EXISTS " + table_).Execute();
  }
  int32_t Rows() {
    db::DataSet q(*c_, u"SELECT count(*) FROM " + table_);
    q.Open();
    return q.Fields(0).AsInteger();
  }

  UnicodeString cs_, table_;
  std::unique_ptr<db::Connection> c_;
};

TEST_P(TkxSQLServers, DatabaseTypeTablesAndColumns) {
  UnicodeString version;
  EXPECT_EQ(TkxSQL::GetDatabaseType(cs_, version), kxDBT_MySQL);
  const UnicodeString server = ToUtf16(c_->FirstRow(u"SELECT VERSION()").empty()
                                           ? std::string()
                                           : ToUtf8(c_->FirstRow(u"SELECT VERSION()")[0]));
  EXPECT_EQ(version, u"MYSQL " + server);
  TStringList tables;
  EXPECT_TRUE(TkxSQL::GetTables(cs_, kxDBT_MySQL, tables));
  EXPECT_GE(tables.IndexOf(table_), 0) << ToUtf8(tables.GetTextStr());
  TStringList columns;
  EXPECT_TRUE(TkxSQL::GetColumns(cs_, kxDBT_MSSQL, table_, columns));
  EXPECT_EQ(columns.GetTextStr(), u"id\r\nlabel\r\n");
}

TEST_P(TkxSQLServers, TransactionStatementsTheEngineAcceptsUndoARow) {
  const UnicodeString id = TkxSQL::CreateTransactionId();
  const UnicodeString insert = u"INSERT INTO " + table_ + u" VALUES (1, 'x')";
  auto run = [&](TkxDatabaseType Type, TkxTransactionType T) {
    db::Command(*c_, TkxSQL::GetTransactionStatement(id, Type, T)).Execute();
  };
  if (std::string(GetParam()) == "KX_TEST_MARIADB") {
    run(kxDBT_MySQL, kxTT_Begin);
    db::Command(*c_, insert).Execute();
    run(kxDBT_MySQL, kxTT_RollBack);
    EXPECT_EQ(Rows(), 0);
  }
  // Savepoints inside a transaction: every engine here takes them.
  db::Transaction t(*c_);
  run(kxDBT_Oracle, kxTT_Begin);
  db::Command(*c_, insert).Execute();
  run(kxDBT_Oracle, kxTT_RollBack);
  t.Commit();
  EXPECT_EQ(Rows(), 0);
}

// The installation's version text comes from the server it names.
TEST_P(TkxSQLServers, GetDatabaseVersionAnswersTheServersVersion) {
  FakeInstallation fake(InstallKind::Installed);
  UnicodeString quoted;
  for (const char16_t ch : cs_) {
    quoted.push_back(ch);
    if (ch == u'"') quoted.push_back(ch);
  }
  fake.WriteFile("vanto/cfg/kxsyscfg.udl",
                 FakeInstallation::DataLinkFileBytes(u"Provider=MSDASQL.1;Extended Properties=\"" +
                                                     quoted + u"\""));
  fake.SetText(HKEY_LOCAL_MACHINE, u"DatabaseType", u"MySQL");
  const UnicodeString version = c_->FirstRow(u"SELECT VERSION()").at(0);
  EXPECT_EQ(TkxVanto::GetDatabaseVersion(), u"MySQL (" + version + u")");
  EXPECT_TRUE(TkxVanto::IsDatabaseAvailable());
}

INSTANTIATE_TEST_SUITE_P(Servers, TkxSQLServers,
                         ::testing::Values("KX_TEST_POSTGRESQL", "KX_TEST_MARIADB"),
                         [](const auto& info) {
                           return std::string(info.param).substr(8);
                         });

TEST_F(TkxSQLSqlite, TransactionStatementsOfEveryOtherEngineUndoARow) {
  Exec(u"CREATE TABLE t (id INTEGER)");
  const UnicodeString id = TkxSQL::CreateTransactionId();
  Exec(TkxSQL::GetTransactionStatement(id, kxDBT_MSSQL, kxTT_Begin));
  Exec(u"INSERT INTO t VALUES (1)");
  Exec(TkxSQL::GetTransactionStatement(id, kxDBT_MSSQL, kxTT_RollBack));
  Exec(TkxSQL::GetTransactionStatement(id, kxDBT_MSSQL, kxTT_Begin));
  Exec(u"INSERT INTO t VALUES (2)");
  Exec(TkxSQL::GetTransactionStatement(id, kxDBT_MSSQL, kxTT_Commit));
  EXPECT_EQ(c_->FirstRow(u"SELECT group_concat(id) FROM t"), std::vector<UnicodeString>{u"2"});
}

}  // namespace
