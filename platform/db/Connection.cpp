#include "platform/db/Connection.h"

#include <atomic>
#include <string>

#include "platform/db/BackEnds.h"
#include "platform/db/ConnectionString.h"
#include "platform/file/Path.h"
#include "platform/rtl/IniFile.h"

namespace kx::platform::db {
namespace {

std::atomic<OdbcOpener> g_odbcOpener{nullptr};

std::string SystemFile(const UnicodeString& File) {
  std::string systemName;
  if (!ToSystemPath(File, systemName))
    throw EDatabaseError(u"the data source " + File + u" names no file on this system");
  return systemName;
}

}  // namespace

void RegisterOdbcOpener(OdbcOpener Opener) { g_odbcOpener.store(Opener); }

UnicodeString ReadDataLinkFile(const UnicodeString& FileName) {
  const TMemIniFile ini(FileName);
  return u"Provider=" + ini.ReadString(u"oledb", u"Provider", UnicodeString());
}

void CreateDatabase(const UnicodeString& FileName) {
  if (FileName.empty()) throw EDatabaseError("no database file is named");
  CreateSqliteDatabase(SystemFile(FileName));
}

std::unique_ptr<Connection> Connection::Open(const UnicodeString& ConnectionString,
                                             const UnicodeString& DataLinkFolder,
                                             const ConnectionOptions& Options) {
  const ConnectionTarget target = ResolveConnectionString(ConnectionString, DataLinkFolder);
  if (target.Kind == ConnectionTarget::Sqlite)
    return OpenSqlite(SystemFile(target.File), Options, target.Provider);
  const OdbcOpener opener = g_odbcOpener.load();
  if (opener == nullptr) throw EDatabaseError("the ODBC database back end is not enabled");
  return opener(target, Options);
}

Transaction::Transaction(Connection& C) : connection_(C) {
  if (connection_.inTransaction_)
    throw EDatabaseError("a transaction is already open on this connection");
  connection_.Begin();
  connection_.inTransaction_ = true;
  active_ = true;
}

Transaction::~Transaction() {
  if (!active_) return;
  try {
    Rollback();
  } catch (...) {
    connection_.inTransaction_ = false;
  }
}

void Transaction::Commit() {
  if (!active_) throw EDatabaseError("the transaction has ended");
  // A failed commit leaves the transaction open: the destructor rolls back.
  connection_.Commit();
  active_ = false;
  connection_.inTransaction_ = false;
}

void Transaction::Rollback() {
  if (!active_) throw EDatabaseError("the transaction has ended");
  active_ = false;
  connection_.inTransaction_ = false;
  connection_.Rollback();
}

}  // namespace kx::platform::db
