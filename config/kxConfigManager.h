// config/kxConfigManager.h — TkxConfigManager: the product's configuration
// tree, kept in one database table and reached through the database layer
// (platform/db): SQLite by default (the data link file names it), PostgreSQL
// and MariaDB through ODBC.
//
// The table
// ---------
// Every row is a node ("DATATYPE" "TREE") or a value under a node:
//   "ID"         32 hexadecimal digits (TkxTools::CreateId)
//   "PARENTID"   the parent node's "ID"; '' (or NULL) at the top of the tree
//   "KEYNAME"    the name as the user sees it (may hold "/")
//   "DIMENSION"  read by the property queries, never written here
//   "DATATYPE"   "TREE", a value type name (TkxTypes::GetVarTypeStr),
//                "BINARY" or a caller's type name; at most 8 characters
//   "KEYVALUE"   the value's text; '' for a node
//   "CHANGEUSER", "CHANGEDATE"   layout TST_V2 only
// Names compare by the database's own rules. CreateConfigTable
// (config/kxConfigSchema.h) makes such a table.
//
// Keys
// ----
// A key is a path of node names separated by "/"; a "/" inside a name is
// written "%2F". Three forms: prepared "vanto/Software/" (the cache's),
// visible "/vanto/Software", named relative "vanto/Software".
//
// Errors
// ------
// The reading, writing and deleting operations clear Message on success. On a
// failure of the platform (Exception and its family): Message takes the
// error's text, the operation gives its failure value, CheckADOConnection runs
// (its text may replace Message), and RaiseException raises again only when
// RaiseExceptions is on. The connection string never appears in a message.
//
// Two processes sharing one table never lose an update:
//   - a table made by CreateConfigTable has a unique key over (parent, node
//     or value, name); a node append that meets it takes the existing node,
//     a value append becomes an update;
//   - an append below a node checks, in the same statement, that the node
//     still exists; when another process deleted it, the cached ids of the
//     key are forgotten and the walk is made once more without the cache;
//   - an update that finds its row gone looks again and writes, at most three
//     times, then fails with "row cannot be located for updating".
//
// Threads: any thread may call; DatabaseLock guards the connection and its
// statements, CacheLock the key-id cache, always in that order. The store
// starts one thread of its own, the connection check.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/LockedText.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"
#include "system/kxTypes_Enums.h"
#include "system/kxTypes_Records.h"

namespace kx::platform::db {
class Connection;
class Command;
struct ConnectionOptions;
enum class Engine : uint8_t;
}  // namespace kx::platform::db
class TkxADODataSet;

enum TTableStructureType : uint8_t { TST_V1, TST_V2 };

enum TkxKeyCompareResult : uint8_t {
  kxKCR_NoMatch,
  kxKCR_Identical,
  kxKCR_OneLevelLower,
  kxKCR_MoreThanOneLevelLower
};

enum TkxPackageDescriptionType : uint8_t {
  kxPDT_Unknown,
  kxPDT_PlainText,
  kxPDT_MarkDown,
  kxPDT_RichText
};

enum TkxExportFormatVersion : uint8_t {
  kxEFV_Unknown,
  kxEFV_V1_2,
  kxEFV_V1_3,
  kxEFV_V1_4,
  kxEFV_V1_5
};

// A value's type name: 8-bit text of at most 8 characters ("TREE", "BINARY",
// a type name of TkxTypes::GetVarTypeStr); longer texts are cut.
//   TDataTypeStr("LONGWORDX").View() == "LONGWORD"
class TDataTypeStr {
 public:
  static constexpr size_t kCapacity = 8;
  TDataTypeStr() = default;
  explicit TDataTypeStr(std::string_view Text);
  std::string_view View() const { return text_; }
  const AnsiString& ToString() const { return text_; }
  bool IsEmpty() const { return text_.empty(); }
  friend bool operator==(const TDataTypeStr& A, const TDataTypeStr& B) = default;

 private:
  AnsiString text_;
};

struct TConfigKey {
  UnicodeString Key;
  TIdType Id;
  bool Active = false;
};
using TConfigKeys = std::vector<TConfigKey>;

// One slot of the key-id cache.
struct TConfigCacheRecord {
  UnicodeString Key;  // prepared form
  TIdType KeyId;
  uint32_t Ticks = 0;  // tick count when the slot was filled
  bool Active = false;
};
using TConfigCache = std::vector<TConfigCacheRecord>;

struct TDbChangeFlag {
  UnicodeString Flag;
  uint32_t Ticks = 0;
};
using TDbChangeFlags = std::vector<TDbChangeFlag>;

// The columns of a row being appended or edited, by name: the store's writes
// fill it and ExtendRecord adds the change columns.
using TConfigRecord = std::vector<std::pair<UnicodeString, Variant>>;

class TkxConfigManager {
 public:
  // Opens the store on UserConStr (empty: the installation's data link file,
  // TkxVanto::GetConnectionString(true)) and the table TableName. Never
  // raises: a database that cannot be reached leaves Message
  // "ado connection exception (" + reason + ")" and a store whose operations
  // fail until a connection check restores the connection. A table name
  // other than letters, digits and "_" with at most one "schema." prefix
  // gives Message "invalid table name", opens nothing, and every operation
  // fails. With z9Init the class nodes are resolved and the cache settings
  // read from "/vanto/Software/Basics/Common".
  TkxConfigManager(bool z9Init, const UnicodeString& UserConStr, const UnicodeString& TableName);
  ~TkxConfigManager();
  TkxConfigManager(const TkxConfigManager&) = delete;
  TkxConfigManager& operator=(const TkxConfigManager&) = delete;

  // ---- Public state --------------------------------------------------------------------
  LockedText Message;            // text of the last success or failure
  AnsiString Version = "5.4.0";
  UnicodeString CfgTabName;
  bool BackupChanges = true;     // back up before deleting
  int32_t CacheSize = 1000;
  uint32_t CacheLeaseTime = 600000;  // ms a cache slot lives
  uint32_t CacheCheckTime = 5000;    // least ms between two readings of the change ticks
  bool CacheEnabled = true;
  bool RaiseExceptions = false;
  UnicodeString Username;        // user-principal name of the current user
  TTableStructureType TableStructureType = TST_V1;
  bool TrackChanges = false;     // fill the change columns on every write
  TIdType KId_ClassesStyleIcons;      // "/vanto/Classes/Style/Icons"
  TIdType KId_ClassesContextHelpSys;  // "/vanto/Classes/Help/Context/System"
  TIdType KId_ClassesContextHelpCus;  // "/vanto/Classes/Help/Context/Customer"
  TIdType KId_ClassesStatus;          // "/vanto/Classes/Statuses"
  TIdType KId_ClassesLocale;          // "/vanto/Classes/Behaviour/Local"

  // ---- Connection and lifecycle --------------------------------------------------------

  // Whether the connection is up: true with "database connection is online",
  // else false with "database connection to " + provider + " is offline
  // (state = " + status + ")".
  bool IsConnected();
  // Counts the check; rebuilds the connection when its status is not "1"
  // and on every fifth check (sleeping 1000 ms first): "database connection
  // to " + provider + " successful restored" (true) or "... is still offline
  // - possible network or database problem" (false). A healthy connection
  // between rebuilds leaves Message as it was. Never raises.
  bool CheckADOConnection();
  // The connection-check thread's call-back.
  void WStringCheckCallBackProc();
  // TST_V2 when the table answers a query of all eight columns (also when
  // empty); TST_V1 on any error.
  TTableStructureType GetTableStructureType();
  // True when Id, trimmed of blanks, is empty.
  static bool IsTIdStringEmpty(const TIdType& Id);
  // Fill the change columns of Record: only in layout TST_V2 with
  // TrackChanges on ("CHANGEUSER" = Username even when empty, "CHANGEDATE" =
  // now); the second form with TrackChanges or ForceTrackChanges on and a
  // non-empty Username. Both answer true.
  bool ExtendRecord(TConfigRecord& Record);
  bool ExtendRecord(TConfigRecord& Record, const UnicodeString& Username, TDateTime Date,
                    bool ForceTrackChanges);
  // Raises Exception(MyMessage) when RaiseExceptions is on.
  void RaiseException(const UnicodeString& MyMessage);

  static UnicodeString GetPackageDescriptionTypeStr(TkxPackageDescriptionType DType);
  // UpperText compared with "PLAINTEXT", "MARKDOWN", "RICHTEXT".
  static TkxPackageDescriptionType GetPackageDescriptionType(const UnicodeString& DType);
  static UnicodeString GetExportFormatVersionStr(TkxExportFormatVersion Version);
  // Exactly "1.2" ... "1.5" (untrimmed); anything else kxEFV_Unknown.
  static TkxExportFormatVersion GetExportFormatVersion(const UnicodeString& Version);
  // Every "/" replaced by "\".
  static UnicodeString Z9PathToWindowsPath(const UnicodeString& Path);

  // ---- Keys ------------------------------------------------------------------------
  // Trimming removes white space and control characters at both ends.

  //   PrepareKey(u" /a/b ") == u"a/b/";  PrepareKey(u"//a") == u"/a/";  PrepareKey(u"/") == u""
  static UnicodeString PrepareKey(const UnicodeString& Key);
  //   Convert2VisKey(u"a/b/") == u"/a/b"
  static UnicodeString Convert2VisKey(const UnicodeString& Key);
  //   Convert2NamedRelKey(u"/a/b/") == u"a/b"
  static UnicodeString Convert2NamedRelKey(const UnicodeString& Key);
  // "/" <-> "%2F" (only the upper-case F decodes).
  static UnicodeString EncodeKeyPart(const UnicodeString& KeyPart);
  static UnicodeString DecodeKeyPart(const UnicodeString& KeyPart);
  //   GetNextLowerKey(u"/a/b/c") == u"/a/b";  GetNextLowerKey(u"/a") == u""
  static UnicodeString GetNextLowerKey(const UnicodeString& Key);
  // Names compared exactly; "*" in Key1 matches any name. "/a" against
  // "/a/b" is kxKCR_OneLevelLower; two empty keys are no match.
  static TkxKeyCompareResult CompareKeys(const UnicodeString& Key1, const UnicodeString& Key2);

  // ---- Key-id cache and change ticks --------------------------------------------------

  bool InitCache();
  // InitCache, then the class nodes resolved.
  bool ResetCache();
  // The live slot of Key (prepared form, compared exactly); a slot whose
  // lease ran out becomes inactive. CheckState first runs
  // CheckDatabaseChangeState. With the cache off: false, KeyId untouched.
  bool GetCacheKeyId(const UnicodeString& Key, TIdType& KeyId, bool CheckState);
  bool GetCacheKeyById(const TIdType& KeyId, UnicodeString& Key);
  // Stores the pair in the first inactive slot; never replaces a live slot
  // of the key, never evicts (false when all slots are live). False for a
  // key that prepares to nothing or an empty id.
  bool SetCacheKeyId(const UnicodeString& Key, const TIdType& KeyId);
  // Every slot whose key begins with PrepareKey(Key), active or not.
  bool RemoveKeyFromCache(const UnicodeString& Key);
  // The first slot with this id, active or not.
  bool RemoveKeyIdFromCache(const TIdType& KeyId);
  // With z9Init: writes the tick count as "DatabaseChangeTicks" of
  // "/vanto/Classes/Statuses" (emptying the cache first when another
  // process wrote since this store last looked); else true, nothing written.
  bool SetDatabaseChangeState();
  // True when no change is seen; reads the ticks at most once per
  // CacheCheckTime and empties the cache when another writer set them.
  bool CheckDatabaseChangeState();
  bool SetSpecificDatabaseChangeState(const UnicodeString& Flag);
  bool CheckSpecificDatabaseChangeState(const UnicodeString& Flag);

  // ---- Tree walk and reading ----------------------------------------------------------

  // The id of the node Key names, the cache asked first (unless ForceLoad);
  // missing nodes are made with Create, else the answer is empty. An empty
  // name between two "/" is the node "Unnamed". Raises Exception when the
  // database keeps failing (at most 10 attempts, MaxDbRetry failures whose
  // connection check fails), whatever RaiseExceptions says.
  TIdType GetParentTreeId(const UnicodeString& Key, bool Create, bool ForceLoad);
  // The same walk without the cache and without repeating; with Create the
  // last node gets the id DefKeyId (a found node's id is changed to it, its
  // rows below moving along). Raises on a database failure.
  TIdType GetParentTreeId(const UnicodeString& Key, const TIdType& DefKeyId, bool Create);
  // The visible key of a node ("/vanto/Classes/Statuses"), or the prepared
  // form when the cache knows the id; empty when the id is in no row.
  UnicodeString GetKeyNameByNodeId(const TIdType& NodeId);
  // One value of a node, converted to its stored type; Key without "/" is a
  // node id (its first 32 characters). Default when the node or the value is
  // missing (stored with Create); an empty variant on an error.
  Variant GetConfigValue(const UnicodeString& Key, const UnicodeString& VarName,
                         const Variant& Default, bool Create);
  Variant GetConfigValueById(const TIdType& Id, const Variant& Default, bool Raw);
  // Whether a row (value or sub-node) of that name is under the node; never
  // creates.
  bool ConfigValueExists(const UnicodeString& Key, const UnicodeString& VarName);
  // Whether the walk with create flag CanCreate gives an id. Exceptions of
  // the walk reach the caller.
  bool NodeExists(const UnicodeString& Key, bool CanCreate);

  // ---- Writing and deleting -----------------------------------------------------------

  // Stores Value as VarName under Key, making the missing nodes. Without a
  // DataType the type name is GetVarTypeStr of the value's type and the text
  // VarToStrExt; with one the type name is DataType upper-cased ("BOOL"
  // becomes "BOOLEAN") and the text the value's text under the process's
  // format settings. An unchanged text and type write nothing ("BINARY" is
  // always written). A blank VarName writes nothing and answers true.
  // KeepUserContent: nothing is written (true) when the user changed the
  // value (ConfigValueChangedByUser).
  bool SetConfigValue(const UnicodeString& Key, const UnicodeString& VarName, const Variant& Value);
  bool SetConfigValue(const UnicodeString& Key, const UnicodeString& VarName, const Variant& Value,
                      bool KeepUserContent);
  bool SetConfigValue(const UnicodeString& Key, const UnicodeString& VarName, const Variant& Value,
                      const TDataTypeStr& DataType);
  bool SetConfigValue(const UnicodeString& Key, const UnicodeString& VarName, const Variant& Value,
                      const TDataTypeStr& DataType, bool KeepUserContent);
  bool SetConfigValue(const UnicodeString& Key, const UnicodeString& VarName, const Variant& Value,
                      const TDataTypeStr& DataType, const UnicodeString& User, TDateTime Date,
                      bool ForceTrackChanges);
  // A type name written as a literal would pick the KeepUserContent overload.
  bool SetConfigValue(const UnicodeString&, const UnicodeString&, const Variant&,
                      const char*) = delete;

  // Deletes the values named VarName (DeleteAlike: VarName + "%" with the
  // database's LIKE) under Key; a node row that matches goes with its whole
  // subtree as DeleteConfigTree does. False for a missing node (Message
  // cleared), else true whether or not a row matched.
  bool DeleteConfigValue(const UnicodeString& Key, const UnicodeString& VarName, bool DeleteAlike);
  // Deletes the row PropertyId; a node row goes with its subtree.
  bool DeleteConfigValueById(const TIdType& PropertyId);
  // Deletes the node Key and everything below it, after a backup into the
  // installation's backup folder (BackupChanges; failure: "backup failed (" +
  // Message + ")!", nothing deleted). False for a missing node.
  bool DeleteConfigTree(const UnicodeString& Key);
  // Deletes the values of the node Key (not its sub-nodes), after a backup
  // below the host program's folder (BackupChanges; failure "backup
  // failed!"). A missing node is made.
  bool DeleteNodeProperties(const UnicodeString& Key);

 private:
  friend struct TkxConfigManagerTestAccess;
  class DbGuard;
  class CacheGuard;

  // ---- Store internals (kxConfigManager_Store.cpp) ----
  std::unique_ptr<kx::platform::db::Connection> OpenConnection(const UnicodeString& Cs, int32_t Timeout,
                                                               int32_t CommandTimeout);
  void AttachStatements();
  UnicodeString ConnectionStatus();
  UnicodeString ProviderName() const;
  // The failure path of the store's error convention; rethrows with
  // RaiseExceptions. Call inside a catch of Exception.
  void HandleError(const Exception& E);
  void HandleError(const UnicodeString& Text);
  // Raises when the table name was refused or no connection is there.
  void CheckUsable() const;
  TkxADODataSet& Query();
  kx::platform::db::Command& Statement();
  void StartHelperThread();
  void StopHelperThread();
  void ResolveClassKeyIds(bool Force);

  // ---- Rows (kxConfigManager_Read.cpp, kxConfigManager_Write.cpp) ----
  // Opens the shared data set on Sql with Params; the caller closes it.
  void OpenQuery(const UnicodeString& Sql,
                 const std::vector<std::pair<UnicodeString, Variant>>& Params);
  int64_t RunStatement(const UnicodeString& Sql,
                       const std::vector<std::pair<UnicodeString, Variant>>& Params);
  UnicodeString FieldText(const UnicodeString& Name) const;
  // Appends Record below ParentId (checked in the same statement when not
  // empty): false when the parent row is gone. A unique violation raises
  // EDatabaseError of that kind for the caller to handle.
  bool AppendRow(const TConfigRecord& Record, const TIdType& ParentId);
  // UPDATE ... WHERE ID = :ID; the number of rows matched.
  int64_t UpdateRow(const TIdType& Id, const TConfigRecord& Record);
  // Finds a node below ParentId (top when empty); empty when none.
  TIdType FindNode(const UnicodeString& Name, const TIdType& ParentId, bool TopForm);
  // Appends a node, taking an existing one another writer made meanwhile;
  // empty when the parent is gone.
  TIdType AppendNode(const UnicodeString& Name, const TIdType& ParentId, const TIdType& NewId);
  // One attempt of the walk; Stale is set when a node to append below was
  // gone (another writer deleted it).
  TIdType WalkOnce(const UnicodeString& PK, bool& UseCache, bool Create, bool ForceLoad, bool& Stale);
  // The attempts of GetParentTreeId's first form; Uncached asks no cache.
  TIdType WalkWithRetries(const UnicodeString& PK, bool Create, bool ForceLoad, bool Uncached,
                          bool& Stale);
  // Forgets the cached ids of Key's top node and everything below it.
  void ForgetKeyLevels(const UnicodeString& Key);
  // The visible key of a node from the table (throws on errors); empty at a
  // cycle or when the id is in no row. IsNode tells whether the row is a node.
  UnicodeString KeyOfId(const TIdType& NodeId, bool& IsNode);
  // Changes a node's id and re-parents its rows in one transaction.
  bool ChangeNodeId(const TIdType& OldId, const TIdType& NewId);
  TIdType NodeIdOfKey(const UnicodeString& Key, bool Create);
  // Collects the ids of the subtree below Id, parents before children.
  void CollectSubtreeIds(const TIdType& Id, std::vector<TIdType>& List);
  // Deletes the node NodeId with its subtree (cache keys, ticks, rows from
  // the bottom); Key is its key when known (else looked up).
  void DeleteSubtree(const TIdType& NodeId, const UnicodeString& Key);
  // Backs a node up when it exists; false with Message "backup failed (" ...
  bool BackupTree(const UnicodeString& Key);
  bool DeleteNodeRowsMatching(const TIdType& NodeId, const UnicodeString& VarName, bool DeleteAlike);
  bool WriteValue(const UnicodeString& Key, const UnicodeString& VarName, const Variant& Value,
                  const TDataTypeStr* DataType, const UnicodeString& User, TDateTime Date,
                  bool ForceTrackChanges, bool ShortExtend);
  bool UserContentKept(const UnicodeString& Key, const UnicodeString& VarName, bool& Failed);

  // ---- State ----
  std::unique_ptr<kx::platform::db::Connection> ADOConnection;
  std::unique_ptr<TkxADODataSet> ADODataSet;
  std::unique_ptr<kx::platform::db::Command> ADOCommand;
  UnicodeString ConnectionString;
  bool z9Mode = false;
  TConfigKeys ConfigKeys;
  std::recursive_mutex DatabaseLock;
  std::recursive_mutex CacheLock;
  TConfigCache ConfigCache;
  std::atomic<uint32_t> LastDbChangeTicks{0};
  std::atomic<uint32_t> LastDbChangeTicksTest{0};
  TDbChangeFlags DbChangeFlags;  // under CacheLock
  int32_t MaxDbRetry = 2;
  TkxDatabaseType DatabaseType = kxDBT_MSSQL;
  int32_t ADOConCheckCount = 0;

  // The connection-check thread.
  struct THelperThread {
    std::atomic<uint32_t> TimerTicks{0};
    uint32_t AdoCheckInterval = 1800;
    std::function<void()> CheckCallBackProc;
    std::jthread Thread;
  };
  std::unique_ptr<THelperThread> HelperThread;

  bool validTableName_ = true;
  // "DbConCmdTimeout" as read for the data set (default 120) and for the
  // connection's own statements (default 180).
  int32_t dataSetTimeout_ = 120;
  int32_t commandTimeout_ = 180;
  // Whether the registry names an engine ("DatabaseType"), and the engine of
  // the open connection (refreshed per rebuild), for the dialect choices.
  bool registryNamesEngine_ = false;
  kx::platform::db::Engine engine_{};
};

// ---- Hooks --------------------------------------------------------------------------
// The operations that other parts of the store provide, plugged in when they
// are linked. Until then a deletion that must back up first, or a write with
// KeepUserContent, fails with Message naming the missing operation.
namespace kxConfigHooks {
// Writes the export file FileName of RootKey (with its sub-nodes when
// SubNodes); false with Store.Message set on failure.
using BackupProc = std::function<bool(TkxConfigManager& Store, const UnicodeString& RootKey,
                                      const UnicodeString& FileName, bool SubNodes)>;
// Whether the user changed the value VarName of Key since it was delivered.
using ChangedByUserProc = std::function<bool(TkxConfigManager& Store, const UnicodeString& Key,
                                             const UnicodeString& VarName)>;
void SetBackupHook(BackupProc Proc);           // nullptr unplugs
void SetChangedByUserHook(ChangedByUserProc Proc);
}  // namespace kxConfigHooks

// ---- Test seams ---------------------------------------------------------------------
// Process-wide; an empty member keeps the real one. Restore with {}.
namespace kxConfigSeams {
struct Seams {
  std::function<uint32_t()> TickCount;            // ms, wrapping at 2^32
  std::function<void(uint32_t Ms)> Sleep;         // the store's pauses
  std::function<TDateTime()> Now;                 // change dates, backup names
  // Opens a connection in place of kx::platform::db::Connection::Open.
  std::function<std::unique_ptr<kx::platform::db::Connection>(
      const UnicodeString& ConnectionString, const kx::platform::db::ConnectionOptions& Options)>
      OpenConnection;
};
void SetSeamsForTesting(Seams S);
}  // namespace kxConfigSeams
