// config/kxConfigSchema.h — makes a configuration table, for tests and
// installation scripts (the store itself only probes its table).
//
//   CreateConfigTable(*connection, u"kx_configuration", TST_V2);
//
// Columns: "ID" varchar(32) primary key, "PARENTID" varchar(32), "KEYNAME"
// and "DIMENSION" varchar(255), "DATATYPE" varchar(8), "KEYVALUE" long text;
// TST_V2 adds "CHANGEUSER" varchar(255) and "CHANGEDATE" date and time. An
// index over ("PARENTID", "KEYNAME"), and a unique key over the parent
// ('' for NULL), whether the row is a node, and the name, compared as the
// store's lookups compare: two writers cannot make the same node or value
// twice. On SQLite "KEYNAME" compares without regard to ASCII case and the
// database runs in WAL mode; the servers keep their own comparison rules.
// Raises EDatabaseError (a table that exists already, an engine without
// support) or Exception for a table name the store would refuse.
#pragma once

#include "config/kxConfigManager.h"
#include "platform/rtl/Text.h"

namespace kx::platform::db {
class Connection;
}

void CreateConfigTable(kx::platform::db::Connection& Connection, const UnicodeString& Table,
                       TTableStructureType Layout);
