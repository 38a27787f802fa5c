// platform/db/BackEnds.h — how Connection::Open reaches the back ends
// (internal to platform/db).
#pragma once

#include <memory>
#include <string>

#include "platform/db/Connection.h"
#include "platform/db/ConnectionString.h"

namespace kx::platform::db {

// Opens the existing SQLite database file DatabaseFile (a system path) for
// reading and writing and checks that it is a database.
std::unique_ptr<Connection> OpenSqlite(const std::string& DatabaseFile,
                                       const ConnectionOptions& Options,
                                       const UnicodeString& Provider);
void CreateSqliteDatabase(const std::string& DatabaseFile);

// The ODBC back end lives in a library of its own (platform/db/Odbc.h),
// which registers its opener here; nullptr unregisters.
using OdbcOpener = std::unique_ptr<Connection> (*)(const ConnectionTarget& Target,
                                                   const ConnectionOptions& Options);
void RegisterOdbcOpener(OdbcOpener Opener);

}  // namespace kx::platform::db
