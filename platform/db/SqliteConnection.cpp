#include "platform/db/SqliteConnection.h"

#include <sqlite3.h>

#include <charconv>
#include <cstring>

namespace kx::platform::db {
namespace {

[[noreturn]] void Fail(const std::string& What, sqlite3* Db, int Code) {
  const char* detail = Db != nullptr ? sqlite3_errmsg(Db) : sqlite3_errstr(Code);
  throw EDatabaseError(What + " (" + (detail != nullptr ? detail : "unknown error") + ")");
}

UnicodeString FieldText(sqlite3_stmt* Statement, int Column) {
  switch (sqlite3_column_type(Statement, Column)) {
    case SQLITE_NULL:
      return UnicodeString();
    case SQLITE_INTEGER: {
      char buffer[24];
      const auto r = std::to_chars(buffer, buffer + sizeof buffer,
                                   static_cast<int64_t>(sqlite3_column_int64(Statement, Column)));
      return ToUtf16(std::string_view(buffer, static_cast<size_t>(r.ptr - buffer)));
    }
    case SQLITE_FLOAT: {
      char buffer[32];
      const auto r =
          std::to_chars(buffer, buffer + sizeof buffer, sqlite3_column_double(Statement, Column));
      return ToUtf16(std::string_view(buffer, static_cast<size_t>(r.ptr - buffer)));
    }
    default: {  // text and binary data: the bytes as they are
      const void* bytes = sqlite3_column_blob(Statement, Column);
      const int size = sqlite3_column_bytes(Statement, Column);
      if (bytes == nullptr || size <= 0) return UnicodeString();
      return ToUtf16(std::string_view(static_cast<const char*>(bytes), static_cast<size_t>(size)));
    }
  }
}

bool OnlyBlanksAndSemicolons(const char* Text) {
  for (; Text != nullptr && *Text != '\0'; ++Text)
    if (*Text != ';' && static_cast<unsigned char>(*Text) > ' ') return false;
  return true;
}

class SqliteConnection final : public Connection {
 public:
  explicit SqliteConnection(sqlite3* Db) : db_(Db) {}
  ~SqliteConnection() override { Close(); }

  std::vector<UnicodeString> FirstRow(const UnicodeString& Sql) override {
    if (db_ == nullptr) throw EDatabaseError("the database connection is closed");
    const std::string text = ToUtf8Strict(Sql);
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()) + 1,
                                      &statement, &tail);
    if (rc != SQLITE_OK) Fail("the statement cannot be prepared", db_, rc);
    if (statement == nullptr) throw EDatabaseError("the statement is empty");
    struct Finalizer {
      sqlite3_stmt* s;
      ~Finalizer() { sqlite3_finalize(s); }
    } finalizer{statement};
    if (!OnlyBlanksAndSemicolons(tail))
      throw EDatabaseError("only one statement can be run at a time");
    if (sqlite3_stmt_readonly(statement) == 0)
      throw EDatabaseError("only a statement that reads data can be run here");
    std::vector<UnicodeString> fields;
    const int step = sqlite3_step(statement);
    if (step == SQLITE_ROW) {
      const int n = sqlite3_column_count(statement);
      fields.reserve(static_cast<size_t>(n));
      for (int i = 0; i < n; ++i) fields.push_back(FieldText(statement, i));
    } else if (step != SQLITE_DONE) {
      Fail("the statement failed", db_, step);
    }
    return fields;
  }

  void Close() override {
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = nullptr;
  }

 private:
  sqlite3* db_;
};

}  // namespace

std::unique_ptr<Connection> OpenSqlite(const std::string& DatabaseFile) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(DatabaseFile.c_str(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    throw EDatabaseError("cannot open the SQLite database " + DatabaseFile + " (" +
                         sqlite3_errstr(rc) + ")");
  }
  auto connection = std::make_unique<SqliteConnection>(db);
  sqlite3_busy_timeout(db, 5000);
  // Opening reads nothing yet; reading the schema tells a database from any
  // other file.
  const int check = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (check != SQLITE_OK)
    throw EDatabaseError("cannot open the SQLite database " + DatabaseFile + " (" +
                         sqlite3_errmsg(db) + ")");
  return connection;
}

}  // namespace kx::platform::db
