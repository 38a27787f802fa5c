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

// One node handed out by the node queries.
struct TConfigNode {
  TIdType Id;
  UnicodeString Name;    // "KEYNAME" with "/" written "%2F"
  UnicodeString Key;     // the full key, prepared form
  UnicodeString RelKey;  // relative to the node the query started from
};
using TConfigNodes = std::vector<TConfigNode>;

// One value handed out by the property queries or made in a list.
struct TProperty {
  TIdType Id;
  UnicodeString Name;     // "KEYNAME", trimmed
  UnicodeString SubName;  // the part of the name behind a prefix
  UnicodeString SORTL;    // UpperText(Name); every lookup by name compares it
  uint32_t SORTLN = 0;    // the name (or sub-name) as a whole number, 0 if none
  UnicodeString Dimension;
  TDataTypeStr DataType;
  Variant Value;
  std::vector<TProperty> Values;
  UnicodeString User;
  TDateTime Changed;
  UnicodeString Path;     // the owning node's visible key, or a relative path
};
using TProperties = std::vector<TProperty>;

// Which help tree answered Check4ContextHelp.
enum TContextHelpArea : uint8_t { CH_System, CH_Customer, CH_None };

// Called with the path of the item being worked on; empty for none.
using TProgressCallBackProc = std::function<void(const std::u16string& CurNode)>;

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

  // ---- Node queries (kxConfigManager_Nodes.cpp) ------------------------------------
  // Lists come in "KEYNAME" order (the database's collation); every node read
  // is put into the key-id cache. On a failure the store's error convention
  // holds (the recursive walk runs no connection check).

  // Ordinal, stable sort by Name. Always true.
  static bool SortNodes(TConfigNodes& NodeList);
  // The sub-nodes of Key (RelKey = Name). A missing node gives true and an
  // empty list without Create; with Create it is made (false only when
  // making it gave no id).
  bool GetChildNodes(const UnicodeString& Key, TConfigNodes& NodeList, bool Create);
  // The sub-tree below RootKey, depth first, pre-order (a missing RootKey is
  // made). AddParentNodes: every node; else the leaves, those directly below
  // RootKey only with AddRootNodes. AddRootKey: entry 0 is RootKey itself
  // (empty Name and RelKey, Id empty when it did not exist). RelKey is the
  // named relative key behind RootKey.
  bool GetRecursiveChildNodes(const UnicodeString& RootKey, TConfigNodes& NodeList,
                              bool AddParentNodes, bool AddRootNodes, bool AddRootKey);
  // The top-level nodes ("PARENTID" '' or NULL).
  bool GetRootNodes(TConfigNodes& NodeList);
  // Whether the node Key (made when missing) has a sub-node.
  bool ChildNodesExists(const UnicodeString& Key);
  // Whether the node ParentId has a sub-node; the key-id cache answers when a
  // live slot holds a key below the node's, else the database.
  bool ChildNodesExistsFast(const TIdType& ParentId);
  // True when the node Key holds no value (also when missing or on a failure).
  bool IsNodeEmpty(const UnicodeString& Key);

  // ---- Service registry (kxConfigManager_Services.cpp) ------------------------------
  // Services are the sub-nodes of "/vanto/Software/vanto enterprise
  // daemon/Services" (made when missing), known by the file name of their
  // "ServicePath": taken after the last "/" or "\", lower-cased, one ".exe"
  // dropped, so "C:\X\KXDRAVSRV.EXE" is the daemon file "kxdravsrv". The
  // host program's file is compared the same way.

  // Writes Token and the process id into the instance node of every service
  // that is the host program or whose "RootPort" + InstanceId is
  // InstancePort; the port and URL too when InstancePort > 0 and URLs are
  // not kept by hand. False when no service was taken.
  bool PublishInstanceToken(const TIdType& Token, int32_t InstanceId, int32_t InstancePort);
  // Marks the host program's first service instance ready.
  bool PublishReadyState(int32_t InstanceId);
  // Clears "InstanceReady" of every instance of the active services on the
  // cluster node (node 0 numbers them from 0, others from 1). Always true.
  bool ResetReadyStates(int32_t ClusterNode);
  // The instances with a token that are not ready yet.
  int32_t CheckReadyStates(int32_t ClusterNode);
  // Copies the permission nodes below SourcePath to "/vanto/Permissions/
  // Objects/" + PermissionObject, removing targets without a source (unless
  // a session holds them). True when both trees were read.
  bool PublishPermissionObjects(const UnicodeString& SourcePath, const UnicodeString& PermissionObject,
                                bool SingleInstance, bool CheckActiveState);
  // The published URL of a service instance; else the default port's URL on
  // "localhost" (empty for a service without a default port).
  UnicodeString GetServiceUrl(TkxEnterpriseService Service, int32_t ClusterNode, int32_t InstanceId);
  UnicodeString GetServiceToken(TkxEnterpriseService Service, int32_t ClusterNode, int32_t InstanceId);
  // Asks the node server to send ChangeEvent to InstanceToken: true for the
  // answer 200. Never raises.
  bool RegisterServiceToChangeEvent(const UnicodeString& ChangeEvent, const UnicodeString& InstanceToken);

  // ---- Backups in the tree, namespaces, short paths (kxConfigManager_Backups.cpp) -----

  // Copies the named values of Key (those it holds) into a new node
  // "/vanto/Classes/Backups" + Key + "/Backup_" + local time
  // "yyyymmddhhnnsszzz", with "User", "Date" (Key's "ChangeDate", else now),
  // "CreationDate", "Persistent" (when set) and "Comment" (when given).
  // With MaxBackups >= 0 older backups are deleted first, oldest first and
  // never a persistent one, until MaxBackups remain: the new one makes
  // MaxBackups + 1. Answers true.
  bool CreateBackup(const UnicodeString& Key, const std::vector<UnicodeString>& Properties,
                    const UnicodeString& Comment, int32_t MaxBackups, bool Persistent);
  // Whether Key lies in a namespace of resources or scripts (the folder of
  // the namespace itself included).
  static bool IsNameSpaceNode(const UnicodeString& Key);
  // Path with its middle replaced by ".../" so that it fits MaxLen where the
  // last name allows:
  //   GetShortPath(u"/vanto/Software/Basics/Common", 20) == u"/vanto/.../Common"
  static UnicodeString GetShortPath(const UnicodeString& Path, int32_t MaxLen);

  // ---- Property queries and lists (kxConfigManager_Properties.cpp) -----------------

  // The values directly under Key in "KEYNAME" order whose names match
  // PropertyPrefix + "%" with the database's LIKE (its case rules; "%" and
  // "_" in the prefix are wildcards). Without WithValues every Value is null;
  // Raw gives the stored text. "BINARY" rows are left out only with
  // WithValues on and WithBinaries off. ExtendList appends to the list;
  // without AllowDuplicates a row then overwrites the first entry of exactly
  // its name. A missing node answers !CanCreate. ValueSeparator changes
  // nothing.
  bool GetNodeProperties(const UnicodeString& Key, TProperties& Properties, bool WithValues, bool Raw,
                         bool CanCreate, const UnicodeString& PropertyPrefix, char ValueSeparator,
                         bool ExtendList, bool WithBinaries, bool AllowDuplicates);
  // Appends the values of every node of the sub-tree (made when missing).
  // AddRelativePaths cuts every entry's Path (those already in the list too)
  // to what follows Key's visible form. Always true.
  bool GetRecursiveNodeProperties(const UnicodeString& Key, TProperties& Properties, bool WithValues,
                                  bool AddRelativePaths);
  // The values named PropertyPrefix followed by " ", "_" or a number (every
  // value for an empty prefix); SubName is the rest. NumSort sorts by the
  // rest as a number (stable) when one is not 0.
  bool GetNodeSubProperties(const UnicodeString& Key, TProperties& Properties,
                            const UnicodeString& PropertyPrefix, bool WithValues, bool NumSort);
  // Writes each entry under Key (+ its Path with UsePropertyPath); ForceDataType
  // writes with the entry's DataType. CallBack gets target + "/" + Name.
  bool SaveNodeProperties(const UnicodeString& Key, TProperties& Properties, bool ForceDataType,
                          bool UsePropertyPath, const TProgressCallBackProc& CallBack);
  // The list operations find the first entry whose SORTL is UpperText(Name).
  static int32_t GetPropertyIdByName(const UnicodeString& Name, const TProperties& Properties);
  // Extend appends a missing name with Value Default.
  Variant GetPropertyValueByName(const UnicodeString& Name, const Variant& Default,
                                 TProperties& Properties, bool Extend = false);
  // Properties before DefaultProperties before Default.
  Variant GetPropertyValueByName(const UnicodeString& Name, const Variant& Default,
                                 TProperties& Properties, TProperties& DefaultProperties);
  // True when an entry was replaced, false when one was appended.
  bool SetPropertyValueByName(const UnicodeString& Name, const UnicodeString& SubName,
                              const Variant& Value, TProperties& Properties);
  bool SetPropertyValueByName(const UnicodeString& Name, const Variant& Value, TProperties& Properties);
  // Removes the first match.
  static bool DeletePropertyValueByName(const UnicodeString& Name, TProperties& Properties);
  // The help text of Key from the system help tree, else the customer's.
  // Never raises.
  bool Check4ContextHelp(const UnicodeString& Key, UnicodeString& HelpBuffer, TContextHelpArea& CHArea);

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

  // ---- Backups (kxConfigManager_Backups.cpp) ----
  // The last name of Key's prepared form; empty for an empty key.
  static UnicodeString TopNodeName(const UnicodeString& Key);

  // ---- Services (kxConfigManager_Services.cpp) ----
  // The daemon file of a service node's "ServicePath" (see above).
  UnicodeString ServiceFileOf(const TConfigNode& Service);
  // Calls Visit with the key of every instance of the active services on
  // ClusterNode whose cluster node is active.
  void ForEachInstance(int32_t ClusterNode, bool ResetNodeZero,
                       const std::function<void(const UnicodeString& InstanceKey)>& Visit);

  // ---- Queries (kxConfigManager_Nodes.cpp) ----
  // Runs Sql under DatabaseLock and calls PerRow on each row of the shared
  // data set; closed afterwards, also on an error.
  void ReadRows(const UnicodeString& Sql, const std::vector<std::pair<UnicodeString, Variant>>& Params,
                const std::function<void()>& PerRow);
  // Whether the node ParentId has a sub-node row, asked for one row.
  bool HasChildRow(const TIdType& ParentId);
  void VisitNode(const UnicodeString& RootKey, const TConfigNode& Node, int32_t Level,
                 TConfigNodes& NodeList, bool AddParentNodes, bool AddRootNodes);

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

// The URL of a service at its default port on this machine ("http://" or,
// with Https, "https://", "localhost", ":", the port, "/"); empty for a
// service without a default port. GetServiceUrl's answer when nothing is
// published.
UnicodeString DefaultServiceUrl(TkxEnterpriseService Service, bool Https);

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
