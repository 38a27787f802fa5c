// TkxConfigManager: connection, lifecycle, the connection check and its
// thread, the error convention and small texts.
#include <cassert>
#include <chrono>
#include <condition_variable>

#include "config/kxConfigManager.h"
#include "config/kxConfigManager_Internal.h"
#include "environment/kxVanto.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionString.h"
#include "platform/db/DataSet.h"
#include "platform/os/System.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Trim.h"
#include "system/kxADO.h"
#include "system/kxRegistry.h"
#include "system/kxToolsEvo2_Identity.h"

namespace db = kx::platform::db;

namespace {

kxConfigSeams::Seams& CurrentSeams() {
  static kxConfigSeams::Seams seams;
  return seams;
}

constexpr char16_t kSystemKey[] = u"SOFTWARE\\vanto\\System\\";

// A whole-number registry value of the store; Default when missing or not a number.
int32_t RegistryNumber(const UnicodeString& Name, int32_t Default) {
  try {
    return TkxRegistry::GetValue(HKEY_LOCAL_MACHINE, kSystemKey, Name, Variant::FromInteger(Default),
                                 false)
        .ToInteger();
  } catch (const Exception&) {
    return Default;
  }
}

const char16_t* const kClassKeys[] = {
    u"/vanto/Classes/Style/Icons",          u"/vanto/Classes/Help/Context/System",
    u"/vanto/Classes/Help/Context/Customer", u"/vanto/Classes/Statuses",
    u"/vanto/Classes/Behaviour/Local",
};

}  // namespace

// ---- Seams and helpers ---------------------------------------------------------------

void kxConfigSeams::SetSeamsForTesting(Seams S) { CurrentSeams() = std::move(S); }

namespace kxConfigDetail {

uint32_t TickCount() {
  const auto& s = CurrentSeams();
  return s.TickCount ? s.TickCount() : TkxTools::GetTickCount();
}

void SleepMs(uint32_t Ms) {
  const auto& s = CurrentSeams();
  if (s.Sleep) {
    s.Sleep(Ms);
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(Ms));
}

TDateTime NowTime() {
  const auto& s = CurrentSeams();
  return s.Now ? s.Now() : Now();
}

int& CacheDepth() {
  thread_local int depth = 0;
  return depth;
}

bool IsValidTableName(std::u16string_view Name) {
  auto validPart = [](std::u16string_view Part) {
    if (Part.empty()) return false;
    for (char16_t c : Part)
      if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
            c == u'_'))
        return false;
    return true;
  };
  const size_t dot = Name.find(u'.');
  if (dot == std::u16string_view::npos) return validPart(Name);
  return validPart(Name.substr(0, dot)) && validPart(Name.substr(dot + 1));
}

TIdType IdOf(const UnicodeString& Text) { return TIdType(ToUtf8(Text)); }

UnicodeString TrimKey(std::u16string_view Text) { return UnicodeString(TrimWhiteSpace(Text)); }
UnicodeString TrimName(std::u16string_view Text) { return UnicodeString(TrimBlanks(Text)); }

std::vector<UnicodeString> KeyNames(const UnicodeString& PreparedKey) {
  std::vector<UnicodeString> names;
  size_t start = 0;
  for (size_t slash; (slash = PreparedKey.find(u'/', start)) != UnicodeString::npos;
       start = slash + 1)
    names.push_back(PreparedKey.substr(start, slash - start));
  return names;
}

UnicodeString TimeStampText() { return FormatDateTime(u"yyyymmddhhnnsszzz", NowTime()); }

}  // namespace kxConfigDetail

using namespace kxConfigDetail;

TkxConfigManager::DbGuard::DbGuard(TkxConfigManager& Store) : store_(Store) {
  assert(CacheDepth() == 0 && "DatabaseLock taken under CacheLock");
  store_.DatabaseLock.lock();
}

TDataTypeStr::TDataTypeStr(std::string_view Text)
    : text_(Text.substr(0, std::min(Text.size(), kCapacity))) {}

// ---- Lifecycle -----------------------------------------------------------------------

TkxConfigManager::TkxConfigManager(bool z9Init, const UnicodeString& UserConStr,
                                   const UnicodeString& TableName) {
  try {
    LastDbChangeTicks = TickCount();
    CfgTabName = TableName;
    z9Mode = z9Init;
    Username = TkxTools::GetUserNameEx(8);
    MaxDbRetry = RegistryNumber(u"DbConReadRetries", 2);
    const int32_t timeout = RegistryNumber(u"DbConTimeout", 120);
    DatabaseType = TkxVanto::GetDatabaseType(true, kxDBT_MSSQL);
    registryNamesEngine_ = TkxVanto::GetDatabaseType(true, kxDBT_Unknown) != kxDBT_Unknown;
    ConnectionString = UserConStr.empty() ? TkxVanto::GetConnectionString(true) : UserConStr;
    if (!IsValidTableName(TableName)) {
      validTableName_ = false;
      Message = u"invalid table name";
      return;
    }

    commandTimeout_ = RegistryNumber(u"DbConCmdTimeout", 180);
    dataSetTimeout_ = RegistryNumber(u"DbConCmdTimeout", 120);
    try {
      const uint32_t start = TickCount();
      for (;;) {
        ADOConnection = OpenConnection(ConnectionString, timeout, commandTimeout_);
        if (ADOConnection != nullptr && ADOConnection->IsOpen()) break;
        SleepMs(5000);
        if ((TickCount() - start) / 1000 > static_cast<uint32_t>(std::max(timeout, 0))) break;
      }
    } catch (const Exception& e) {
      Message = u"ado connection exception (" + e.Message + u")";
    }
    try {
      if (ADOConnection != nullptr) AttachStatements();
    } catch (const Exception&) {
    }
    TableStructureType = GetTableStructureType();

    if (z9Init) {
      ResolveClassKeyIds(false);
      const UnicodeString common = u"/vanto/Software/Basics/Common";
      const int64_t size =
          GetConfigValue(common, u"ConfigCacheSize", Variant::FromWord(1000), true).ToInt64();
      CacheSize = size > 99999 ? 100000 : static_cast<int32_t>(size);
      CacheLeaseTime = static_cast<uint32_t>(
          GetConfigValue(common, u"ConfigCacheLeaseTime", Variant::FromLongWord(600000), true)
              .ToInt64());
      CacheCheckTime = static_cast<uint32_t>(
          GetConfigValue(common, u"ConfigCacheCheckTime", Variant::FromWord(5000), true).ToInt64());
    }
    ConfigCache.assign(static_cast<size_t>(std::max(CacheSize, 0)), TConfigCacheRecord());
    InitCache();
    StartHelperThread();
  } catch (const Exception& e) {
    Message = e.Message;
    try {
      RaiseException(e.Message);
    } catch (...) {
    }
  } catch (...) {
    // Nothing leaves the constructor.
  }
}

TkxConfigManager::~TkxConfigManager() {
  StopHelperThread();
  { DbGuard lock(*this); }
  { CacheGuard lock(*this); }
  try {
    ADODataSet.reset();
    ADOCommand.reset();
    if (ADOConnection != nullptr) ADOConnection->Close();
  } catch (const Exception& e) {
    Message = e.Message;
  } catch (...) {
  }
  ADOConnection.reset();
  Message.Clear();
}

void TkxConfigManager::StartHelperThread() {
  HelperThread = std::make_unique<THelperThread>();
  HelperThread->AdoCheckInterval = static_cast<uint32_t>(RegistryNumber(u"DbConCheckInterval", 1800));
  HelperThread->CheckCallBackProc = [this] { WStringCheckCallBackProc(); };
  THelperThread* t = HelperThread.get();
  t->Thread = std::jthread([t](std::stop_token stop) {
    kx::platform::LowerCurrentThreadPriority();
    std::mutex m;
    std::condition_variable_any cv;
    while (!stop.stop_requested()) {
      for (int i = 0; i < 10 && !stop.stop_requested(); ++i) {
        std::unique_lock<std::mutex> lock(m);
        cv.wait_for(lock, stop, std::chrono::milliseconds(100), [] { return false; });
      }
      if (t->TimerTicks.fetch_add(1) + 1 >= t->AdoCheckInterval && !stop.stop_requested()) {
        t->TimerTicks = 0;
        try {
          if (t->CheckCallBackProc) t->CheckCallBackProc();
        } catch (...) {
        }
      }
    }
  });
}

void TkxConfigManager::StopHelperThread() {
  if (HelperThread == nullptr) return;
  HelperThread->Thread.request_stop();
  if (HelperThread->Thread.joinable()) HelperThread->Thread.join();
  HelperThread.reset();
}

void TkxConfigManager::WStringCheckCallBackProc() { CheckADOConnection(); }

// ---- Connection -----------------------------------------------------------------------

std::unique_ptr<db::Connection> TkxConfigManager::OpenConnection(const UnicodeString& Cs,
                                                                 int32_t Timeout,
                                                                 int32_t CommandTimeout) {
  db::ConnectionOptions options;
  options.LoginTimeout = Timeout;
  options.CommandTimeout = CommandTimeout;
  const auto& s = CurrentSeams();
  if (s.OpenConnection) return s.OpenConnection(Cs, options);
  return db::Connection::Open(Cs, UnicodeString(), options);
}

void TkxConfigManager::AttachStatements() {
  ADODataSet = std::make_unique<TkxADODataSet>(*ADOConnection);
  ADOCommand = std::make_unique<db::Command>(*ADOConnection);
  engine_ = ADOConnection->Engine();
}

UnicodeString TkxConfigManager::ConnectionStatus() {
  if (ADOConnection == nullptr) return u"0";
  return ADOConnection->Status();
}

UnicodeString TkxConfigManager::ProviderName() const {
  if (ADOConnection != nullptr) return ADOConnection->Provider();
  try {
    return db::ResolveConnectionString(ConnectionString, UnicodeString()).Provider;
  } catch (const Exception&) {
    return UnicodeString();
  }
}

bool TkxConfigManager::IsConnected() {
  if (!validTableName_) {
    Message = u"invalid table name";
    return false;
  }
  DbGuard lock(*this);
  try {
    const UnicodeString status = ConnectionStatus();
    if (status == u"1") {
      Message = u"database connection is online";
      return true;
    }
    Message = u"database connection to " + ProviderName() + u" is offline (state = " + status + u")";
  } catch (const Exception& e) {
    Message = u"error during database connection check (" + e.Message + u")";
  }
  return false;
}

bool TkxConfigManager::CheckADOConnection() {
  if (!validTableName_) return false;
  DbGuard lock(*this);
  bool result = true;
  ++ADOConCheckCount;
  try {
    const UnicodeString status = ConnectionStatus();
    if (status != u"1" || ADOConCheckCount % 5 == 0) {
      UnicodeString provider = ProviderName();
      ADODataSet.reset();
      ADOCommand.reset();
      try {
        if (ADOConnection != nullptr) ADOConnection->Close();
      } catch (const Exception&) {
      }
      ADOConnection.reset();
      SleepMs(1000);
      commandTimeout_ = RegistryNumber(u"DbConCmdTimeout", 180);
      ADOConnection = OpenConnection(ConnectionString, RegistryNumber(u"DbConTimeout", 120),
                                     commandTimeout_);
      if (ADOConnection != nullptr) provider = ADOConnection->Provider();
      if (ADOConnection != nullptr && ADOConnection->IsOpen()) {
        AttachStatements();
        Message = u"database connection to " + provider + u" successful restored";
      } else {
        Message = u"database connection to " + provider +
                  u" is still offline - possible network or database problem";
        result = false;
      }
    }
  } catch (const Exception& e) {
    Message = u"error during database connection check (" + e.Message + u")";
    result = false;
  }
  return result;
}

void TkxConfigManager::CheckUsable() const {
  if (!validTableName_) throw Exception(u"invalid table name");
  if (ADODataSet == nullptr || ADOCommand == nullptr || ADOConnection == nullptr)
    throw Exception(u"no database connection");
}

TkxADODataSet& TkxConfigManager::Query() {
  CheckUsable();
  return *ADODataSet;
}

db::Command& TkxConfigManager::Statement() {
  CheckUsable();
  return *ADOCommand;
}

TTableStructureType TkxConfigManager::GetTableStructureType() {
  DbGuard lock(*this);
  TTableStructureType result = TST_V1;
  try {
    OpenQuery(u"SELECT ID,PARENTID,KEYNAME,DIMENSION,DATATYPE,KEYVALUE,CHANGEUSER,CHANGEDATE FROM " +
                  CfgTabName + u" WHERE ID = :FAKEID",
              {{u"FAKEID", TextValue(u"NIL")}});
    result = TST_V2;
  } catch (const Exception&) {
  }
  if (ADODataSet != nullptr) ADODataSet->Close();
  return result;
}

// ---- Error convention -------------------------------------------------------------------

void TkxConfigManager::RaiseException(const UnicodeString& MyMessage) {
  if (RaiseExceptions) throw Exception(MyMessage);
}

void TkxConfigManager::HandleError(const UnicodeString& Text) {
  Message = Text;
  CheckADOConnection();
  RaiseException(Message);
}

void TkxConfigManager::HandleError(const Exception& E) { HandleError(E.Message); }

// ---- Change columns ---------------------------------------------------------------------

namespace {
void SetColumn(TConfigRecord& Record, const UnicodeString& Name, Variant Value) {
  for (auto& [name, value] : Record)
    if (name == Name) {
      value = std::move(Value);
      return;
    }
  Record.emplace_back(Name, std::move(Value));
}
}  // namespace

bool TkxConfigManager::ExtendRecord(TConfigRecord& Record) {
  if (TableStructureType == TST_V2 && TrackChanges) {
    SetColumn(Record, u"CHANGEUSER", TextValue(Username));
    SetColumn(Record, u"CHANGEDATE", Variant::FromDate(NowTime()));
  }
  return true;
}

bool TkxConfigManager::ExtendRecord(TConfigRecord& Record, const UnicodeString& User,
                                    TDateTime Date, bool ForceTrackChanges) {
  if (TableStructureType == TST_V2 && (TrackChanges || ForceTrackChanges) && !User.empty()) {
    SetColumn(Record, u"CHANGEUSER", TextValue(User));
    SetColumn(Record, u"CHANGEDATE", Variant::FromDate(Date));
  }
  return true;
}

// ---- Class nodes ------------------------------------------------------------------------

void TkxConfigManager::ResolveClassKeyIds(bool Force) {
  DbGuard lock(*this);
  TIdType* fields[] = {&KId_ClassesStyleIcons, &KId_ClassesContextHelpSys,
                       &KId_ClassesContextHelpCus, &KId_ClassesStatus, &KId_ClassesLocale};
  bool missing = Force;
  for (TIdType* f : fields) missing = missing || IsTIdStringEmpty(*f);
  if (!missing) return;
  for (size_t i = 0; i < std::size(fields); ++i)
    *fields[i] = GetParentTreeId(kClassKeys[i], true, true);
}

// ---- Small texts ------------------------------------------------------------------------

bool TkxConfigManager::IsTIdStringEmpty(const TIdType& Id) { return TrimBlanks(Id.View()).empty(); }

UnicodeString TkxConfigManager::GetPackageDescriptionTypeStr(TkxPackageDescriptionType DType) {
  switch (DType) {
    case kxPDT_PlainText: return u"PlainText";
    case kxPDT_MarkDown: return u"MarkDown";
    case kxPDT_RichText: return u"RichText";
    default: return UnicodeString();
  }
}

TkxPackageDescriptionType TkxConfigManager::GetPackageDescriptionType(const UnicodeString& DType) {
  const UnicodeString upper = UpperText(DType);
  if (upper == u"PLAINTEXT") return kxPDT_PlainText;
  if (upper == u"MARKDOWN") return kxPDT_MarkDown;
  if (upper == u"RICHTEXT") return kxPDT_RichText;
  return kxPDT_Unknown;
}

UnicodeString TkxConfigManager::GetExportFormatVersionStr(TkxExportFormatVersion Version) {
  switch (Version) {
    case kxEFV_V1_2: return u"1.2";
    case kxEFV_V1_3: return u"1.3";
    case kxEFV_V1_4: return u"1.4";
    case kxEFV_V1_5: return u"1.5";
    default: return u"Unknown";
  }
}

TkxExportFormatVersion TkxConfigManager::GetExportFormatVersion(const UnicodeString& Version) {
  if (Version == u"1.2") return kxEFV_V1_2;
  if (Version == u"1.3") return kxEFV_V1_3;
  if (Version == u"1.4") return kxEFV_V1_4;
  if (Version == u"1.5") return kxEFV_V1_5;
  return kxEFV_Unknown;
}

UnicodeString TkxConfigManager::Z9PathToWindowsPath(const UnicodeString& Path) {
  UnicodeString result = Path;
  for (char16_t& c : result)
    if (c == u'/') c = u'\\';
  return result;
}
