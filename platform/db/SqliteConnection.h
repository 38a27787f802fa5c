// platform/db/SqliteConnection.h — the SQLite back end of Connection.h
// (internal to platform/db).
#pragma once

#include <memory>
#include <string>

#include "platform/db/Connection.h"

namespace kx::platform::db {

// Opens the existing database file DatabaseFile (a system path) for reading
// and writing and checks that it is a database; raises EDatabaseError.
std::unique_ptr<Connection> OpenSqlite(const std::string& DatabaseFile);

}  // namespace kx::platform::db
