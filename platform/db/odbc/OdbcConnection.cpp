// The ODBC back end of Connection.h. SQLWCHAR is unixODBC's 16-bit unit
// (SQL_WCHART_CONVERT stays undefined), so UTF-16 texts pass as they are.
#include <sql.h>
#include <sqlext.h>
#include <odbcinst.h>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <charconv>
#include <string>
#include <cstring>
#include <list>
#include <mutex>
#include <unordered_map>

#include "platform/db/BackEnds.h"
#include "platform/db/Odbc.h"
#include "platform/db/Values.h"
#include "platform/rtl/CaseMapping.h"

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's SQLWCHAR must be 16 bits");

namespace kx::platform::db {
namespace {

std::mutex g_envMutex;
SQLHENV g_env = SQL_NULL_HENV;

const SQLWCHAR* W(const UnicodeString& Text) { return reinterpret_cast<const SQLWCHAR*>(Text.c_str()); }
SQLWCHAR* W(UnicodeString& Text) { return reinterpret_cast<SQLWCHAR*>(Text.data()); }

struct Diagnostic {
  std::u16string State;
  int32_t Native = 0;
  UnicodeString Text;
};

Diagnostic ReadDiagnostic(SQLSMALLINT Type, SQLHANDLE Handle) {
  Diagnostic d;
  for (SQLSMALLINT record = 1; record <= 3; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR message[1024];
    SQLSMALLINT length = 0;
    const SQLRETURN rc =
        SQLGetDiagRecW(Type, Handle, record, state, &native, message, 1024, &length);
    if (!SQL_SUCCEEDED(rc)) break;
    if (record == 1) {
      d.State.assign(reinterpret_cast<const char16_t*>(state), 5);
      d.Native = native;
    }
    if (length > 1023) length = 1023;
    if (!d.Text.empty()) d.Text += u" ";
    d.Text.append(reinterpret_cast<const char16_t*>(message), static_cast<size_t>(length));
  }
  return d;
}

bool StartsWith(const std::u16string& Text, std::u16string_view Prefix) {
  return Text.compare(0, Prefix.size(), Prefix) == 0;
}

ErrorKind KindOf(const Diagnostic& D) {
  const auto& s = D.State;
  if (s == u"23505") return ErrorKind::UniqueViolation;
  if (s == u"23000" && (D.Native == 1062 || D.Native == 1586 || D.Native == 2627 || D.Native == 2601))
    return ErrorKind::UniqueViolation;
  if (StartsWith(s, u"23")) return ErrorKind::ConstraintViolation;
  // PostgreSQL's ended sessions (57P01..57P03) and MariaDB's lost server
  // (2006, 2013, 2055) count as a lost connection like class "08".
  if (StartsWith(s, u"08") || s == u"57P01" || s == u"57P02" || s == u"57P03" ||
      D.Native == 2006 || D.Native == 2013 || D.Native == 2055)
    return ErrorKind::ConnectionLost;
  // Time-outs: ODBC's own, a cancelled PostgreSQL statement, MariaDB's lock
  // wait and statement time, SQL Server's lock time-out.
  if (s == u"HYT00" || s == u"HYT01" || s == u"57014" || D.Native == 1205 || D.Native == 1969 ||
      D.Native == 3024 || D.Native == 1222)
    return ErrorKind::Timeout;
  return ErrorKind::Other;
}

SQLHENV Environment() {
  std::lock_guard lock(g_envMutex);
  if (g_env != SQL_NULL_HENV) return g_env;
  SQLHENV env = SQL_NULL_HENV;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
    throw EDatabaseError("the ODBC environment cannot be made");
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLSetEnvAttr(env, SQL_ATTR_CONNECTION_POOLING, reinterpret_cast<SQLPOINTER>(SQL_CP_OFF), 0);
  g_env = env;
  return env;
}

bool ContainsFolded(const UnicodeString& Text, std::u16string_view Part) {
  return UpperText(Text).find(UpperText(Part)) != UnicodeString::npos;
}

// Whether the ODBC string leads to MariaDB's (or MySQL's) driver: by its
// "Driver", else by the driver of its DSN.
bool IsMariaDbDriver(const ConnectionParts& Parts) {
  UnicodeString driver;
  if (const UnicodeString* d = FindPart(Parts, u"Driver")) {
    driver = *d;
  } else if (const UnicodeString* dsn = FindPart(Parts, u"DSN")) {
    char buffer[512] = {};
    SQLGetPrivateProfileString(ToUtf8(*dsn).c_str(), "Driver", "", buffer, sizeof buffer,
                               "odbc.ini");
    driver = ToUtf16(buffer);
  }
  return ContainsFolded(driver, u"maodbc") || ContainsFolded(driver, u"mariadb") ||
         ContainsFolded(driver, u"mysql");
}

db::Engine EngineOf(const UnicodeString& DbmsName) {
  if (ContainsFolded(DbmsName, u"PostgreSQL")) return db::Engine::PostgreSQL;
  if (ContainsFolded(DbmsName, u"MariaDB") || ContainsFolded(DbmsName, u"MySQL"))
    return db::Engine::MySQL;
  if (ContainsFolded(DbmsName, u"SQL Server")) return db::Engine::MSSQL;
  if (ContainsFolded(DbmsName, u"SQLite")) return db::Engine::SQLite;
  return db::Engine::Unknown;
}

// The first word of a statement, upper-cased (ASCII).
std::u16string FirstWord(const UnicodeString& Sql) {
  size_t p = 0;
  while (p < Sql.size() && (Sql[p] <= u' ' || Sql[p] == u'(')) ++p;
  std::u16string word;
  while (p < Sql.size() && ((Sql[p] >= u'a' && Sql[p] <= u'z') || (Sql[p] >= u'A' && Sql[p] <= u'Z'))) {
    word.push_back(Sql[p] >= u'a' ? static_cast<char16_t>(Sql[p] - 32) : Sql[p]);
    ++p;
  }
  return word;
}

// Connects to the server that Parts name over TCP and waits up to Seconds
// for its first bytes; raises a time-out when none come. Strings that name
// no TCP server (a socket, a DSN) are left to the driver.
void AwaitGreeting(const ConnectionParts& Parts, int32_t Seconds) {
  const UnicodeString* server = FindPart(Parts, u"Server");
  if (server == nullptr) server = FindPart(Parts, u"SERVERNAME");
  if (server == nullptr || server->empty() || FindPart(Parts, u"Socket") != nullptr) return;
  const UnicodeString* port = FindPart(Parts, u"Port");
  const std::string host = ToUtf8(*server);
  const std::string service = port != nullptr && !port->empty() ? ToUtf8(*port) : "3306";
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) return;  // the driver says why
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(Seconds);
  bool silent = false;
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    const int fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    pollfd p{fd, POLLOUT, 0};
    auto left = [&] {
      return static_cast<int>(std::max<int64_t>(
          0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count()));
    };
    bool connected = connect(fd, a->ai_addr, a->ai_addrlen) == 0;
    if (!connected && errno == EINPROGRESS && poll(&p, 1, left()) == 1) {
      int error = 0;
      socklen_t length = sizeof error;
      connected = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    if (connected) {
      p = {fd, POLLIN, 0};
      silent = poll(&p, 1, left()) != 1;
    }
    close(fd);
    if (connected) break;
  }
  freeaddrinfo(found);
  if (silent)
    throw EDatabaseError(u"the database server did not answer within the login time-out",
                         ErrorKind::Timeout, u"HYT00", 0);
}

class OdbcConnection final : public Connection {
 public:
  OdbcConnection(const ConnectionTarget& Target, const ConnectionOptions& Options) {
    SetProvider(Target.Provider);
    Connection::SetCommandTimeout(Options.CommandTimeout);
    ConnectionParts parts = ParseOdbcString(Target.OdbcString);
    for (const auto& [key, value] : parts)
      if ((UpperText(key) == u"PWD" || UpperText(key) == u"PASSWORD") &&
          value.size() >= 3)
        secrets_.push_back(value);
    UnicodeString text = Target.OdbcString;
    if (IsMariaDbDriver(parts)) {
      auto add = [&text](const UnicodeString& Part) {
        if (!text.empty() && text.back() != u';') text.push_back(u';');
        text += Part;
      };
      if (FindPart(parts, u"OPTION") == nullptr) add(u"OPTION=2");
      // The driver's login time-out bounds only the TCP connect, and a
      // server that then says nothing would hold it for good: a MariaDB
      // server speaks first, so its greeting is awaited here.
      if (Options.LoginTimeout > 0) AwaitGreeting(parts, Options.LoginTimeout);
    }
    const SQLHENV env = Environment();
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc_)))
      throw EDatabaseError("an ODBC connection cannot be made");
    SQLSetConnectAttrW(dbc_, SQL_ATTR_LOGIN_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(Options.LoginTimeout)), 0);
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnectW(dbc_, nullptr, const_cast<SQLWCHAR*>(W(text)),
                                           static_cast<SQLSMALLINT>(text.size()), nullptr, 0,
                                           &outLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
      Diagnostic d = ReadDiagnostic(SQL_HANDLE_DBC, dbc_);
      SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
      dbc_ = SQL_NULL_HDBC;
      // A login that ran out of time reports it in many ways.
      ErrorKind kind = KindOf(d);
      if (d.State == u"HYT00") kind = ErrorKind::Timeout;
      Raise(u"cannot connect to the database", d, kind);
    }
    connected_ = true;
    Check(SQLSetConnectAttrW(dbc_, SQL_ATTR_TXN_ISOLATION,
                             reinterpret_cast<SQLPOINTER>(SQL_TXN_READ_COMMITTED), 0),
          SQL_HANDLE_DBC, dbc_, u"the isolation level cannot be set");
    Check(SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT,
                             reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0),
          SQL_HANDLE_DBC, dbc_, u"autocommit cannot be set");
    engine_ = EngineOf(InfoText(SQL_DBMS_NAME));
    const UnicodeString quote = InfoText(SQL_IDENTIFIER_QUOTE_CHAR);
    quote_ = quote.size() == 1 && quote[0] != u' ' ? quote[0] : u'"';
    ApplyLockWait();
  }

  ~OdbcConnection() override { Close(); }

  std::vector<UnicodeString> FirstRow(const UnicodeString& Sql) override {
    CheckOpen();
    // What it runs is rolled back, so a statement that writes changes
    // nothing.
    const bool own = !InTransaction();
    if (own) SetAutocommit(false);
    std::vector<UnicodeString> fields;
    try {
      Statement s(*this);
      Check(SQLExecDirectW(s.h, const_cast<SQLWCHAR*>(W(Sql)), static_cast<SQLINTEGER>(Sql.size())),
            SQL_HANDLE_STMT, s.h, u"the statement failed", true);
      Result result;
      ReadRows(s.h, result, 1);
      if (result.Names.empty()) throw EDatabaseError("only a statement that reads data can be run here");
      if (SQLMoreResults(s.h) != SQL_NO_DATA)
        throw EDatabaseError("only one statement can be run at a time");
      if (result.RowCount > 0)
        for (const Variant& v : result.Values) fields.push_back(FieldText(v));
    } catch (...) {
      if (own) EndOwn();
      throw;
    }
    if (own) EndOwn();
    return fields;
  }

  void Close() override {
    for (auto& entry : lru_) SQLFreeHandle(SQL_HANDLE_STMT, entry.second);
    lru_.clear();
    cache_.clear();
    if (dbc_ != SQL_NULL_HDBC) {
      if (connected_) {
        if (InTransaction()) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
        SQLDisconnect(dbc_);
      }
      SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
      dbc_ = SQL_NULL_HDBC;
    }
    connected_ = false;
  }
  bool IsOpen() const override { return connected_; }
  UnicodeString Status() const override {
    if (!connected_) return u"0";
    if (dead_) return u"2";
    SQLUINTEGER dead = SQL_CD_FALSE;
    if (SQL_SUCCEEDED(SQLGetConnectAttrW(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
        dead == SQL_CD_TRUE)
      return u"2";
    return u"1";
  }
  db::Engine Engine() const override { return engine_; }
  void SetCommandTimeout(int32_t Seconds) override {
    Connection::SetCommandTimeout(Seconds);
    ApplyLockWait();
  }

 protected:
  void Query(const UnicodeString& Sql, const std::vector<Variant>& Params, Result& Out) override {
    Run(Sql, Params, &Out);
  }
  int64_t Execute(const UnicodeString& Sql, const std::vector<Variant>& Params) override {
    const int64_t rows = Run(Sql, Params, nullptr);
    // A changed schema would spoil prepared statements (PostgreSQL refuses
    // a cached plan whose result changed).
    const std::u16string word = FirstWord(Sql);
    if (word == u"CREATE" || word == u"ALTER" || word == u"DROP" || word == u"RENAME" ||
        word == u"TRUNCATE")
      ClearCache();
    return rows;
  }
  void Begin() override {
    CheckOpen();
    SetAutocommit(false);
  }
  void Commit() override {
    CheckOpen();
    Check(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT), SQL_HANDLE_DBC, dbc_,
          u"the transaction cannot be committed");
    SetAutocommit(true);
  }
  void Rollback() override {
    CheckOpen();
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    if (!SQL_SUCCEEDED(rc)) {
      const Diagnostic d = ReadDiagnostic(SQL_HANDLE_DBC, dbc_);
      SetAutocommit(true, false);
      Raise(u"the transaction cannot be rolled back", d, KindOf(d));
    }
    SetAutocommit(true);
  }
  char16_t IdentifierQuote() const override { return quote_; }

 private:
  static constexpr size_t kCacheSize = 16;

  // A statement handle of its own, freed on every path.
  struct Statement {
    explicit Statement(OdbcConnection& C) {
      if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, C.dbc_, &h)))
        C.Raise(u"a statement cannot be made", ReadDiagnostic(SQL_HANDLE_DBC, C.dbc_),
                ErrorKind::Other);
      C.ApplyTimeout(h);
    }
    ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, h); }
    SQLHSTMT h = SQL_NULL_HSTMT;
  };

  void CheckOpen() const {
    if (!connected_) throw EDatabaseError("the database connection is closed");
  }

  [[noreturn]] void Raise(const UnicodeString& What, const Diagnostic& D, ErrorKind Kind) {
    if (Kind == ErrorKind::ConnectionLost) dead_ = true;
    UnicodeString text = D.Text.empty() ? What : D.Text;
    // A driver that echoes its connection string must not show a password.
    for (const UnicodeString& secret : secrets_)
      for (size_t at; (at = text.find(secret)) != UnicodeString::npos;)
        text.replace(at, secret.size(), u"***");
    throw EDatabaseError(text, Kind, D.State, D.Native);
  }

  // Raises for a failed call. SQL_NO_DATA counts as success when NoData is
  // set (a searched UPDATE or DELETE that found no row).
  void Check(SQLRETURN Rc, SQLSMALLINT Type, SQLHANDLE Handle, const UnicodeString& What,
             bool NoData = false) {
    if (SQL_SUCCEEDED(Rc) || (NoData && Rc == SQL_NO_DATA)) return;
    const Diagnostic d = ReadDiagnostic(Type, Handle);
    Raise(What, d, KindOf(d));
  }

  UnicodeString InfoText(SQLUSMALLINT Info) {
    SQLWCHAR buffer[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(dbc_, Info, buffer, sizeof buffer, &length))) return {};
    return UnicodeString(reinterpret_cast<const char16_t*>(buffer));
  }

  void SetAutocommit(bool On, bool Raising = true) {
    const SQLRETURN rc = SQLSetConnectAttrW(
        dbc_, SQL_ATTR_AUTOCOMMIT,
        reinterpret_cast<SQLPOINTER>(On ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0);
    if (Raising) Check(rc, SQL_HANDLE_DBC, dbc_, u"autocommit cannot be set");
  }

  // Ends FirstRow's own transaction (never raises over an earlier error).
  void EndOwn() {
    SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    SetAutocommit(true, false);
  }

  // MariaDB's driver does not bound a statement that waits for a row lock
  // by the query time-out: the server's own lock wait takes the command
  // time-out instead (0: its largest value).
  void ApplyLockWait() {
    if (engine_ != db::Engine::MySQL || !connected_) return;
    const int32_t seconds = CommandTimeout() > 0 ? CommandTimeout() : 1073741824;
    Run(u"SET SESSION innodb_lock_wait_timeout = " + ToUtf16(std::to_string(seconds)), {}, nullptr);
  }

  void ApplyTimeout(SQLHSTMT H) {
    SQLSetStmtAttrW(H, SQL_ATTR_QUERY_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(CommandTimeout())), 0);
  }

  void ClearCache() {
    for (auto& entry : lru_) SQLFreeHandle(SQL_HANDLE_STMT, entry.second);
    lru_.clear();
    cache_.clear();
  }

  // A statement prepared for Sql, from the cache (least recently used out).
  SQLHSTMT Prepared(const UnicodeString& Sql) {
    if (const auto hit = cache_.find(Sql); hit != cache_.end()) {
      lru_.splice(lru_.begin(), lru_, hit->second);
      return hit->second->second;
    }
    SQLHSTMT h = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &h)))
      Raise(u"a statement cannot be made", ReadDiagnostic(SQL_HANDLE_DBC, dbc_), ErrorKind::Other);
    const SQLRETURN rc =
        SQLPrepareW(h, const_cast<SQLWCHAR*>(W(Sql)), static_cast<SQLINTEGER>(Sql.size()));
    if (!SQL_SUCCEEDED(rc)) {
      const Diagnostic d = ReadDiagnostic(SQL_HANDLE_STMT, h);
      SQLFreeHandle(SQL_HANDLE_STMT, h);
      Raise(u"the statement cannot be prepared", d, KindOf(d));
    }
    if (lru_.size() >= kCacheSize) {
      SQLFreeHandle(SQL_HANDLE_STMT, lru_.back().second);
      cache_.erase(lru_.back().first);
      lru_.pop_back();
    }
    lru_.emplace_front(Sql, h);
    cache_.emplace(Sql, lru_.begin());
    return h;
  }

  // Binds Values[i] to marker i + 1; Storage keeps what the driver reads at
  // execution.
  struct Bound {
    BindValue Value;
    SQL_TIMESTAMP_STRUCT Stamp{};
    SQLLEN Indicator = 0;
  };
  void BindAll(SQLHSTMT H, std::vector<Bound>& Storage) {
    for (size_t i = 0; i < Storage.size(); ++i) {
      Bound& b = Storage[i];
      const SQLUSMALLINT at = static_cast<SQLUSMALLINT>(i + 1);
      SQLSMALLINT cType = SQL_C_WCHAR, sqlType = SQL_WVARCHAR, digits = 0;
      SQLULEN size = 1;
      SQLPOINTER data = nullptr;
      SQLLEN length = 0;
      BindValue& v = b.Value;
      switch (v.Kind) {
        case BindValue::Null:
          cType = SQL_C_CHAR;
          sqlType = SQL_VARCHAR;
          b.Indicator = SQL_NULL_DATA;
          break;
        case BindValue::Integer:
          cType = SQL_C_SBIGINT;
          sqlType = SQL_BIGINT;
          size = 19;
          data = &v.Int;
          break;
        case BindValue::Boolean:
          cType = SQL_C_SBIGINT;
          sqlType = SQL_BIT;
          size = 1;
          data = &v.Int;
          break;
        case BindValue::Double:
          cType = SQL_C_DOUBLE;
          sqlType = SQL_DOUBLE;
          size = 15;
          data = &v.Dbl;
          break;
        case BindValue::Decimal:
          sqlType = SQL_DECIMAL;
          size = 19;
          digits = 4;
          data = v.Str.data();
          b.Indicator = static_cast<SQLLEN>(v.Str.size() * 2);
          length = b.Indicator + 2;
          break;
        case BindValue::Date: {
          uint16_t y, m, d, h, n, s, z;
          DecodeDateTime(v.Time, y, m, d, h, n, s, z);
          b.Stamp = {static_cast<SQLSMALLINT>(y), m, d, h, n, s, static_cast<SQLUINTEGER>(z) * 1000000u};
          cType = SQL_C_TYPE_TIMESTAMP;
          sqlType = SQL_TYPE_TIMESTAMP;
          size = 23;
          digits = 3;
          data = &b.Stamp;
          break;
        }
        case BindValue::Text:
          sqlType = v.Str.size() > 4000 ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
          size = v.Str.empty() ? 1 : v.Str.size();
          data = v.Str.data();
          b.Indicator = static_cast<SQLLEN>(v.Str.size() * 2);
          length = b.Indicator + 2;
          break;
        case BindValue::Bytes:
          cType = SQL_C_BINARY;
          sqlType = v.Data.size() > 8000 ? SQL_LONGVARBINARY : SQL_VARBINARY;
          size = v.Data.empty() ? 1 : v.Data.size();
          data = v.Data.data();
          b.Indicator = static_cast<SQLLEN>(v.Data.size());
          length = b.Indicator;
          break;
      }
      Check(SQLBindParameter(H, at, SQL_PARAM_INPUT, cType, sqlType, size, digits, data, length,
                             &b.Indicator),
            SQL_HANDLE_STMT, H, u"a parameter cannot be bound");
    }
  }

  int64_t Run(const UnicodeString& Sql, const std::vector<Variant>& Params, Result* Out) {
    CheckOpen();
    std::vector<Bound> storage(Params.size());
    for (size_t i = 0; i < Params.size(); ++i) storage[i].Value = Classify(Params[i]);
    if (Params.empty()) {
      Statement s(*this);
      Check(SQLExecDirectW(s.h, const_cast<SQLWCHAR*>(W(Sql)), static_cast<SQLINTEGER>(Sql.size())),
            SQL_HANDLE_STMT, s.h, u"the statement failed", true);
      return Finish(s.h, Out);
    }
    const SQLHSTMT h = Prepared(Sql);
    struct Release {
      SQLHSTMT h;
      ~Release() {
        SQLFreeStmt(h, SQL_CLOSE);
        SQLFreeStmt(h, SQL_RESET_PARAMS);
      }
    } release{h};
    ApplyTimeout(h);
    BindAll(h, storage);
    Check(SQLExecute(h), SQL_HANDLE_STMT, h, u"the statement failed", true);
    return Finish(h, Out);
  }

  // Reads the rows (with Out) and answers the rows changed.
  int64_t Finish(SQLHSTMT H, Result* Out) {
    SQLLEN count = -1;
    if (!SQL_SUCCEEDED(SQLRowCount(H, &count))) count = -1;
    if (Out != nullptr) ReadRows(H, *Out, SIZE_MAX);
    SQLFreeStmt(H, SQL_CLOSE);
    return count;
  }

  struct ColumnInfo {
    SQLSMALLINT Type = 0;
    SQLSMALLINT Scale = 0;
    bool Unsigned = false;
  };

  void ReadRows(SQLHSTMT H, Result& Out, size_t Limit) {
    Out.Names.clear();
    Out.Values.clear();
    Out.RowCount = 0;
    SQLSMALLINT columns = 0;
    Check(SQLNumResultCols(H, &columns), SQL_HANDLE_STMT, H, u"the result cannot be read");
    std::vector<ColumnInfo> info(static_cast<size_t>(columns));
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(columns); ++i) {
      SQLWCHAR name[512] = {};
      SQLSMALLINT nameLength = 0, nullable = 0;
      SQLULEN size = 0;
      ColumnInfo& c = info[i - 1];
      Check(SQLDescribeColW(H, i, name, 512, &nameLength, &c.Type, &size, &c.Scale, &nullable),
            SQL_HANDLE_STMT, H, u"the result cannot be read");
      SQLLEN isUnsigned = SQL_FALSE;
      SQLColAttributeW(H, i, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &isUnsigned);
      c.Unsigned = isUnsigned == SQL_TRUE;
      Out.Names.emplace_back(reinterpret_cast<const char16_t*>(name));
    }
    if (columns == 0) return;
    while (Out.RowCount < Limit) {
      const SQLRETURN rc = SQLFetch(H);
      if (rc == SQL_NO_DATA) break;
      Check(rc, SQL_HANDLE_STMT, H, u"a row cannot be fetched");
      for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(columns); ++i)
        Out.Values.push_back(ReadValue(H, i, info[i - 1]));
      ++Out.RowCount;
    }
  }

  // One fixed-size value; false for NULL.
  template <class T>
  bool GetFixed(SQLHSTMT H, SQLUSMALLINT Column, SQLSMALLINT CType, T& Value) {
    SQLLEN indicator = 0;
    Check(SQLGetData(H, Column, CType, &Value, sizeof Value, &indicator), SQL_HANDLE_STMT, H,
          u"a field cannot be read");
    return indicator != SQL_NULL_DATA;
  }

  // A text or binary value in pieces, never cut; false for NULL.
  bool GetLong(SQLHSTMT H, SQLUSMALLINT Column, bool Text, std::string& Bytes) {
    Bytes.clear();
    char buffer[8192];
    const size_t terminator = Text ? 2 : 0;
    for (;;) {
      SQLLEN indicator = 0;
      const SQLRETURN rc =
          SQLGetData(H, Column, Text ? SQL_C_WCHAR : SQL_C_BINARY, buffer, sizeof buffer, &indicator);
      if (rc == SQL_NO_DATA) return true;
      Check(rc, SQL_HANDLE_STMT, H, u"a field cannot be read");
      if (indicator == SQL_NULL_DATA) return false;
      const size_t room = sizeof buffer - terminator;
      if (rc == SQL_SUCCESS_WITH_INFO &&
          (indicator == SQL_NO_TOTAL || static_cast<size_t>(indicator) > room)) {
        Bytes.append(buffer, room);  // more follows
        continue;
      }
      Bytes.append(buffer, static_cast<size_t>(indicator));
      return true;
    }
  }

  Variant ReadValue(SQLHSTMT H, SQLUSMALLINT Column, const ColumnInfo& C) {
    switch (C.Type) {
      case SQL_TINYINT:
      case SQL_SMALLINT:
      case SQL_INTEGER: {
        if (C.Unsigned && C.Type == SQL_INTEGER) break;  // may pass 2^31: as BIGINT below
        SQLINTEGER v = 0;
        return GetFixed(H, Column, SQL_C_SLONG, v) ? Variant::FromInteger(v) : Variant::Null();
      }
      case SQL_BIGINT:
        break;
      case SQL_REAL:
      case SQL_FLOAT:
      case SQL_DOUBLE: {
        double v = 0;
        return GetFixed(H, Column, SQL_C_DOUBLE, v) ? Variant::FromDouble(v) : Variant::Null();
      }
      case SQL_DECIMAL:
      case SQL_NUMERIC: {
        std::string bytes;
        if (!GetLong(H, Column, true, bytes)) return Variant::Null();
        const std::string text = ToUtf8(std::u16string_view(
            reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2));
        if (C.Scale == 0) {
          int64_t whole = 0;
          const auto r = std::from_chars(text.data(), text.data() + text.size(), whole);
          if (r.ec == std::errc() && r.ptr == text.data() + text.size()) return IntegerValue(whole);
        }
        double v = 0;
        std::from_chars(text.data(), text.data() + text.size(), v);
        return Variant::FromDouble(v);
      }
      case SQL_BIT: {
        unsigned char v = 0;
        return GetFixed(H, Column, SQL_C_BIT, v) ? Variant::FromBoolean(v != 0) : Variant::Null();
      }
      case SQL_TYPE_DATE:
      case SQL_TYPE_TIMESTAMP:
      case SQL_DATETIME: {
        SQL_TIMESTAMP_STRUCT t{};
        if (!GetFixed(H, Column, SQL_C_TYPE_TIMESTAMP, t)) return Variant::Null();
        TDateTime value;
        if (!TryEncodeDateTime(static_cast<uint16_t>(t.year), t.month, t.day, t.hour, t.minute,
                               t.second, static_cast<uint16_t>(t.fraction / 1000000u), value))
          throw EDatabaseError("a date outside the years 1 to 9999 cannot be read");
        return Variant::FromDate(value);
      }
      case SQL_TYPE_TIME: {
        SQL_TIME_STRUCT t{};
        if (!GetFixed(H, Column, SQL_C_TYPE_TIME, t)) return Variant::Null();
        return Variant::FromDate(EncodeTime(t.hour, t.minute, t.second, 0));
      }
      case SQL_BINARY:
      case SQL_VARBINARY:
      case SQL_LONGVARBINARY: {
        std::string bytes;
        return GetLong(H, Column, false, bytes) ? Variant::FromString(std::move(bytes))
                                                : Variant::Null();
      }
      default: {
        std::string bytes;
        if (!GetLong(H, Column, true, bytes)) return Variant::Null();
        return Variant::FromOleStr(UnicodeString(reinterpret_cast<const char16_t*>(bytes.data()),
                                                 bytes.size() / 2));
      }
    }
    int64_t v = 0;
    return GetFixed(H, Column, SQL_C_SBIGINT, v) ? IntegerValue(v) : Variant::Null();
  }

  SQLHDBC dbc_ = SQL_NULL_HDBC;
  bool connected_ = false;
  bool dead_ = false;
  db::Engine engine_ = db::Engine::Unknown;
  char16_t quote_ = u'"';
  std::vector<UnicodeString> secrets_;
  using Entry = std::pair<UnicodeString, SQLHSTMT>;
  std::list<Entry> lru_;
  std::unordered_map<UnicodeString, std::list<Entry>::iterator> cache_;
};

std::unique_ptr<Connection> OpenOdbc(const ConnectionTarget& Target,
                                     const ConnectionOptions& Options) {
  return std::make_unique<OdbcConnection>(Target, Options);
}

}  // namespace

void EnableOdbc() { RegisterOdbcOpener(&OpenOdbc); }

void DisableOdbc() {
  RegisterOdbcOpener(nullptr);
  std::lock_guard lock(g_envMutex);
  // The environment goes only when no connection is left on it.
  if (g_env != SQL_NULL_HENV && SQL_SUCCEEDED(SQLFreeHandle(SQL_HANDLE_ENV, g_env)))
    g_env = SQL_NULL_HENV;
}

}  // namespace kx::platform::db
