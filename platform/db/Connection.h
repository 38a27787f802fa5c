// platform/db/Connection.h — database connections from OLE DB style
// connection strings, in place of the platform's data components.
//
// Statements with rows go through DataSet, others through Command
// (platform/db/DataSet.h); InsertRow appends one row. Every failure raises
// EDatabaseError.
//
// Connection strings
// ------------------
// A connection string is a list of "name=value" parts separated by ";"
// (a ";" inside a value in double or single quotes does not separate; the
// quotes are removed, a doubled quote inside stands for one). Names are
// trimmed and compared without regard to case, values trimmed; the first
// part of a name wins. "Provider" chooses the back end:
//   - "SQLite": the embedded back end. "Data Source" is the database file.
//     A relative file lies in the data link folder (the folder of the data
//     link file the string came from), or in the working folder when there
//     is none. The file is opened for reading and writing and never created
//     (see CreateDatabase); a file that is no database fails.
//       "Provider=SQLite;Data Source=config.db"
//   - "MSDASQL" (any version, "MSDASQL.1"): ODBC. "Extended Properties" is
//     the ODBC connection string, else "Data Source" names a DSN; "User ID"
//     and "Password" become UID and PWD unless the ODBC string sets them.
//   - "SQLOLEDB", "SQLNCLI...", "MSOLEDBSQL...": SQL Server through the
//     FreeTDS ODBC driver. "Data Source" is the server ("host,port" names the
//     port too), "Initial Catalog" the database, "User ID" and "Password"
//     the login. "Integrated Security" raises "integrated security is not
//     supported".
//   - No provider and a "DSN=" or "Driver=" part: an ODBC connection string,
//     passed on unchanged.
// "File Name" names an OLE DB data link file: its connection string is read
// from the file (ReadDataLinkFile) and used instead, with the file's folder
// as data link folder; a data link file that names another is not followed.
// ResolveConnectionString (platform/db/ConnectionString.h) shows what a
// string maps to without connecting.
//
// ODBC needs the back end of platform/db/Odbc.h enabled once per process
// (the plug-in's load list does it); without it an ODBC string raises.
//
// Values
// ------
// Values travel as Variants (platform/rtl/Variant.h). Read: NULL is Null,
// texts varOleStr (8), integers varInteger (3) or varInt64 (20) by width,
// floating-point and decimal fractions varDouble (5), dates and times
// varDate, Booleans varBoolean (11), binary data an 8-bit varString of the
// bytes. SQLite columns whose declared type holds "DATE" or "TIME" read as
// varDate. Parameters bind from Empty and Null (NULL), every integer code,
// floating point, Currency (an exact decimal), Boolean, varDate (a time stamp
// with milliseconds; on SQLite the text "yyyy-mm-dd hh:nn:ss.zzz", whose text
// order is time order), UTF-16 texts, and bytes (varString, varStrArg and
// byte arrays); any other code raises. Texts and bytes are never cut.
//
// Errors
// ------
// EDatabaseError carries the driver's text (never the connection string,
// which may hold credentials), the SQLSTATE (ODBC; empty on SQLite), the
// native code (the driver's; SQLite's extended result code) and a Kind that
// callers branch on, so that they need not know each engine's codes.
//
// Threads: a connection is used by one thread at a time. Different
// connections may be used on different threads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"

namespace kx::platform::db {

enum class ErrorKind : uint8_t {
  Other,
  // A unique or primary key violation: PostgreSQL "23505"; "23000" with the
  // native code 1062 or 1586 on MariaDB and MySQL, 2627 or 2601 on SQL
  // Server; SQLITE_CONSTRAINT_UNIQUE and SQLITE_CONSTRAINT_PRIMARYKEY.
  UniqueViolation,
  // Any other integrity constraint (NOT NULL, foreign key, check).
  ConstraintViolation,
  // The connection is gone (SQLSTATE class "08", a server that ended the
  // session); Status() answers "2" from then on.
  ConnectionLost,
  // The login or command time-out ran out, or a lock wait did.
  Timeout,
};

}  // namespace kx::platform::db

class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
  EDatabaseError(UnicodeString Message, kx::platform::db::ErrorKind Kind, std::u16string SqlState,
                 int32_t NativeError)
      : Exception(std::move(Message)),
        Kind(Kind),
        SqlState(std::move(SqlState)),
        NativeError(NativeError) {}
  UnicodeString ClassName() const override { return u"EDatabaseError"; }

  kx::platform::db::ErrorKind Kind = kx::platform::db::ErrorKind::Other;
  std::u16string SqlState;  // five characters, or empty
  int32_t NativeError = 0;
};

namespace kx::platform::db {

// The engine behind a connection, from the driver's DBMS name: MariaDB
// counts as MySQL.
enum class Engine : uint8_t { Unknown, SQLite, PostgreSQL, MySQL, MSSQL };

struct ConnectionOptions {
  // Seconds; 0 means no limit. The login time-out bounds connecting, the
  // command time-out each statement (on SQLite: the wait for another
  // connection's lock).
  int32_t LoginTimeout = 15;
  int32_t CommandTimeout = 30;
};

// The connection string of an OLE DB data link file: "Provider=" followed by
// the value of the key "Provider" in the section "oledb" (empty when
// missing), the file read as an INI file (platform/rtl/IniFile.h; such files
// are UTF-16 with a byte-order mark). A missing file gives "Provider=";
// a file that cannot be read raises EFOpenError.
UnicodeString ReadDataLinkFile(const UnicodeString& FileName);

// Creates the new, empty SQLite database file FileName (the only way a
// database file comes to be). An existing file, or one that cannot be made,
// raises.
void CreateDatabase(const UnicodeString& FileName);

class DataSet;
class Command;
class Transaction;

class Connection {
 public:
  // Opens the database that ConnectionString names (see above).
  // DataLinkFolder places a relative database file; empty means the working
  // folder.
  static std::unique_ptr<Connection> Open(const UnicodeString& ConnectionString,
                                          const UnicodeString& DataLinkFolder,
                                          const ConnectionOptions& Options = {});

  virtual ~Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Runs one statement that only reads (a SELECT) and answers the fields of
  // its first row as texts, in column order: NULL as "", integers in
  // decimal, floating-point values in the shortest form that reads back
  // ("2.5", "1e+20"), texts as they are, binary data byte by byte through
  // the codec of Text.h, dates "yyyy-mm-dd hh:nn:ss.zzz". No row gives no
  // fields. A statement that changes data (over ODBC: it is rolled back),
  // more than one statement, or one the database rejects raises.
  virtual std::vector<UnicodeString> FirstRow(const UnicodeString& Sql) = 0;

  // Closes the connection (the destructor does it too); further use raises.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // "0" closed, "1" open and not known to be dead, "2" dead: the driver
  // reports the connection dead, or a statement failed with a lost
  // connection. Asks the server nothing.
  virtual UnicodeString Status() const = 0;
  // The provider as the connection string names it ("SQLite", "MSDASQL.1",
  // "SQLOLEDB.1"); "MSDASQL.1" for an ODBC string without one.
  const UnicodeString& Provider() const { return provider_; }
  virtual db::Engine Engine() const = 0;

  int32_t CommandTimeout() const { return commandTimeout_; }
  // Applies to the statements that start afterwards.
  virtual void SetCommandTimeout(int32_t Seconds) { commandTimeout_ = Seconds; }

 protected:
  Connection() = default;

  // What the back ends do for DataSet, Command and Transaction. Sql holds
  // "?" markers, one per value of Params, in order.
  struct Result {
    std::vector<UnicodeString> Names;  // column names, in order
    std::vector<Variant> Values;       // row after row
    size_t RowCount = 0;
  };
  virtual void Query(const UnicodeString& Sql, const std::vector<Variant>& Params, Result& Out) = 0;
  virtual int64_t Execute(const UnicodeString& Sql, const std::vector<Variant>& Params) = 0;
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  // The character that quotes identifiers ('"' or '`').
  virtual char16_t IdentifierQuote() const = 0;

  void SetProvider(UnicodeString Provider) { provider_ = std::move(Provider); }
  bool InTransaction() const { return inTransaction_; }

 private:
  friend class DataSet;
  friend class Command;
  friend class Transaction;
  friend void InsertRow(Connection&, const UnicodeString&,
                        const std::vector<std::pair<UnicodeString, Variant>>&);

  UnicodeString provider_;
  int32_t commandTimeout_ = 30;
  bool inTransaction_ = false;
};

// A transaction on a connection, from construction to Commit or Rollback;
// destroyed while still open, it rolls back (and never throws). A second
// scope on a connection that has one open raises. On SQLite it begins with
// BEGIN IMMEDIATE (the write lock at once, so a read followed by a write
// cannot fail busy midway); over ODBC autocommit is off until it ends.
//
//   db::Transaction t(*c);
//   db::Command(*c, u"DELETE FROM t WHERE id = :ID").SetParam(u"ID", id).Execute();
//   t.Commit();
//
// On PostgreSQL a failed statement spoils the rest of its transaction: a
// read that follows an expected failure (a unique violation) belongs
// outside the scope.
class Transaction {
 public:
  explicit Transaction(Connection& C);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void Commit();
  void Rollback();
  bool Active() const { return active_; }

 private:
  Connection& connection_;
  bool active_ = false;
};

}  // namespace kx::platform::db
