// TkxConfigManager: writing values, deleting values, subtrees and the
// values of a node, with the backups taken before deletions.
#include <unordered_set>

#include "config/kxConfigManager.h"
#include "config/kxConfigManager_Internal.h"
#include "environment/kxVanto_Paths.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"
#include "platform/os/HostProgram.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxADO.h"
#include "system/kxFiles_Paths.h"
#include "system/kxToolsEvo2_Identity.h"
#include "system/kxTypes_Variant.h"

namespace db = kx::platform::db;
using namespace kxConfigDetail;

namespace {

kxConfigHooks::BackupProc& BackupHook() {
  static kxConfigHooks::BackupProc hook;
  return hook;
}
kxConfigHooks::ChangedByUserProc& ChangedByUserHook() {
  static kxConfigHooks::ChangedByUserProc hook;
  return hook;
}

struct CloseOnExit {
  TkxADODataSet* DataSet;
  ~CloseOnExit() {
    if (DataSet != nullptr) DataSet->Close();
  }
};

constexpr char16_t kTree[] = u"TREE";
// Times an update is tried again when another writer deleted its row.
constexpr int kUpdateRetries = 3;

UnicodeString CutTypeName(const UnicodeString& Name) {
  return ToUtf16(TDataTypeStr(ToUtf8(Name)).View());
}

// Runs the backup hook; without one the backup fails, naming the operation.
bool RunBackup(TkxConfigManager& Store, const UnicodeString& RootKey, const UnicodeString& FileName,
               bool SubNodes) {
  if (!BackupHook()) {
    Store.Message = u"the configuration export (Export) is not available";
    return false;
  }
  return BackupHook()(Store, RootKey, FileName, SubNodes);
}

}  // namespace

void kxConfigHooks::SetBackupHook(BackupProc Proc) { BackupHook() = std::move(Proc); }
void kxConfigHooks::SetChangedByUserHook(ChangedByUserProc Proc) {
  ChangedByUserHook() = std::move(Proc);
}

// ---- Writing ----------------------------------------------------------------------------

bool TkxConfigManager::WriteValue(const UnicodeString& Key, const UnicodeString& VarName,
                                  const Variant& Value, const TDataTypeStr* DataType,
                                  const UnicodeString& User, TDateTime Date, bool ForceTrackChanges,
                                  bool ShortExtend) {
  try {
    TIdType nodeId = GetParentTreeId(Key, true, false);
    const UnicodeString name = TrimName(VarName);
    if (IsTIdStringEmpty(nodeId) || name.empty()) {
      Message.Clear();
      return true;
    }
    UnicodeString typeName, text;
    if (DataType != nullptr) {
      typeName = CutTypeName(UpperText(ToUtf16(DataType->View())));
      if (TrimName(typeName) == u"BOOL") typeName = u"BOOLEAN";
      text = VarToStr(Value);
    } else {
      typeName = CutTypeName(TkxTypes::GetVarTypeStr(Value.VarType()));
      text = TkxTypes::VarToStrExt(Value);
    }
    auto extend = [&](TConfigRecord& record) {
      if (ShortExtend)
        ExtendRecord(record);
      else
        ExtendRecord(record, User, Date, ForceTrackChanges);
    };

    int32_t redo = 0;
    bool rewalked = false;
    for (;;) {
      DbGuard lock(*this);
      TIdType rowId;
      {
        CloseOnExit close{ADODataSet.get()};
        OpenQuery(u"SELECT * FROM " + CfgTabName +
                      u" WHERE KEYNAME = :KEYNAME AND PARENTID = :PARENTID AND NOT DATATYPE = :TREEDATATYPE",
                  {{u"KEYNAME", TextValue(name)},
                   {u"PARENTID", IdValue(nodeId)},
                   {u"TREEDATATYPE", TextValue(kTree)}});
        close.DataSet = ADODataSet.get();
        if (!ADODataSet->Eof()) {
          if (typeName != u"BINARY" && FieldText(u"KEYVALUE") == text && FieldText(u"DATATYPE") == typeName)
            break;
          rowId = IdOf(FieldText(u"ID"));
        }
      }
      if (!IsTIdStringEmpty(rowId)) {
        TConfigRecord record = {{u"KEYNAME", TextValue(name)},
                                {u"DATATYPE", TextValue(typeName)},
                                {u"KEYVALUE", TextValue(text)}};
        extend(record);
        if (UpdateRow(rowId, record) > 0) break;
        // Another writer deleted the row since it was found: look again.
        if (++redo >= kUpdateRetries) throw Exception(u"row cannot be located for updating");
        continue;
      }
      TConfigRecord record = {{u"ID", IdValue(TkxTools::CreateId())},
                              {u"PARENTID", IdValue(nodeId)},
                              {u"KEYNAME", TextValue(name)},
                              {u"DATATYPE", TextValue(typeName)},
                              {u"KEYVALUE", TextValue(text)}};
      extend(record);
      try {
        if (AppendRow(record, nodeId)) break;
      } catch (const EDatabaseError& e) {
        // Another writer appended the value meanwhile: update it instead.
        if (e.Kind != db::ErrorKind::UniqueViolation || ++redo >= kUpdateRetries) throw;
        continue;
      }
      // The node was deleted by another process after this store found it.
      if (rewalked) throw Exception(u"node of " + Convert2VisKey(Key) + u" was deleted meanwhile");
      rewalked = true;
      ForgetKeyLevels(Key);
      nodeId = GetParentTreeId(Key, true, true);
      if (IsTIdStringEmpty(nodeId)) break;
    }
    Message.Clear();
    return true;
  } catch (const Exception& e) {
    HandleError(e);
    return false;
  }
}

bool TkxConfigManager::UserContentKept(const UnicodeString& Key, const UnicodeString& VarName,
                                       bool& Failed) {
  Failed = false;
  if (!ChangedByUserHook()) {
    Failed = true;
    Message = u"the check for values changed by the user (ConfigValueChangedByUser) is not available";
    return false;
  }
  try {
    return ChangedByUserHook()(*this, Key, VarName);
  } catch (const Exception& e) {
    Failed = true;
    HandleError(e);
    return false;
  }
}

bool TkxConfigManager::SetConfigValue(const UnicodeString& Key, const UnicodeString& VarName,
                                      const Variant& Value) {
  return WriteValue(Key, VarName, Value, nullptr, UnicodeString(), TDateTime(), false, true);
}

bool TkxConfigManager::SetConfigValue(const UnicodeString& Key, const UnicodeString& VarName,
                                      const Variant& Value, bool KeepUserContent) {
  if (KeepUserContent) {
    bool failed = false;
    if (UserContentKept(Key, VarName, failed)) {
      Message.Clear();
      return true;
    }
    if (failed) return false;
  }
  return SetConfigValue(Key, VarName, Value);
}

bool TkxConfigManager::SetConfigValue(const UnicodeString& Key, const UnicodeString& VarName,
                                      const Variant& Value, const TDataTypeStr& DataType) {
  return SetConfigValue(Key, VarName, Value, DataType, Username, NowTime(), false);
}

bool TkxConfigManager::SetConfigValue(const UnicodeString& Key, const UnicodeString& VarName,
                                      const Variant& Value, const TDataTypeStr& DataType,
                                      bool KeepUserContent) {
  if (KeepUserContent) {
    bool failed = false;
    if (UserContentKept(Key, VarName, failed)) {
      Message.Clear();
      return true;
    }
    if (failed) return false;
  }
  return SetConfigValue(Key, VarName, Value, DataType);
}

bool TkxConfigManager::SetConfigValue(const UnicodeString& Key, const UnicodeString& VarName,
                                      const Variant& Value, const TDataTypeStr& DataType,
                                      const UnicodeString& User, TDateTime Date,
                                      bool ForceTrackChanges) {
  return WriteValue(Key, VarName, Value, &DataType, User, Date, ForceTrackChanges, false);
}

// ---- Deleting ---------------------------------------------------------------------------

void TkxConfigManager::CollectSubtreeIds(const TIdType& Id, std::vector<TIdType>& List) {
  std::unordered_set<std::string> listed;
  for (const TIdType& id : List) listed.insert(id.ToString());
  // Level by level from Id: the rows of a node, then each sub-node's in turn.
  struct Walker {
    TkxConfigManager& Store;
    std::vector<TIdType>& List;
    std::unordered_set<std::string>& Listed;
    void Collect(const TIdType& Parent) {
      std::vector<TIdType> nodes;
      {
        DbGuard lock(Store);
        CloseOnExit close{Store.ADODataSet.get()};
        Store.OpenQuery(u"SELECT ID,PARENTID,DATATYPE,KEYNAME FROM " + Store.CfgTabName +
                            u" WHERE PARENTID = :PARENTID",
                        {{u"PARENTID", IdValue(Parent)}});
        close.DataSet = Store.ADODataSet.get();
        for (; !Store.ADODataSet->Eof(); Store.ADODataSet->Next()) {
          const TIdType id = IdOf(Store.FieldText(u"ID"));
          // An id met before (a cycle of parents) is not followed again.
          if (!Listed.insert(id.ToString()).second) continue;
          List.push_back(id);
          if (TrimName(Store.FieldText(u"DATATYPE")) == kTree) nodes.push_back(id);
        }
      }
      for (const TIdType& node : nodes) Collect(node);
    }
  } walker{*this, List, listed};
  walker.Collect(Id);
}

bool TkxConfigManager::BackupTree(const UnicodeString& Key) {
  if (!NodeExists(Key, false)) return true;
  const UnicodeString file =
      TkxFiles::GetFreeFileName(TkxVanto::GetBackupPath() + u"z9backup_" + TkxFiles::ConvertToFileName(Key) +
                                    u"." + TimeStampText() + u".xml",
                                99999999, u"-", false, false);
  if (RunBackup(*this, Key, file, true)) return true;
  throw Exception(u"backup failed (" + Message.Get() + u")!");
}

void TkxConfigManager::DeleteSubtree(const TIdType& NodeId, const UnicodeString& Key) {
  if (!Key.empty()) RemoveKeyFromCache(Key);
  RemoveKeyIdFromCache(NodeId);
  SetDatabaseChangeState();
  std::vector<TIdType> list{NodeId};
  CollectSubtreeIds(NodeId, list);
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    DbGuard lock(*this);
    RunStatement(u"DELETE FROM " + CfgTabName + u" WHERE ID = :ID", {{u"ID", IdValue(*it)}});
  }
}

bool TkxConfigManager::DeleteConfigTree(const UnicodeString& Key) {
  try {
    if (BackupChanges) BackupTree(Key);
    const TIdType nodeId = GetParentTreeId(Key, false, false);
    if (IsTIdStringEmpty(nodeId)) {
      Message.Clear();
      return false;
    }
    DeleteSubtree(nodeId, Key);
    Message.Clear();
    return true;
  } catch (const Exception& e) {
    HandleError(e);
    return false;
  }
}

bool TkxConfigManager::DeleteNodeRowsMatching(const TIdType& NodeId, const UnicodeString& VarName,
                                              bool DeleteAlike) {
  const UnicodeString condition = DeleteAlike ? u" WHERE KEYNAME like :KEYNAME AND PARENTID = :PARENTID"
                                              : u" WHERE KEYNAME = :KEYNAME AND PARENTID = :PARENTID";
  const Variant pattern = TextValue(DeleteAlike ? VarName + u"%" : VarName);
  // A node row among the matches goes with its subtree, never alone.
  std::vector<std::pair<TIdType, UnicodeString>> nodes;
  {
    DbGuard lock(*this);
    CloseOnExit close{ADODataSet.get()};
    OpenQuery(u"SELECT ID,PARENTID,DATATYPE,KEYNAME FROM " + CfgTabName + condition,
              {{u"KEYNAME", pattern}, {u"PARENTID", IdValue(NodeId)}});
    close.DataSet = ADODataSet.get();
    for (; !ADODataSet->Eof(); ADODataSet->Next())
      if (TrimName(FieldText(u"DATATYPE")) == kTree)
        nodes.emplace_back(IdOf(FieldText(u"ID")), UnicodeString());
  }
  for (auto& [id, key] : nodes) {
    bool isNode = false;
    key = KeyOfId(id, isNode);
  }
  if (BackupChanges)
    for (const auto& [id, key] : nodes) BackupTree(key);
  for (const auto& [id, key] : nodes) DeleteSubtree(id, key);
  DbGuard lock(*this);
  RunStatement(u"DELETE FROM " + CfgTabName + condition, {{u"KEYNAME", pattern}, {u"PARENTID", IdValue(NodeId)}});
  return true;
}

bool TkxConfigManager::DeleteConfigValue(const UnicodeString& Key, const UnicodeString& VarName,
                                         bool DeleteAlike) {
  const UnicodeString name = TrimName(VarName);
  try {
    const TIdType nodeId = GetParentTreeId(Key, false, false);
    if (IsTIdStringEmpty(nodeId)) {
      Message.Clear();
      return false;
    }
    DeleteNodeRowsMatching(nodeId, name, DeleteAlike);
    Message.Clear();
    return true;
  } catch (const Exception& e) {
    HandleError(e);
    return false;
  }
}

bool TkxConfigManager::DeleteConfigValueById(const TIdType& PropertyId) {
  try {
    bool isNode = false;
    const UnicodeString key = KeyOfId(PropertyId, isNode);
    if (isNode) {
      if (BackupChanges) BackupTree(key);
      DeleteSubtree(PropertyId, key);
    } else {
      DbGuard lock(*this);
      RunStatement(u"DELETE FROM " + CfgTabName + u" WHERE ID = :ID", {{u"ID", IdValue(PropertyId)}});
    }
    Message.Clear();
    return true;
  } catch (const Exception& e) {
    HandleError(e);
    return false;
  }
}

bool TkxConfigManager::DeleteNodeProperties(const UnicodeString& Key) {
  Message.Clear();
  try {
    if (BackupChanges) {
      UnicodeString folder = ToUtf16(kx::platform::HostProgramFileName());
      folder.erase(folder.find_last_of(u'/') + 1);
      RunBackup(*this, Key,
                TkxFiles::GetFreeFileName(folder + u"backup/z9backup." + TimeStampText() + u".xml", 99999999,
                                          u"-", false, false),
                false);
      if (!Message.IsEmpty()) throw Exception(u"backup failed!");
    }
    const TIdType nodeId = GetParentTreeId(Key, true, false);
    if (IsTIdStringEmpty(nodeId)) return false;
    DbGuard lock(*this);
    RunStatement(u"DELETE FROM " + CfgTabName + u" WHERE PARENTID = :PARENTID AND NOT(DATATYPE = :DATATYPE)",
                 {{u"PARENTID", IdValue(nodeId)}, {u"DATATYPE", TextValue(kTree)}});
    return true;
  } catch (const Exception& e) {
    HandleError(e);
    return false;
  }
}
