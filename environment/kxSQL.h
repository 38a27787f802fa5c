// environment/kxSQL.h — TkxSQL: SQL texts per database engine, the quoting
// fix for the system's own statements, a word guard against SQL injection,
// and finding out an engine and its tables and columns.
//
// The database operations open their own connection per call, with the
// connection string as the database layer reads it (platform/db/
// Connection.h; a relative SQLite file lies in TkxVanto::GetConfigPath()).
// ODBC strings need the layer's ODBC back end enabled (the plug-in's load
// list does it).
#pragma once

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "system/kxTypes_Enums.h"

namespace TkxSQL {

// "KXTA" + the local time "hhnnsszzz" + "_" + the first five characters of
// a new id + "_" + the host program's file name without folder and
// extension, upper-cased; cut to its first 32 characters.
//   "KXTA093015042_3F9A1_KXDRAVSRV"
UnicodeString CreateTransactionId();

// The statement that begins, commits or rolls back a transaction on an
// engine; the id follows the statement word where the engine takes one:
//   kxDBT_MySQL   "START TRANSACTION", "COMMIT", "ROLLBACK"
//   kxDBT_Oracle  "SAVEPOINT " + id, "COMMIT WORK RELEASE",
//                 "ROLLBACK TO SAVEPOINT " + id
//   every other   "BEGIN TRANSACTION " + id, "COMMIT TRANSACTION " + id,
//                 "ROLLBACK TRANSACTION " + id
// A transaction type outside the three gives "".
UnicodeString GetTransactionStatement(const UnicodeString& TransactionId,
                                      TkxDatabaseType DatabaseType,
                                      TkxTransactionType TransactionType);

// Every double quote becomes a single quote: the system writes its
// statements with double quotes. The list form changes each line in place
// and answers true.
bool PrepareSQL(TStrings& SQL);
UnicodeString PrepareSQL(const UnicodeString& Statement);

// Guards a value taken from outside before it goes into a statement text.
// Only with Convert and kxSQT_SELECT the text is escaped for a LIKE pattern
// first: "'" doubled, then "(" "[(]", ")" "[)]", "^" "[^]", '"' '["]', ";"
// "[;]" ("[" itself stays). Then, on an upper-cased copy whose blank runs
// and "; " are collapsed, the first occurrence of each statement word
// ("SELECT ", "INSERT ", "UPDATE ", "DELETE ", "ALTER ", "CREATE ", "EXEC ",
// "DROP ", "MODIFY ", "DUMP ", "--") is tested: preceded by ";", or followed
// within ten characters by a whole follow-word ("FROM ", "TABLE ",
// "DATABASE ", "SET ", "WHERE ", "INTO ", "INDEX ", "VIEW ", "PRIMARY ",
// "KEY ", "(", ";"), it raises Exception "possible SQL injection attack
// detected!". Otherwise the (escaped) text in its own letter case.
//   SecureSQL(u"Miller's", true, kxSQT_SELECT) == u"Miller''s"
//   SecureSQL(u"x; drop table y", false, kxSQT_UPDATE) raises
UnicodeString SecureSQL(const UnicodeString& InStr, bool Convert, TkxSQLQueryType SQLQueryType);

// Which engine the connection string reaches, by the first of four probes
// that runs on one connection: SQL Server's SERVERPROPERTY (kxDBT_MSSQL,
// "MSSQL"), "SELECT VERSION()" (kxDBT_MySQL, "MYSQL"), "SELECT * FROM
// V$VERSION" (kxDBT_Oracle, "ORACLE"), DB2's instance information
// (kxDBT_DB2, "DB2"). DatabaseVersion is that name + " " + the text of each
// field of the probe's first row (none when it gave no row). A probe that
// fails is skipped; when none runs (or no connection opens) the answer is
// kxDBT_Unknown and DatabaseVersion "Unknown". Never raises.
TkxDatabaseType GetDatabaseType(const UnicodeString& ConnectionString, UnicodeString& DatabaseVersion);
TkxDatabaseType GetDatabaseType(const UnicodeString& ConnectionString);

// Appends the table names (field TABLE_NAME, in the order delivered) for
// kxDBT_MSSQL and kxDBT_MySQL (INFORMATION_SCHEMA), kxDBT_Oracle
// (DBA_TABLES) and kxDBT_DB2 (SYSCAT.TABLES); answers true. Any other type
// raises "unsupported database type"; database errors pass on, with the
// names added so far kept.
bool GetTables(const UnicodeString& ConnectionString, TkxDatabaseType DatabaseType, TStrings& Tables);
// Appends the column names (field COLUMN_NAME) of Table, bound as the
// parameter TABLE_NAME, from the same sources (COLS, SYSCAT.COLUMNS); the
// rest as GetTables.
bool GetColumns(const UnicodeString& ConnectionString, TkxDatabaseType DatabaseType,
                const UnicodeString& Table, TStrings& Columns);

namespace detail {
// The statement of probe Index (0 to 3) of GetDatabaseType, before
// PrepareSQL.
UnicodeString DatabaseTypeProbe(int32_t Index);
}  // namespace detail

}  // namespace TkxSQL
