#include "platform/db/Connection.h"
#include "platform/db/ConnectionString.h"
#include "platform/db/SqlText.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace db = kx::platform::db;
namespace fs = std::filesystem;

class ConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(std::getenv("TMPDIR")) / "connection_test";
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "cfg");
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open((folder_ / "cfg" / "config.db").c_str(), &handle), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(handle,
                           "CREATE TABLE t(n, i, r, s, b);"
                           "INSERT INTO t VALUES(NULL, 42, 2.5, 'Stra\xC3\x9F" "e', x'41FF');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(handle);
  }

  UnicodeString Path(const char* Name) const { return ToUtf16((folder_ / Name).string()); }

  void WriteDataLink(const char* Name, std::u16string_view ConnectionString) const {
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : u"[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n" +
                                UnicodeString(ConnectionString) + u"\r\n") {
      bytes.push_back(static_cast<char>(c & 0xFF));
      bytes.push_back(static_cast<char>(c >> 8));
    }
    std::ofstream(folder_ / Name, std::ios::binary) << bytes;
  }

  fs::path folder_;
};

TEST_F(ConnectionTest, FirstRowGivesEachFieldAsText) {
  auto c = db::Connection::Open(u"Provider=SQLite;Data Source=" + Path("cfg/config.db"), u"");
  EXPECT_EQ(c->FirstRow(u"SELECT n, i, r, s, b FROM t"),
            (std::vector<UnicodeString>{u"", u"42", u"2.5", u"Straße", u"A\xDCFF"}));
  EXPECT_TRUE(c->FirstRow(u"SELECT * FROM t WHERE i = 0").empty());
  EXPECT_EQ(c->FirstRow(u"SELECT 1e20, -7;"), (std::vector<UnicodeString>{u"1e+20", u"-7"}));
  c->Close();
  EXPECT_THROW(c->FirstRow(u"SELECT 1"), EDatabaseError);
}

TEST_F(ConnectionTest, OnlyOneReadingStatementRuns) {
  auto c = db::Connection::Open(u"Provider=SQLite;Data Source=" + Path("cfg/config.db"), u"");
  for (const char16_t* sql : {u"DELETE FROM t", u"SELECT 1; DELETE FROM t", u"SELECT nothing FROM t",
                              u"", u"SELECT SERVERPROPERTY('EDITION')"})
    EXPECT_THROW(c->FirstRow(sql), EDatabaseError) << ToUtf8(sql);
  EXPECT_EQ(c->FirstRow(u"SELECT count(*) FROM t"), std::vector<UnicodeString>{u"1"});
}

TEST_F(ConnectionTest, RelativeFilesLieInTheDataLinkFolder) {
  WriteDataLink("cfg/link.udl", u"Provider=SQLite;Data Source=config.db");
  const std::vector<UnicodeString> one{u"1"};
  // Through the data link file; names and values without regard to case and
  // blanks, values in quotes.
  for (const UnicodeString& cs : {u"FILE NAME=" + Path("cfg/link.udl"),
                                  u" file name = \"" + Path("cfg/link.udl") + u"\" ;x=y"}) {
    EXPECT_EQ(db::Connection::Open(cs, u"")->FirstRow(u"SELECT count(*) FROM t"), one)
        << ToUtf8(cs);
  }
  EXPECT_EQ(db::Connection::Open(u"provider=sqlite;data source='config.db'", Path("cfg"))
                ->FirstRow(u"SELECT count(*) FROM t"),
            one);
}

TEST_F(ConnectionTest, FailuresRaiseWithoutTheConnectionString) {
  std::ofstream(folder_ / "cfg" / "text.db") << "this is no database at all, not even close";
  WriteDataLink("cfg/empty.udl", u"");
  const struct {
    UnicodeString connection;
    const char* reason;
  } cases[] = {
      {u"Provider=SQLite;Data Source=" + Path("cfg/missing.db") + u";Password=secret", "missing"},
      {u"Provider=SQLite;Data Source=" + Path("cfg/text.db") + u";Password=secret", "not a database"},
      {u"Provider=SQLite;Data Source=" + Path("cfg") + u";Password=secret", "a folder"},
      {u"Provider=SQLite;Data Source=C:\\db\\config.db;Password=secret", "a drive path"},
      {u"Provider=SQLOLEDB;Data Source=server;Password=secret", "another provider"},
      {u"Data Source=x;Password=secret", "no provider"},
      {u"Provider=SQLite;Password=secret", "no data source"},
      {u"FILE NAME=" + Path("cfg/empty.udl") + u";Password=secret", "an empty data link file"},
      {u"FILE NAME=" + Path("cfg/none.udl") + u";Password=secret", "a missing data link file"},
  };
  for (const auto& c : cases) {
    try {
      db::Connection::Open(c.connection, Path("cfg"));
      ADD_FAILURE() << c.reason << ": opened";
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message.find(u"secret"), UnicodeString::npos) << ToUtf8(e.Message);
      EXPECT_FALSE(e.Message.empty()) << c.reason;
    }
  }
  // Opening never creates the database.
  EXPECT_FALSE(fs::exists(folder_ / "cfg" / "missing.db"));
}

TEST_F(ConnectionTest, ReadDataLinkFile) {
  WriteDataLink("a.udl", u"Provider=SQLite;Data Source=x.db");
  WriteDataLink("b.udl", u"Data Source=x.db");
  EXPECT_EQ(db::ReadDataLinkFile(Path("a.udl")), u"Provider=SQLite;Data Source=x.db");
  EXPECT_EQ(db::ReadDataLinkFile(Path("b.udl")), u"Provider=");  // no key "Provider"
  EXPECT_EQ(db::ReadDataLinkFile(Path("missing.udl")), u"Provider=");
  EXPECT_THROW(db::ReadDataLinkFile(Path("cfg")), EFOpenError);
}

}  // namespace

namespace {

namespace db = kx::platform::db;

TEST(ConnectionString, ProvidersMapToTheirBackEnd) {
  const UnicodeString tds = u"Driver=" + db::OdbcValue(ToUtf16(KX_FREETDS_DRIVER_PATH));
  const struct {
    UnicodeString connection;
    db::ConnectionTarget::BackEnd kind;
    UnicodeString provider, result;  // result: the file or the ODBC string
  } cases[] = {
      {u"Provider=SQLite;Data Source=a.db", db::ConnectionTarget::Sqlite, u"SQLite", u"/cfg/a.db"},
      {u"Provider=SQLite;Data Source=/abs/a.db", db::ConnectionTarget::Sqlite, u"SQLite", u"/abs/a.db"},
      {u"Provider=MSDASQL.1;Data Source=kxdsn;User ID=sa;Password=pw", db::ConnectionTarget::Odbc,
       u"MSDASQL.1", u"DSN=kxdsn;UID=sa;PWD=pw"},
      // The ODBC string's own UID wins over "User ID".
      {u"Provider=MSDASQL;Extended Properties=\"DSN=x;UID=me\";User ID=sa;Password=p;w",
       db::ConnectionTarget::Odbc, u"MSDASQL", u"DSN=x;UID=me;PWD=p"},
      {u"Provider=MSDASQL.1;Extended Properties='Driver={My Driver};Server=h';Password=' a;b}c '",
       db::ConnectionTarget::Odbc, u"MSDASQL.1", u"Driver=My Driver;Server=h;PWD={ a;b}}c }"},
      {u"Provider=SQLOLEDB.1;Data Source=db.example,1533;Initial Catalog=cfg;User ID=sa;Password=x\"y",
       db::ConnectionTarget::Odbc, u"SQLOLEDB.1",
       tds + u";Server=db.example;Port=1533;Database=cfg;UID=sa;PWD=x\"y;TDS_Version=7.4;ClientCharset=UTF-8"},
      {u"Provider=MSOLEDBSQL19;Data Source=h;Integrated Security=False", db::ConnectionTarget::Odbc,
       u"MSOLEDBSQL19", tds + u";Server=h;TDS_Version=7.4;ClientCharset=UTF-8"},
      {u"Provider=SQLNCLI11;Data Source=h\\inst", db::ConnectionTarget::Odbc, u"SQLNCLI11",
       tds + u";Server=h\\inst;TDS_Version=7.4;ClientCharset=UTF-8"},
      // No provider: an ODBC string as it stands.
      {u"DSN=kx;UID=a", db::ConnectionTarget::Odbc, u"MSDASQL.1", u"DSN=kx;UID=a"},
      {u"Driver={x};PWD={;}", db::ConnectionTarget::Odbc, u"MSDASQL.1", u"Driver={x};PWD={;}"},
  };
  for (const auto& c : cases) {
    const db::ConnectionTarget t = db::ResolveConnectionString(c.connection, u"/cfg");
    EXPECT_EQ(t.Kind, c.kind) << ToUtf8(c.connection);
    EXPECT_EQ(t.Provider, c.provider) << ToUtf8(c.connection);
    EXPECT_EQ(t.Kind == db::ConnectionTarget::Sqlite ? t.File : t.OdbcString, c.result)
        << ToUtf8(c.connection);
  }
}

TEST(ConnectionString, UnusableStringsRaiseWithoutTheirSecrets) {
  const struct {
    UnicodeString connection;
    std::u16string_view message;
  } cases[] = {
      {u"Provider=SQLOLEDB;Data Source=h;Integrated Security=SSPI;Password=secret",
       u"integrated security is not supported"},
      {u"Provider=Jet.4;Password=secret", u"the database provider \"Jet.4\" is not supported"},
      {u"Provider=MSDASQL;Password=secret", u"the connection string names no ODBC data source"},
      {u"Provider=SQLOLEDB;Password=secret", u"the connection string names no data source"},
      {u"Server=x;Password=secret", u"the connection string names no provider"},
  };
  for (const auto& c : cases) {
    try {
      db::ResolveConnectionString(c.connection, u"");
      ADD_FAILURE() << ToUtf8(c.connection);
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message, c.message);
    }
  }
}

TEST(ConnectionString, PartsAndOdbcValues) {
  EXPECT_EQ(db::ParseConnectionString(u" a = 1 ;b='x;''y'' ';c=\"q\"\"\" z;;d"),
            (db::ConnectionParts{{u"a", u"1"}, {u"b", u"x;'y' "}, {u"c", u"q\""}}));
  EXPECT_EQ(db::ParseOdbcString(u"A = 1; PWD={a;b}}c} ;x;B={ }"),
            (db::ConnectionParts{{u"A", u"1"}, {u"PWD", u"a;b}c"}, {u"B", u" "}}));
  for (const char16_t* v : {u"plain", u"", u"a;b", u"{x}", u" lead", u"trail ", u"}}"}) {
    const db::ConnectionParts parts{{u"PWD", v}, {u"UID", u"u"}};
    EXPECT_EQ(db::ParseOdbcString(db::BuildOdbcString(parts)), parts) << ToUtf8(v);
  }
}

TEST(SqlText, MarkersBecomeQuestionMarksInOrder) {
  const struct {
    std::u16string_view sql, want;
    std::vector<UnicodeString> names;
  } cases[] = {
      {u"SELECT a::int FROM t WHERE b = :B AND c = ':C' OR d = :b",
       u"SELECT a::int FROM t WHERE b = ? AND c = ':C' OR d = ?", {u"B", u"b"}},
      {u"x = \":a\" AND `:b` = [:c] -- :d\n AND e = :e /* :f */", u"x = \":a\" AND `:b` = [:c] -- :d\n AND e = ? /* :f */", {u"e"}},
      {u"'it''s :x' :y", u"'it''s :x' ?", {u"y"}},
      {u"a := 1, b: 2, :_9x", u"a := 1, b: 2, ?", {u"_9x"}},
      {u"'unterminated :x", u"'unterminated :x", {}},
      {u"/* open :x", u"/* open :x", {}},
      {u":", u":", {}},
  };
  for (const auto& c : cases) {
    const db::ScannedSql s = db::ScanParameters(UnicodeString(c.sql));
    EXPECT_EQ(s.Sql, c.want) << ToUtf8(c.sql);
    EXPECT_EQ(s.Names, c.names) << ToUtf8(c.sql);
  }
}

TEST_F(ConnectionTest, CreateDatabaseMakesANewFileOnly) {
  const UnicodeString file = Path("new.db");
  db::CreateDatabase(file);
  EXPECT_GT(fs::file_size(folder_ / "new.db"), 0u);
  auto c = db::Connection::Open(u"Provider=SQLite;Data Source=" + file, u"");
  EXPECT_EQ(c->Engine(), db::Engine::SQLite);
  EXPECT_THROW(db::CreateDatabase(file), EDatabaseError);                  // exists
  EXPECT_THROW(db::CreateDatabase(Path("no/such/folder.db")), EDatabaseError);
  EXPECT_THROW(db::CreateDatabase(u""), EDatabaseError);
}

}  // namespace
