#include "config/kxConfigSchema.h"

#include "config/kxConfigManager_Internal.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"
#include "platform/rtl/Exceptions.h"

namespace db = kx::platform::db;

void CreateConfigTable(db::Connection& Connection, const UnicodeString& Table, TTableStructureType Layout) {
  if (!kxConfigDetail::IsValidTableName(Table)) throw Exception(u"invalid table name");
  const db::Engine engine = Connection.Engine();
  const size_t dot = Table.find(u'.');
  const UnicodeString schema = dot == UnicodeString::npos ? UnicodeString() : Table.substr(0, dot + 1);
  const UnicodeString bare = dot == UnicodeString::npos ? Table : Table.substr(dot + 1);
  const bool v2 = Layout == TST_V2;
  const UnicodeString isNode = u"CASE WHEN DATATYPE = 'TREE' THEN 1 ELSE 0 END";
  std::vector<UnicodeString> statements;
  switch (engine) {
    case db::Engine::SQLite:
      statements.push_back(u"CREATE TABLE " + Table +
                           u" (ID varchar(32) NOT NULL PRIMARY KEY, PARENTID varchar(32), "
                           u"KEYNAME varchar(255) COLLATE NOCASE, DIMENSION varchar(255), DATATYPE varchar(8), "
                           u"KEYVALUE text" +
                           (v2 ? u", CHANGEUSER varchar(255), CHANGEDATE datetime" : u"") + u")");
      statements.push_back(u"CREATE INDEX " + schema + bare + u"_PARENT ON " + bare + u" (PARENTID, KEYNAME)");
      statements.push_back(u"CREATE UNIQUE INDEX " + schema + bare + u"_NAME ON " + bare +
                           u" (COALESCE(PARENTID, ''), " + isNode + u", KEYNAME)");
      statements.push_back(u"PRAGMA " + schema + u"journal_mode=WAL");
      break;
    case db::Engine::PostgreSQL:
      statements.push_back(u"CREATE TABLE " + Table +
                           u" (ID varchar(32) NOT NULL PRIMARY KEY, PARENTID varchar(32), "
                           u"KEYNAME varchar(255), DIMENSION varchar(255), DATATYPE varchar(8), KEYVALUE text" +
                           (v2 ? u", CHANGEUSER varchar(255), CHANGEDATE timestamp(3)" : u"") + u")");
      statements.push_back(u"CREATE INDEX " + bare + u"_PARENT ON " + Table + u" (PARENTID, KEYNAME)");
      statements.push_back(u"CREATE UNIQUE INDEX " + bare + u"_NAME ON " + Table + u" ((COALESCE(PARENTID, '')), (" +
                           isNode + u"), KEYNAME)");
      break;
    case db::Engine::MySQL:
      // Expression keys come as generated columns here.
      statements.push_back(u"CREATE TABLE " + Table +
                           u" (ID varchar(32) NOT NULL PRIMARY KEY, PARENTID varchar(32), "
                           u"KEYNAME varchar(255), DIMENSION varchar(255), DATATYPE varchar(8), KEYVALUE longtext" +
                           (v2 ? u", CHANGEUSER varchar(255), CHANGEDATE datetime(3)" : u"") +
                           u", PARENTKEY varchar(32) AS (COALESCE(PARENTID, '')) STORED, ISNODE int AS (" + isNode +
                           u") STORED, INDEX " + bare + u"_PARENT (PARENTID, KEYNAME), UNIQUE KEY " + bare +
                           u"_NAME (PARENTKEY, ISNODE, KEYNAME))");
      break;
    default:
      throw EDatabaseError(u"configuration tables are made on SQLite, PostgreSQL and MariaDB only");
  }
  for (const UnicodeString& sql : statements) db::Command(Connection, sql).Execute();
}
