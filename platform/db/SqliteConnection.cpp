// The SQLite back end of Connection.h.
#include <sqlite3.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <list>
#include <thread>
#include <unordered_map>

#include "platform/db/BackEnds.h"
#include "platform/db/Values.h"

namespace kx::platform::db {
namespace {

ErrorKind KindOf(int Code) {
  switch (Code) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
      return ErrorKind::UniqueViolation;
    default:
      break;
  }
  switch (Code & 0xFF) {
    case SQLITE_CONSTRAINT:
      return ErrorKind::ConstraintViolation;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ErrorKind::Timeout;
    default:
      return ErrorKind::Other;
  }
}

[[noreturn]] void Fail(const std::string& What, sqlite3* Db, int Code) {
  const char* detail = Db != nullptr ? sqlite3_errmsg(Db) : sqlite3_errstr(Code);
  throw EDatabaseError(ToUtf16(What + " (" + (detail != nullptr ? detail : "unknown error") + ")"),
                       KindOf(Code), std::u16string(), Code);
}

bool OnlyBlanksAndSemicolons(const char* Text) {
  for (; Text != nullptr && *Text != '\0'; ++Text)
    if (*Text != ';' && static_cast<unsigned char>(*Text) > ' ') return false;
  return true;
}

bool OnlyBlanksAndSemicolons16(const void* Text, const void* End) {
  for (auto p = static_cast<const char16_t*>(Text); p != nullptr && p < End && *p != 0; ++p)
    if (*p != u';' && *p > u' ') return false;
  return true;
}

// Waits for another connection's lock: without limit (0), or up to the
// command time-out.
int WaitBusy(void* Timeout, int Count) {
  const int32_t seconds = *static_cast<int32_t*>(Timeout);
  const int step = Count < 10 ? 1 : Count < 50 ? 5 : 20;  // ms
  static_assert(sizeof(int) >= 4);
  if (seconds > 0) {
    // The sum of the pauses so far, by the same steps.
    int64_t waited = Count < 10 ? Count : Count < 50 ? 10 + (Count - 10) * 5
                                                     : 210 + static_cast<int64_t>(Count - 50) * 20;
    if (waited >= static_cast<int64_t>(seconds) * 1000) return 0;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(step));
  return 1;
}

bool HoldsDateOrTime(const char* DeclaredType) {
  if (DeclaredType == nullptr) return false;
  std::string upper(DeclaredType);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper.find("DATE") != std::string::npos || upper.find("TIME") != std::string::npos;
}

Variant ColumnValue(sqlite3_stmt* Statement, int Column, bool DateColumn) {
  switch (sqlite3_column_type(Statement, Column)) {
    case SQLITE_NULL:
      return Variant::Null();
    case SQLITE_INTEGER:
      return IntegerValue(sqlite3_column_int64(Statement, Column));
    case SQLITE_FLOAT:
      return Variant::FromDouble(sqlite3_column_double(Statement, Column));
    case SQLITE_BLOB: {
      const void* bytes = sqlite3_column_blob(Statement, Column);
      const int size = sqlite3_column_bytes(Statement, Column);
      return Variant::FromString(
          bytes == nullptr ? std::string() : std::string(static_cast<const char*>(bytes), size));
    }
    default: {
      const void* text = sqlite3_column_text16(Statement, Column);
      const int size = sqlite3_column_bytes16(Statement, Column);
      UnicodeString value = text == nullptr ? UnicodeString()
                                            : UnicodeString(static_cast<const char16_t*>(text),
                                                            static_cast<size_t>(size) / 2);
      if (DateColumn) {
        TDateTime date;
        if (ParseDateTimeText(value, date)) return Variant::FromDate(date);
      }
      return Variant::FromOleStr(std::move(value));
    }
  }
}

class SqliteConnection final : public Connection {
 public:
  SqliteConnection(sqlite3* Db, const ConnectionOptions& Options, const UnicodeString& Provider)
      : db_(Db) {
    SetProvider(Provider);
    SetCommandTimeout(Options.CommandTimeout);
    sqlite3_busy_handler(db_, &WaitBusy, &busyTimeout_);
  }
  ~SqliteConnection() override { Close(); }

  std::vector<UnicodeString> FirstRow(const UnicodeString& Sql) override {
    CheckOpen();
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
      for (int i = 0; i < n; ++i) {
        if (sqlite3_column_type(statement, i) == SQLITE_BLOB) {
          // Binary data byte by byte through the codec.
          const void* bytes = sqlite3_column_blob(statement, i);
          const int size = sqlite3_column_bytes(statement, i);
          fields.push_back(bytes == nullptr ? UnicodeString()
                                            : ToUtf16(std::string_view(
                                                  static_cast<const char*>(bytes), size)));
        } else {
          fields.push_back(FieldText(ColumnValue(statement, i, false)));
        }
      }
    } else if (step != SQLITE_DONE) {
      Fail("the statement failed", db_, step);
    }
    return fields;
  }

  void Close() override {
    if (db_ == nullptr) return;
    for (auto& entry : lru_) sqlite3_finalize(entry.second);
    lru_.clear();
    cache_.clear();
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
  bool IsOpen() const override { return db_ != nullptr; }
  UnicodeString Status() const override { return db_ != nullptr ? u"1" : u"0"; }
  db::Engine Engine() const override { return db::Engine::SQLite; }
  void SetCommandTimeout(int32_t Seconds) override {
    Connection::SetCommandTimeout(Seconds);
    busyTimeout_ = Seconds < 0 ? 0 : Seconds;
  }

 protected:
  void Query(const UnicodeString& Sql, const std::vector<Variant>& Params, Result& Out) override {
    Run(Sql, Params, &Out);
  }

  int64_t Execute(const UnicodeString& Sql, const std::vector<Variant>& Params) override {
    CheckOpen();
    if (Params.empty()) {
      // Without parameters a script of several statements runs as a whole.
      const void* tail = nullptr;
      sqlite3_stmt* first = nullptr;
      const int rc = sqlite3_prepare16_v2(db_, Sql.c_str(), static_cast<int>(Sql.size() * 2),
                                          &first, &tail);
      sqlite3_finalize(first);
      if (rc == SQLITE_OK && !OnlyBlanksAndSemicolons16(tail, Sql.c_str() + Sql.size()))
        return ExecuteScript(Sql);
    }
    return Run(Sql, Params, nullptr);
  }

  void Begin() override { Exec("BEGIN IMMEDIATE"); }
  void Commit() override { Exec("COMMIT"); }
  void Rollback() override {
    CheckOpen();
    // SQLite may have ended the transaction itself (an I/O or full error).
    if (sqlite3_get_autocommit(db_) == 0) Exec("ROLLBACK");
  }
  char16_t IdentifierQuote() const override { return u'"'; }

 private:
  static constexpr size_t kCacheSize = 32;

  void CheckOpen() const {
    if (db_ == nullptr) throw EDatabaseError("the database connection is closed");
  }

  void Exec(const char* Sql) {
    CheckOpen();
    const int rc = sqlite3_exec(db_, Sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Fail(std::string("the statement ") + Sql + " failed", db_, rc);
  }

  // A prepared statement for Sql from the cache (least recently used out).
  sqlite3_stmt* Prepare(const UnicodeString& Sql) {
    if (const auto hit = cache_.find(Sql); hit != cache_.end()) {
      lru_.splice(lru_.begin(), lru_, hit->second);
      return hit->second->second;
    }
    sqlite3_stmt* statement = nullptr;
    const void* tail = nullptr;
    const int rc = sqlite3_prepare16_v3(db_, Sql.c_str(), static_cast<int>(Sql.size() * 2),
                                        SQLITE_PREPARE_PERSISTENT, &statement, &tail);
    if (rc != SQLITE_OK) Fail("the statement cannot be prepared", db_, rc);
    if (statement == nullptr) throw EDatabaseError("the statement is empty");
    if (!OnlyBlanksAndSemicolons16(tail, Sql.c_str() + Sql.size())) {
      sqlite3_finalize(statement);
      throw EDatabaseError("only one statement can be run at a time");
    }
    if (lru_.size() >= kCacheSize) {
      sqlite3_finalize(lru_.back().second);
      cache_.erase(lru_.back().first);
      lru_.pop_back();
    }
    lru_.emplace_front(Sql, statement);
    cache_.emplace(Sql, lru_.begin());
    return statement;
  }

  void BindAll(sqlite3_stmt* Statement, const std::vector<Variant>& Params) {
    if (sqlite3_bind_parameter_count(Statement) != static_cast<int>(Params.size()))
      throw EDatabaseError("the statement's parameter markers do not match its values");
    for (size_t i = 0; i < Params.size(); ++i) {
      const BindValue b = Classify(Params[i]);
      const int at = static_cast<int>(i + 1);
      int rc = SQLITE_OK;
      switch (b.Kind) {
        case BindValue::Null:
          rc = sqlite3_bind_null(Statement, at);
          break;
        case BindValue::Integer:
        case BindValue::Boolean:
          rc = sqlite3_bind_int64(Statement, at, b.Int);
          break;
        case BindValue::Double:
          rc = sqlite3_bind_double(Statement, at, b.Dbl);
          break;
        case BindValue::Decimal:
          // SQLite has no exact decimal: whole amounts stay integers.
          rc = b.Cur.Raw() % 10000 == 0 ? sqlite3_bind_int64(Statement, at, b.Cur.Raw() / 10000)
                                        : sqlite3_bind_double(Statement, at, b.Cur.ToDouble());
          break;
        case BindValue::Date:
        case BindValue::Text:
          rc = sqlite3_bind_text16(Statement, at, b.Str.data(),
                                   static_cast<int>(b.Str.size() * 2), SQLITE_TRANSIENT);
          break;
        case BindValue::Bytes:
          rc = sqlite3_bind_blob64(Statement, at, b.Data.data(), b.Data.size(),
                                   SQLITE_TRANSIENT);
          break;
      }
      if (rc != SQLITE_OK) Fail("a parameter cannot be bound", db_, rc);
    }
  }

  // Runs one statement; with Out, its rows go there. Answers the rows the
  // statement changed.
  int64_t Run(const UnicodeString& Sql, const std::vector<Variant>& Params, Result* Out) {
    CheckOpen();
    sqlite3_stmt* statement = Prepare(Sql);
    // Reset on every path, so no statement stays active (an active one
    // blocks COMMIT and checkpoints).
    struct Reset {
      sqlite3_stmt* s;
      ~Reset() {
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
      }
    } reset{statement};
    BindAll(statement, Params);
    const int columns = sqlite3_column_count(statement);
    std::vector<bool> dateColumn;
    if (Out != nullptr) {
      Out->Names.clear();
      Out->Values.clear();
      Out->RowCount = 0;
      Out->Names.reserve(static_cast<size_t>(columns));
      dateColumn.resize(static_cast<size_t>(columns));
      for (int i = 0; i < columns; ++i) {
        const void* name = sqlite3_column_name16(statement, i);
        Out->Names.emplace_back(name != nullptr ? static_cast<const char16_t*>(name) : u"");
        dateColumn[static_cast<size_t>(i)] = HoldsDateOrTime(sqlite3_column_decltype(statement, i));
      }
    }
    const int64_t before = sqlite3_total_changes64(db_);
    for (;;) {
      const int rc = sqlite3_step(statement);
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) Fail("the statement failed", db_, rc);
      if (Out == nullptr) continue;
      for (int i = 0; i < columns; ++i)
        Out->Values.push_back(ColumnValue(statement, i, dateColumn[static_cast<size_t>(i)]));
      ++Out->RowCount;
    }
    return sqlite3_total_changes64(db_) != before ? sqlite3_changes64(db_) : 0;
  }

  int64_t ExecuteScript(const UnicodeString& Sql) {
    const char16_t* p = Sql.c_str();
    const char16_t* end = p + Sql.size();
    int64_t changed = 0;
    while (p < end && !OnlyBlanksAndSemicolons16(p, end)) {
      sqlite3_stmt* statement = nullptr;
      const void* tail = nullptr;
      const int rc = sqlite3_prepare16_v2(db_, p, static_cast<int>((end - p) * 2), &statement, &tail);
      if (rc != SQLITE_OK) Fail("the statement cannot be prepared", db_, rc);
      if (statement == nullptr) break;
      const int64_t before = sqlite3_total_changes64(db_);
      int step;
      while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
      }
      sqlite3_finalize(statement);
      if (step != SQLITE_DONE) Fail("the statement failed", db_, step);
      if (sqlite3_total_changes64(db_) != before) changed = sqlite3_changes64(db_);
      p = static_cast<const char16_t*>(tail);
    }
    return changed;
  }

  sqlite3* db_;
  int32_t busyTimeout_ = 30;
  using Entry = std::pair<UnicodeString, sqlite3_stmt*>;
  std::list<Entry> lru_;  // most recently used first
  std::unordered_map<UnicodeString, std::list<Entry>::iterator> cache_;
};

}  // namespace

std::unique_ptr<Connection> OpenSqlite(const std::string& DatabaseFile,
                                       const ConnectionOptions& Options,
                                       const UnicodeString& Provider) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(DatabaseFile.c_str(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    throw EDatabaseError(ToUtf16("cannot open the SQLite database " + DatabaseFile + " (" +
                                 sqlite3_errstr(rc) + ")"),
                         ErrorKind::Other, std::u16string(), rc);
  }
  sqlite3_extended_result_codes(db, 1);
  auto connection = std::make_unique<SqliteConnection>(db, Options, Provider);
  // Opening reads nothing yet; reading the schema tells a database from any
  // other file.
  const int check = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (check != SQLITE_OK)
    throw EDatabaseError(ToUtf16("cannot open the SQLite database " + DatabaseFile + " (" +
                                 sqlite3_errmsg(db) + ")"),
                         KindOf(check), std::u16string(), check);
  return connection;
}

void CreateSqliteDatabase(const std::string& DatabaseFile) {
  struct stat st;
  if (lstat(DatabaseFile.c_str(), &st) == 0)
    throw EDatabaseError(ToUtf16("the database file " + DatabaseFile + " exists already"));
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(DatabaseFile.c_str(), &db,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  // Writing the header makes the file a database that other programs
  // recognise, not an empty file.
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, "PRAGMA user_version = 0", nullptr, nullptr, nullptr);
  const std::string detail = rc == SQLITE_OK ? "" : (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  sqlite3_close_v2(db);
  if (rc != SQLITE_OK)
    throw EDatabaseError(ToUtf16("cannot create the SQLite database " + DatabaseFile + " (" +
                                 detail + ")"),
                         KindOf(rc), std::u16string(), rc);
}

}  // namespace kx::platform::db
