// The contract of the database layer, the same on every engine: SQLite,
// PostgreSQL and MariaDB (the last two through ODBC, on the servers of
// scripts/test-db-servers).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <limits>

#include "platform/db/Connection.h"
#include "platform/db/ConnectionString.h"
#include "platform/db/DataSet.h"
#include "tests/support/DatabaseServers.h"
#include "platform/db/Odbc.h"
#include "platform/rtl/CaseMapping.h"

namespace {

namespace db = kx::platform::db;
using kx::testing::ScratchTable;

struct EngineCase {
  const char* Name;
  const char* ServerKey;  // nullptr for SQLite
  db::Engine Engine;
};

const EngineCase kEngines[] = {
    {"SQLite", nullptr, db::Engine::SQLite},
    {"PostgreSQL", "KX_TEST_POSTGRESQL", db::Engine::PostgreSQL},
    {"MariaDB", "KX_TEST_MARIADB", db::Engine::MySQL},
};

class DatabaseTest : public ::testing::TestWithParam<EngineCase> {
 protected:
  void SetUp() override {
    db::EnableOdbc();
    if (GetParam().ServerKey == nullptr) {
      const std::filesystem::path file =
          std::filesystem::path(std::getenv("TMPDIR")) / "database_test.db";
      std::filesystem::remove(file);
      db::CreateDatabase(ToUtf16(file.string()));
      connectionString_ = u"Provider=SQLite;Data Source=" + ToUtf16(file.string());
    } else {
      const std::string odbc = kx::testing::DatabaseServer(GetParam().ServerKey);
      KX_SKIP_WITHOUT_SERVER(odbc, GetParam().Name);
      connectionString_ = ToUtf16(odbc);
    }
    c_ = Open();
    table_ = ScratchTable("t");
    Drop(table_);
    const UnicodeString text = Is(db::Engine::MySQL) ? u"LONGTEXT" : u"TEXT";
    const UnicodeString stamp = Is(db::Engine::PostgreSQL) ? u"TIMESTAMP(3)"
                                : Is(db::Engine::MySQL)    ? u"DATETIME(3)"
                                                           : u"DATETIME";
    const UnicodeString bytes = Is(db::Engine::PostgreSQL) ? u"BYTEA"
                                : Is(db::Engine::MySQL)    ? u"LONGBLOB"
                                                           : u"BLOB";
    Exec(u"CREATE TABLE " + table_ + u" (id INTEGER NOT NULL PRIMARY KEY, name VARCHAR(50), " +
         u"big BIGINT, txt " + text + u", at " + stamp + u", num DOUBLE PRECISION, bin " + bytes +
         u", req VARCHAR(10) DEFAULT 'r' NOT NULL)");
  }
  void TearDown() override {
    if (c_ != nullptr && c_->IsOpen()) Drop(table_);
  }

  bool Is(db::Engine E) const { return GetParam().Engine == E; }
  std::unique_ptr<db::Connection> Open() const {
    return db::Connection::Open(connectionString_, u"");
  }
  int64_t Exec(const UnicodeString& Sql) { return db::Command(*c_, Sql).Execute(); }
  void Drop(const UnicodeString& Table) { Exec(u"DROP TABLE IF EXISTS " + Table); }
  int32_t Count(db::Connection& C, const UnicodeString& Where = u"1 = 1") {
    db::DataSet q(C, u"SELECT count(*) AS n FROM " + table_ + u" WHERE " + Where);
    q.Open();
    return q.FieldByName(u"N").AsInteger();
  }
  void Insert(int32_t Id, const Variant& Name) {
    db::Command(*c_, u"INSERT INTO " + table_ + u" (id, name) VALUES (:ID, :NAME)")
        .SetParam(u"id", Variant::FromInteger(Id))
        .SetParam(u"name", Name)
        .Execute();
  }
  // The value of Column in the row Id.
  Variant Read(const UnicodeString& Column, int32_t Id) {
    db::DataSet q(*c_, u"SELECT " + Column + u" FROM " + table_ + u" WHERE id = :id");
    q.SetParam(u"ID", Variant::FromInteger(Id)).Open();
    EXPECT_EQ(q.RecordCount(), 1);
    return q.Fields(0).Value();
  }

  UnicodeString connectionString_;
  std::unique_ptr<db::Connection> c_;
  UnicodeString table_;
};

// What only an engine with a server and logins has (not SQLite).
class DatabaseServerTest : public DatabaseTest {};

TEST_P(DatabaseTest, ConnectionTellsWhatItIs) {
  EXPECT_EQ(c_->Engine(), GetParam().Engine);
  EXPECT_EQ(c_->Provider(), Is(db::Engine::SQLite) ? u"SQLite" : u"MSDASQL.1");
  EXPECT_TRUE(c_->IsOpen());
  EXPECT_EQ(c_->Status(), u"1");
  EXPECT_EQ(c_->CommandTimeout(), 30);
  EXPECT_EQ(c_->FirstRow(u"SELECT 1 + 1"), std::vector<UnicodeString>{u"2"});
  c_->Close();
  EXPECT_FALSE(c_->IsOpen());
  EXPECT_EQ(c_->Status(), u"0");
  EXPECT_THROW(db::DataSet(*c_, u"SELECT 1").Open(), EDatabaseError);
}

TEST_P(DatabaseTest, ParametersBindByNameWhereverTheyStand) {
  Insert(1, Variant::FromOleStr(u"a"));
  Insert(2, Variant::FromOleStr(u":X"));
  // Used twice, in another case, beside markers inside quotes and comments.
  db::DataSet q(*c_, u"SELECT id, name, ':ID' AS q FROM " + table_ +
                         u" /* :NOPE */ WHERE id >= :Id AND id <= :ID -- :NOPE\n"
                         u" AND name <> ':NAME' ORDER BY id");
  q.SetParam(u"id", Variant::FromInteger(1)).Open();
  ASSERT_EQ(q.RecordCount(), 1);
  EXPECT_EQ(q.FieldByName(u"NAME").AsString(), u"a");
  EXPECT_EQ(q.FieldByName(u"q").AsString(), u":ID");
  // A marker without a value raises.
  db::DataSet missing(*c_, u"SELECT id FROM " + table_ + u" WHERE id = :ID AND name = :NAME");
  missing.SetParam(u"ID", Variant::FromInteger(1));
  EXPECT_THROW(missing.Open(), EDatabaseError);
  // The same statement again (from the cache) with other values.
  for (int32_t id : {1, 2, 1}) {
    q.SetParam(u"ID", Variant::FromInteger(id)).Open();
    EXPECT_EQ(q.FieldByName(u"id").AsInteger(), id);
  }
}

TEST_P(DatabaseTest, NullIsNotAnEmptyText) {
  Insert(1, Variant::Null());
  Insert(2, Variant::FromOleStr(u""));
  Insert(3, Variant());  // Empty binds as NULL
  if (!Is(db::Engine::SQLite)) {
    // Oracle-like engines aside, an empty text stays a text.
    EXPECT_EQ(Count(*c_, u"name IS NULL"), 2);
  }
  db::DataSet q(*c_, u"SELECT name FROM " + table_ + u" ORDER BY id");
  q.Open();
  ASSERT_EQ(q.RecordCount(), 3);
  EXPECT_TRUE(q.FieldByName(u"name").IsNull());
  EXPECT_EQ(q.FieldByName(u"name").Value().VarType(), varNull);
  EXPECT_EQ(q.FieldByName(u"name").AsString(), u"");
  EXPECT_EQ(q.FieldByName(u"name").AsInteger(), 0);
  q.Next();
  EXPECT_FALSE(q.FieldByName(u"name").IsNull());
  EXPECT_EQ(q.FieldByName(u"name").Value().VarType(), varOleStr);
  EXPECT_EQ(q.FieldByName(u"name").AsString(), u"");
}

TEST_P(DatabaseTest, ValuesComeBackWhole) {
  const UnicodeString megabyte(1 << 20, u'x');
  const UnicodeString astral = u"\U0001F600 caf\u00E9 \u4E2D";
  std::string bytes(70000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  const TDateTime at = EncodeDateTime(2024, 2, 29, 23, 59, 58, 987);
  db::Command insert(*c_, u"INSERT INTO " + table_ +
                              u" (id, name, big, txt, at, num, bin) VALUES (:id, :n, :b, :t, :a, :d, :bin)");
  insert.SetParam(u"n", Variant::FromOleStr(astral))
      .SetParam(u"t", Variant::FromUString(megabyte))
      .SetParam(u"a", Variant::FromDate(at))
      .SetParam(u"d", Variant::FromDouble(2.5))
      .SetParam(u"bin", Variant::FromString(bytes));
  const int64_t extremes[] = {std::numeric_limits<int64_t>::min(),
                              std::numeric_limits<int64_t>::max(), 7};
  for (int32_t i = 0; i < 3; ++i) {
    insert.SetParam(u"id", Variant::FromInteger(i)).SetParam(u"b", Variant::FromInt64(extremes[i]));
    EXPECT_EQ(insert.Execute(), 1);
  }
  EXPECT_EQ(Read(u"name", 0).ToString(), astral);
  EXPECT_EQ(Read(u"txt", 0).ToString().size(), megabyte.size());
  EXPECT_EQ(Read(u"txt", 0).VarType(), varOleStr);
  for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(Read(u"big", i).ToInt64(), extremes[i]);
  EXPECT_EQ(Read(u"big", 0).VarType(), varInt64);
  EXPECT_EQ(Read(u"id", 2).VarType(), varInteger);
  EXPECT_EQ(Read(u"big", 2).ToInt64(), 7);
  EXPECT_EQ(Read(u"num", 0).VarType(), varDouble);
  EXPECT_EQ(Read(u"num", 0).ToDouble(), 2.5);
  const Variant stamp = Read(u"at", 0);
  EXPECT_EQ(stamp.VarType(), varDate);
  uint16_t y, m, d, h, n, s, z;
  DecodeDateTime(stamp.ToDateTime(), y, m, d, h, n, s, z);
  EXPECT_EQ((std::vector<int>{y, m, d, h, n, s, z}), (std::vector<int>{2024, 2, 29, 23, 59, 58, 987}));
  const Variant bin = Read(u"bin", 0);
  EXPECT_EQ(bin.VarType(), varString);
  EXPECT_TRUE(bin.ToAnsiString() == bytes);
  // A time stamp compares as a time in the database too.
  db::DataSet later(*c_, u"SELECT count(*) FROM " + table_ + u" WHERE at > :t");
  later.SetParam(u"t", Variant::FromDate(EncodeDateTime(2024, 2, 29, 23, 59, 58, 986))).Open();
  EXPECT_EQ(later.Fields(0).AsInteger(), 3);
  later.SetParam(u"t", Variant::FromDate(at)).Open();
  EXPECT_EQ(later.Fields(0).AsInteger(), 0);
  // A code that does not bind raises.
  EXPECT_THROW(insert.SetParam(u"n", Variant::FromError(5)).Execute(), EDatabaseError);
}

TEST_P(DatabaseTest, ColumnsWithoutRows) {
  db::DataSet q(*c_, u"SELECT id, name AS Label FROM " + table_ + u" WHERE 1 = 0");
  q.Open();
  EXPECT_TRUE(q.Active());
  EXPECT_EQ(q.RecordCount(), 0);
  EXPECT_TRUE(q.Eof());
  ASSERT_EQ(q.FieldCount(), 2);
  EXPECT_EQ(UpperText(q.FieldNames()[1]), u"LABEL");
  EXPECT_TRUE(q.FindField(u"label").has_value());
  EXPECT_FALSE(q.FindField(u"nope").has_value());
  EXPECT_THROW(q.FieldByName(u"nope"), EDatabaseError);
  EXPECT_THROW(q.FieldByName(u"id").Value(), EDatabaseError);  // no current row
}

TEST_P(DatabaseTest, NavigationOverEveryRow) {
  for (int32_t i = 1; i <= 5; ++i) Insert(i, Variant::FromOleStr(u"n"));
  db::DataSet q(*c_, u"SELECT id FROM " + table_ + u" ORDER BY id");
  q.Open();
  EXPECT_EQ(q.RecordCount(), 5);
  int32_t sum = 0;
  for (; !q.Eof(); q.Next()) sum += q.Fields(0).AsInteger();
  EXPECT_EQ(sum, 15);
  q.Last();
  EXPECT_EQ(q.Fields(0).AsInteger(), 5);
  EXPECT_EQ(q.RecNo(), 5);
  q.Prior();
  EXPECT_EQ(q.Fields(0).AsInteger(), 4);
  q.First();
  EXPECT_TRUE(q.Bof());
  EXPECT_EQ(q.Fields(0).AsInteger(), 1);
  // The rows were fetched whole: the connection is free for the next
  // statement while the data set is open.
  EXPECT_EQ(Exec(u"DELETE FROM " + table_ + u" WHERE id > 3"), 2);
  EXPECT_EQ(q.RecordCount(), 5);
}

TEST_P(DatabaseTest, RowsAffectedCountMatchedRows) {
  Insert(1, Variant::FromOleStr(u"a"));
  Insert(2, Variant::FromOleStr(u"b"));
  const UnicodeString update = u"UPDATE " + table_ + u" SET name = :N WHERE id = :ID";
  EXPECT_EQ(db::Command(*c_, update).SetParam(u"N", Variant::FromOleStr(u"c"))
                .SetParam(u"ID", Variant::FromInteger(1)).Execute(), 1);
  // A row that already holds the value counts too.
  EXPECT_EQ(db::Command(*c_, update).SetParam(u"N", Variant::FromOleStr(u"c"))
                .SetParam(u"ID", Variant::FromInteger(1)).Execute(), 1);
  EXPECT_EQ(db::Command(*c_, update).SetParam(u"N", Variant::FromOleStr(u"c"))
                .SetParam(u"ID", Variant::FromInteger(9)).Execute(), 0);
  EXPECT_EQ(Exec(u"DELETE FROM " + table_), 2);
}

TEST_P(DatabaseTest, ViolationsHaveTheirKind) {
  Insert(1, Variant::FromOleStr(u"a"));
  try {
    Insert(1, Variant::FromOleStr(u"b"));
    ADD_FAILURE() << "inserted";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Kind, db::ErrorKind::UniqueViolation) << ToUtf8(e.Message);
  }
  try {
    db::Command(*c_, u"INSERT INTO " + table_ + u" (id, req) VALUES (2, NULL)").Execute();
    ADD_FAILURE() << "inserted";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Kind, db::ErrorKind::ConstraintViolation) << ToUtf8(e.Message);
    EXPECT_FALSE(e.Message.empty());
  }
  try {
    Exec(u"SELECT nothing FROM nowhere_at_all");
    ADD_FAILURE() << "ran";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Kind, db::ErrorKind::Other) << ToUtf8(e.Message);
  }
  // The connection goes on after a failed statement.
  EXPECT_EQ(Count(*c_), 1);
}

TEST_P(DatabaseTest, TransactionsCommitAndRollBack) {
  {
    db::Transaction t(*c_);
    Insert(1, Variant::FromOleStr(u"kept"));
    EXPECT_THROW(db::Transaction nested(*c_), EDatabaseError);  // no nesting
    t.Commit();
    EXPECT_THROW(t.Commit(), EDatabaseError);
  }
  {
    db::Transaction t(*c_);
    Insert(2, Variant::FromOleStr(u"undone"));
    t.Rollback();
  }
  {
    db::Transaction t(*c_);
    Insert(3, Variant::FromOleStr(u"undone by the destructor"));
  }
  EXPECT_EQ(Count(*c_), 1);
  // Autocommit is back: another connection sees the next row at once.
  Insert(4, Variant::FromOleStr(u"autocommitted"));
  EXPECT_EQ(Count(*Open()), 2);
}

TEST_P(DatabaseTest, ReadCommitted) {
  auto other = Open();
  {
    db::Transaction t(*c_);
    Insert(1, Variant::FromOleStr(u"pending"));
    if (!Is(db::Engine::SQLite)) {
      EXPECT_EQ(Count(*other), 0);  // not yet committed
    }
    t.Commit();
  }
  EXPECT_EQ(Count(*other), 1);
  if (Is(db::Engine::SQLite)) return;  // a SQLite transaction is one snapshot
  // Inside a transaction each statement sees what was committed before it.
  db::Transaction reader(*other);
  EXPECT_EQ(Count(*other), 1);
  Insert(2, Variant::FromOleStr(u"committed meanwhile"));
  EXPECT_EQ(Count(*other), 2);
}

TEST_P(DatabaseTest, InsertRowMatchesColumnsWithoutRegardToCase) {
  const UnicodeString mixed = ScratchTable("Mixed");
  Drop(Is(db::Engine::MySQL) ? mixed : u"\"" + mixed + u"\"");
  const UnicodeString q = Is(db::Engine::MySQL) ? u"`" : u"\"";
  const UnicodeString quotedTable = q + mixed + q;
  Exec(u"CREATE TABLE " + quotedTable + u" (" + q + u"DocId" + q + u" VARCHAR(32), plain INTEGER)");
  db::InsertRow(*c_, quotedTable,
                {{u"DOCID", Variant::FromOleStr(u"abc")}, {u"Plain", Variant::FromInteger(7)}});
  db::DataSet read(*c_, u"SELECT * FROM " + quotedTable);
  read.Open();
  ASSERT_EQ(read.RecordCount(), 1);
  EXPECT_EQ(read.FieldByName(u"docid").AsString(), u"abc");
  EXPECT_EQ(read.FieldByName(u"PLAIN").AsInteger(), 7);
  EXPECT_THROW(db::InsertRow(*c_, quotedTable, {{u"nope", Variant::FromInteger(1)}}), EDatabaseError);
  Drop(quotedTable);

  db::InsertRow(*c_, table_, {{u"ID", Variant::FromInteger(5)}, {u"Name", Variant::FromOleStr(u"x")}});
  EXPECT_EQ(Read(u"name", 5).ToString(), u"x");
}

// A password with ";", "}" and a quote goes through the provider mapping
// whole, and a wrong one shows in no message.
TEST_P(DatabaseServerTest, PasswordsArriveWholeThroughTheProviderMapping) {
  db::ConnectionParts odbc;
  for (auto& part : db::ParseOdbcString(connectionString_))
    if (part.first != u"UID" && part.first != u"PWD") odbc.push_back(part);
  const UnicodeString user = ToUtf16(kx::testing::DatabaseServer("KX_DB_USER"));
  const UnicodeString password = ToUtf16(kx::testing::DatabaseServer("KX_DB_PASSWORD"));
  ASSERT_NE(password.find_first_of(u";}\""), UnicodeString::npos);
  const UnicodeString base = u"Provider=MSDASQL.1;Extended Properties=\"" + db::BuildOdbcString(odbc) +
                             u"\";User ID=" + user + u";Password='";
  auto c = db::Connection::Open(base + password + u"'", u"");
  EXPECT_EQ(c->Provider(), u"MSDASQL.1");
  EXPECT_EQ(c->FirstRow(u"SELECT 7"), std::vector<UnicodeString>{u"7"});
  const UnicodeString wrong = u"wr;ng}pw\"x";
  try {
    db::Connection::Open(base + wrong + u"'", u"");
    ADD_FAILURE() << "connected with a wrong password";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message.find(wrong), UnicodeString::npos) << ToUtf8(e.Message);
    EXPECT_EQ(e.Message.find(u"ng}pw"), UnicodeString::npos) << ToUtf8(e.Message);
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, DatabaseTest, ::testing::ValuesIn(kEngines),
                         [](const auto& info) { return std::string(info.param.Name); });
INSTANTIATE_TEST_SUITE_P(Engines, DatabaseServerTest,
                         ::testing::ValuesIn(std::begin(kEngines) + 1, std::end(kEngines)),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
