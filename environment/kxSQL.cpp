#include "environment/kxSQL.h"

#include <memory>

#include "environment/kxVanto_Paths.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"
#include "platform/os/HostProgram.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "system/kxFiles_Paths.h"
#include "system/kxToolsEvo2_Identity.h"

namespace TkxSQL {
namespace {

namespace db = kx::platform::db;

void ReplaceAll(UnicodeString& Text, std::u16string_view From, std::u16string_view To) {
  for (size_t at = Text.find(From); at != UnicodeString::npos; at = Text.find(From, at + To.size()))
    Text.replace(at, From.size(), To);
}

std::unique_ptr<db::Connection> OpenConnection(const UnicodeString& ConnectionString) {
  return db::Connection::Open(ConnectionString, TkxVanto::GetConfigPath());
}

// Appends Field of every row of Sql (with TABLE_NAME bound when Table is
// given) to List.
void AppendField(const UnicodeString& ConnectionString, const UnicodeString& Sql,
                 const UnicodeString* Table, const UnicodeString& Field, TStrings& List) {
  const auto connection = OpenConnection(ConnectionString);
  db::DataSet query(*connection, Sql);
  if (Table != nullptr) query.SetParam(u"TABLE_NAME", Variant::FromOleStr(*Table));
  query.Open();
  for (; !query.Eof(); query.Next()) List.Add(query.FieldByName(Field).AsString());
}

}  // namespace

UnicodeString CreateTransactionId() {
  const UnicodeString program =
      TkxFiles::ExtractPureFileName(ToUtf16(kx::platform::HostProgramFileName()));
  UnicodeString id = u"KXTA" + FormatDateTime(u"hhnnsszzz", kx::platform::Now()) + u"_" +
                     ToUtf16(TkxTools::CreateId().ToString()).substr(0, 5) + u"_" +
                     UpperText(program);
  if (id.size() > 32) id.resize(32);
  return id;
}

UnicodeString GetTransactionStatement(const UnicodeString& TransactionId,
                                      TkxDatabaseType DatabaseType,
                                      TkxTransactionType TransactionType) {
  switch (DatabaseType) {
    case kxDBT_MySQL:
      switch (TransactionType) {
        case kxTT_Begin: return u"START TRANSACTION";
        case kxTT_Commit: return u"COMMIT";
        case kxTT_RollBack: return u"ROLLBACK";
      }
      break;
    case kxDBT_Oracle:
      switch (TransactionType) {
        case kxTT_Begin: return u"SAVEPOINT " + TransactionId;
        case kxTT_Commit: return u"COMMIT WORK RELEASE";
        case kxTT_RollBack: return u"ROLLBACK TO SAVEPOINT " + TransactionId;
      }
      break;
    default:
      switch (TransactionType) {
        case kxTT_Begin: return u"BEGIN TRANSACTION " + TransactionId;
        case kxTT_Commit: return u"COMMIT TRANSACTION " + TransactionId;
        case kxTT_RollBack: return u"ROLLBACK TRANSACTION " + TransactionId;
      }
      break;
  }
  return UnicodeString();
}

bool PrepareSQL(TStrings& SQL) {
  for (int32_t i = 0; i < SQL.GetCount(); ++i) SQL.Put(i, PrepareSQL(SQL.Get(i)));
  return true;
}

UnicodeString PrepareSQL(const UnicodeString& Statement) {
  UnicodeString text = Statement;
  for (char16_t& c : text)
    if (c == u'"') c = u'\'';
  return text;
}

UnicodeString SecureSQL(const UnicodeString& InStr, bool Convert, TkxSQLQueryType SQLQueryType) {
  static constexpr std::u16string_view kStatementWords[] = {
      u"SELECT ", u"INSERT ", u"UPDATE ", u"DELETE ", u"ALTER ", u"CREATE ",
      u"EXEC ",   u"DROP ",   u"MODIFY ", u"DUMP ",   u"--"};
  static constexpr std::u16string_view kFollowWords[] = {
      u"FROM ", u"TABLE ", u"DATABASE ", u"SET ", u"WHERE ", u"INTO ",
      u"INDEX ", u"VIEW ", u"PRIMARY ", u"KEY ", u"(", u";"};
  UnicodeString text = InStr;
  if (Convert && SQLQueryType == kxSQT_SELECT) {
    ReplaceAll(text, u"'", u"''");
    ReplaceAll(text, u"(", u"[(]");
    ReplaceAll(text, u")", u"[)]");
    ReplaceAll(text, u"^", u"[^]");
    ReplaceAll(text, u"\"", u"[\"]");
    ReplaceAll(text, u";", u"[;]");
  }
  UnicodeString test = UpperText(text);
  while (test.find(u"  ") != UnicodeString::npos) ReplaceAll(test, u"  ", u" ");
  while (test.find(u"; ") != UnicodeString::npos) ReplaceAll(test, u"; ", u";");
  for (const std::u16string_view word : kStatementWords) {
    const size_t at = test.find(word);
    if (at == UnicodeString::npos) continue;
    bool attack = at > 0 && test[at - 1] == u';';
    const std::u16string_view window = std::u16string_view(test).substr(at + word.size(), 10);
    for (const std::u16string_view follow : kFollowWords)
      if (window.find(follow) != std::u16string_view::npos) attack = true;
    if (attack) throw Exception(u"possible SQL injection attack detected!");
  }
  return text;
}

namespace {

struct Probe {
  const char16_t* Sql;
  TkxDatabaseType Type;
  const char16_t* Name;
};
constexpr Probe kProbes[] = {
      {u"SELECT SERVERPROPERTY(\"PRODUCTVERSION\"), SERVERPROPERTY (\"PRODUCTLEVEL\"), "
       u"SERVERPROPERTY (\"EDITION\")",
       kxDBT_MSSQL, u"MSSQL"},
      {u"SELECT VERSION()", kxDBT_MySQL, u"MYSQL"},
      {u"SELECT * FROM V$VERSION", kxDBT_Oracle, u"ORACLE"},
      // Sent without the ";);" that no engine accepts.
      {u"SELECT SERVICE_LEVEL, FIXPACK_NUM, BLD_LEVEL FROM TABLE (SYSPROC.ENV_GET_INST_INFO()) AS A",
       kxDBT_DB2, u"DB2"},
};

}  // namespace

TkxDatabaseType GetDatabaseType(const UnicodeString& ConnectionString, UnicodeString& DatabaseVersion) {
  DatabaseVersion = u"Unknown";
  std::unique_ptr<db::Connection> connection;
  try {
    connection = OpenConnection(ConnectionString);
  } catch (...) {
    return kxDBT_Unknown;
  }
  for (const auto& probe : kProbes) {
    try {
      db::DataSet query(*connection, PrepareSQL(probe.Sql));
      query.Open();
      UnicodeString version = probe.Name;
      if (!query.Eof())
        for (int32_t i = 0; i < query.FieldCount(); ++i) version += u" " + query.Fields(i).AsString();
      DatabaseVersion = version;
      return probe.Type;
    } catch (...) {
      // The next probe.
    }
  }
  return kxDBT_Unknown;
}

TkxDatabaseType GetDatabaseType(const UnicodeString& ConnectionString) {
  UnicodeString version;
  return GetDatabaseType(ConnectionString, version);
}

bool GetTables(const UnicodeString& ConnectionString, TkxDatabaseType DatabaseType, TStrings& Tables) {
  UnicodeString sql;
  switch (DatabaseType) {
    case kxDBT_MSSQL:
    case kxDBT_MySQL:
      sql = u"SELECT TABLE_NAME FROM INFORMATION_SCHEMA.TABLES ORDER BY TABLE_NAME";
      break;
    case kxDBT_Oracle:
      sql = u"SELECT TABLE_NAME FROM DBA_TABLES ORDER BY TABLE_NAME";
      break;
    case kxDBT_DB2:
      sql = u"SELECT TABNAME AS TABLE_NAME FROM SYSCAT.TABLES ORDER BY TABLE_NAME";
      break;
    default:
      throw Exception(u"unsupported database type");
  }
  AppendField(ConnectionString, PrepareSQL(sql), nullptr, u"TABLE_NAME", Tables);
  return true;
}

bool GetColumns(const UnicodeString& ConnectionString, TkxDatabaseType DatabaseType,
                const UnicodeString& Table, TStrings& Columns) {
  UnicodeString sql;
  switch (DatabaseType) {
    case kxDBT_MSSQL:
    case kxDBT_MySQL:
      sql = u"SELECT COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME = :TABLE_NAME";
      break;
    case kxDBT_Oracle:
      sql = u"SELECT COLUMN_NAME FROM COLS WHERE TABLE_NAME = :TABLE_NAME";
      break;
    case kxDBT_DB2:
      sql = u"SELECT COLNAME AS COLUMN_NAME FROM SYSCAT.COLUMNS WHERE TABNAME = :TABLE_NAME";
      break;
    default:
      throw Exception(u"unsupported database type");
  }
  AppendField(ConnectionString, sql, &Table, u"COLUMN_NAME", Columns);
  return true;
}

namespace detail {
UnicodeString DatabaseTypeProbe(int32_t Index) {
  return Index >= 0 && Index < 4 ? UnicodeString(kProbes[Index].Sql) : UnicodeString();
}
}  // namespace detail

}  // namespace TkxSQL
