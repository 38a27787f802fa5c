#include "platform/db/Connection.h"

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
