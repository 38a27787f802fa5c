// tests/support/DatabaseClient.h — the engines' own command-line clients
// (sqlite3, psql, mariadb) as peers that read what a test wrote (header-only;
// link kxtestsupport).
#pragma once

#include <string>
#include <vector>

#include "tests/support/DatabaseServers.h"
#include "tests/support/Process.h"

namespace kx::testing {

// Runs Sql with the client of Engine ("SQLite" on the database file File,
// "PostgreSQL" or "MariaDB" on the servers of scripts/test-db-servers). The
// result has its output, rows as lines of fields joined by "|".
inline BoundedResult RunDatabaseClient(const std::string& Engine, const std::string& File,
                                       const std::string& Sql) {
  std::vector<std::string> argv;
  if (Engine == "SQLite") {
    argv = {"sqlite3", "-batch", File, Sql};
  } else if (Engine == "PostgreSQL") {
    argv = {"env", "PGPASSWORD=" + DatabaseServer("KX_DB_PASSWORD"), "psql", "-X", "-At", "-q",
            "-h", "127.0.0.1", "-p", DatabaseServer("KX_PG_PORT"), "-U",
            DatabaseServer("KX_DB_USER"), "-d", DatabaseServer("KX_DB_DATABASE"), "-c", Sql};
  } else {
    argv = {"mariadb", "--no-defaults", "-N", "-B", "-h", "127.0.0.1", "-P",
            DatabaseServer("KX_MY_PORT"), "-u", DatabaseServer("KX_DB_USER"),
            "-p" + DatabaseServer("KX_DB_PASSWORD"), "--default-character-set=utf8mb4",
            DatabaseServer("KX_DB_DATABASE"), "-e", Sql};
  }
  BoundedResult r = RunBounded(argv, 30000);
  for (char& ch : r.Output)
    if (ch == '\t') ch = '|';
  return r;
}

}  // namespace kx::testing
