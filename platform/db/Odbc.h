// platform/db/Odbc.h — the ODBC back end of Connection.h (library
// kx_platform_odbc, over unixODBC).
//
// One process-wide ODBC 3 environment without connection pooling serves
// every connection; it is made on the first connect. EnableOdbc lets
// Connection::Open reach ODBC; the plug-in's load list calls it as the
// "database layer" entry, and DisableOdbc when the library unloads (after
// every connection is closed). A program or test that opens ODBC strings
// without the load list calls EnableOdbc itself.
//
// A connection connects with SQLDriverConnect without prompting, bounded by
// the login time-out, then runs in read committed isolation with autocommit
// (MariaDB's default isolation differs). A string for MariaDB's driver gets
// the found-rows option (flag 2 of OPTION) unless it sets OPTION itself, so
// an UPDATE counts the rows it matched, as on the other engines. Each
// statement is bounded by the command time-out (SQL_ATTR_QUERY_TIMEOUT).
#pragma once

namespace kx::platform::db {

void EnableOdbc();
void DisableOdbc();

}  // namespace kx::platform::db
