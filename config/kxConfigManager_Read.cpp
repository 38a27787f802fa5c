// TkxConfigManager: statements on the shared data set and command, the tree
// walk, and reading values.
#include <unordered_set>

#include "config/kxConfigManager.h"
#include "config/kxConfigManager_Internal.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxADO.h"
#include "system/kxToolsEvo2_Identity.h"
#include "system/kxTypes_Variant.h"

namespace db = kx::platform::db;
using namespace kxConfigDetail;

namespace {

// Closes the shared data set when a scope ends, also on an error.
struct CloseOnExit {
  TkxADODataSet* DataSet;
  ~CloseOnExit() {
    if (DataSet != nullptr) DataSet->Close();
  }
};

constexpr char16_t kTree[] = u"TREE";

}  // namespace

// ---- Statements -------------------------------------------------------------------------

void TkxConfigManager::OpenQuery(const UnicodeString& Sql,
                                 const std::vector<std::pair<UnicodeString, Variant>>& Params) {
  TkxADODataSet& q = Query();
  ADOConnection->SetCommandTimeout(dataSetTimeout_);
  q.SetSQL(Sql);
  q.Params().Clear();
  for (const auto& [name, value] : Params) q.SetParam(name, value);
  q.Open();
}

int64_t TkxConfigManager::RunStatement(const UnicodeString& Sql,
                                       const std::vector<std::pair<UnicodeString, Variant>>& Params) {
  db::Command& c = Statement();
  ADOConnection->SetCommandTimeout(commandTimeout_);
  c.SetSQL(Sql);
  c.Params().Clear();
  for (const auto& [name, value] : Params) c.SetParam(name, value);
  return c.Execute();
}

UnicodeString TkxConfigManager::FieldText(const UnicodeString& Name) const {
  return ADODataSet->FieldByName(Name).AsString();
}

TIdType TkxConfigManager::FindNode(const UnicodeString& Name, const TIdType& ParentId, bool TopForm) {
  DbGuard lock(*this);
  CloseOnExit close{ADODataSet.get()};
  const UnicodeString where =
      TopForm ? u" WHERE KEYNAME = :KEYNAME AND (PARENTID = :PARENTID OR PARENTID IS NULL) AND DATATYPE = :DATATYPE"
              : u" WHERE KEYNAME = :KEYNAME AND PARENTID = :PARENTID AND DATATYPE = :DATATYPE";
  OpenQuery(u"SELECT * FROM " + CfgTabName + where,
            {{u"KEYNAME", TextValue(Name)}, {u"PARENTID", IdValue(ParentId)}, {u"DATATYPE", TextValue(kTree)}});
  close.DataSet = ADODataSet.get();
  if (ADODataSet->Eof()) return TIdType();
  return IdOf(FieldText(u"ID"));
}

bool TkxConfigManager::AppendRow(const TConfigRecord& Record, const TIdType& ParentId) {
  DbGuard lock(*this);
  UnicodeString columns, values;
  std::vector<std::pair<UnicodeString, Variant>> params;
  for (const auto& [name, value] : Record) {
    if (!columns.empty()) {
      columns += u", ";
      values += u", ";
    }
    columns += name;
    values += u":" + name;
    params.emplace_back(name, value);
  }
  UnicodeString sql = u"INSERT INTO " + CfgTabName + u" (" + columns + u") ";
  if (IsTIdStringEmpty(ParentId)) {
    sql += u"VALUES (" + values + u")";
  } else {
    // The parent is tested in the same statement: a node that another
    // process deleted takes no new rows.
    sql += u"SELECT " + values + u" FROM " + CfgTabName + u" WHERE ID = :APPENDPARENT";
    params.emplace_back(u"APPENDPARENT", IdValue(ParentId));
  }
  return RunStatement(sql, params) > 0;
}

int64_t TkxConfigManager::UpdateRow(const TIdType& Id, const TConfigRecord& Record) {
  DbGuard lock(*this);
  UnicodeString set;
  std::vector<std::pair<UnicodeString, Variant>> params;
  for (const auto& [name, value] : Record) {
    if (!set.empty()) set += u", ";
    set += name + u" = :" + name;
    params.emplace_back(name, value);
  }
  params.emplace_back(u"UPDATEID", IdValue(Id));
  return RunStatement(u"UPDATE " + CfgTabName + u" SET " + set + u" WHERE ID = :UPDATEID", params);
}

TIdType TkxConfigManager::AppendNode(const UnicodeString& Name, const TIdType& ParentId,
                                     const TIdType& NewId) {
  DbGuard lock(*this);
  TConfigRecord record = {{u"ID", IdValue(NewId)},
                          {u"PARENTID", IdValue(ParentId)},
                          {u"KEYNAME", TextValue(Name)},
                          {u"DATATYPE", TextValue(kTree)},
                          {u"KEYVALUE", TextValue(UnicodeString())}};
  ExtendRecord(record);
  try {
    if (!AppendRow(record, ParentId)) return TIdType();
    return NewId;
  } catch (const EDatabaseError& e) {
    if (e.Kind != db::ErrorKind::UniqueViolation) throw;
    // Another writer made the node meanwhile: take it.
    const TIdType found = FindNode(Name, ParentId, IsTIdStringEmpty(ParentId));
    if (IsTIdStringEmpty(found)) throw;
    return found;
  }
}

// ---- Tree walk --------------------------------------------------------------------------

void TkxConfigManager::ForgetKeyLevels(const UnicodeString& Key) {
  const auto names = KeyNames(PrepareKey(Key));
  if (!names.empty()) RemoveKeyFromCache(names.front().empty() ? u"Unnamed/" : names.front() + u"/");
}

TIdType TkxConfigManager::WalkOnce(const UnicodeString& PK, bool& UseCache, bool Create,
                                   bool ForceLoad, bool& Stale) {
  TIdType id;
  if (!ForceLoad && GetCacheKeyId(PK, id, true)) return id;
  id = TIdType();
  {
    DbGuard lock(*this);
    UnicodeString walked;
    for (UnicodeString name : KeyNames(PK)) {
      if (name.empty()) name = u"Unnamed";
      walked += name + u"/";
      TIdType cached;
      if (UseCache && GetCacheKeyId(walked, cached, false)) {
        id = cached;
        continue;
      }
      UseCache = false;
      const UnicodeString keyName = DecodeKeyPart(name);
      const TIdType found = FindNode(keyName, id, IsTIdStringEmpty(id));
      if (!IsTIdStringEmpty(found)) {
        id = found;
        continue;
      }
      if (!Create) return TIdType();
      const TIdType made = AppendNode(keyName, id, TkxTools::CreateId());
      if (IsTIdStringEmpty(made)) {
        Stale = true;
        return TIdType();
      }
      id = made;
    }
  }
  SetCacheKeyId(PK, id);
  return id;
}

TIdType TkxConfigManager::WalkWithRetries(const UnicodeString& PK, bool Create, bool ForceLoad,
                                          bool Uncached, bool& Stale) {
  int32_t failures = 0, tries = 0;
  bool useCache = CacheEnabled && !Uncached;
  do {
    try {
      Stale = false;
      return WalkOnce(PK, useCache, Create, ForceLoad || Uncached, Stale);
    } catch (const Exception& e) {
      ++failures;
      ++tries;
      Message = e.Message;
      if (CheckADOConnection()) --failures;
    }
  } while (failures < MaxDbRetry && tries < 10);
  throw Exception(Message.Get());
}

TIdType TkxConfigManager::GetParentTreeId(const UnicodeString& Key, bool Create, bool ForceLoad) {
  const UnicodeString pk = PrepareKey(Key);
  bool stale = false;
  TIdType id = WalkWithRetries(pk, Create, ForceLoad, false, stale);
  if (stale) {
    // A node of the key was deleted by another process after this store
    // found it: forget what the cache holds of the key and walk once more.
    ForgetKeyLevels(pk);
    id = WalkWithRetries(pk, Create, true, true, stale);
    if (stale) throw Exception(u"node of " + Convert2VisKey(pk) + u" was deleted meanwhile");
  }
  return id;
}

bool TkxConfigManager::ChangeNodeId(const TIdType& OldId, const TIdType& NewId) {
  DbGuard lock(*this);
  try {
    CheckUsable();
    TConfigRecord record = {{u"ID", IdValue(NewId)}};
    ExtendRecord(record);
    db::Transaction transaction(*ADOConnection);
    if (UpdateRow(OldId, record) <= 0) return false;
    RunStatement(u"UPDATE " + CfgTabName + u" SET PARENTID = :NEWID WHERE PARENTID = :OLDID",
                 {{u"NEWID", IdValue(NewId)}, {u"OLDID", IdValue(OldId)}});
    transaction.Commit();
  } catch (const Exception&) {
    return false;
  }
  RemoveKeyIdFromCache(OldId);
  return true;
}

TIdType TkxConfigManager::GetParentTreeId(const UnicodeString& Key, const TIdType& DefKeyId, bool Create) {
  const UnicodeString pk = PrepareKey(Key);
  TIdType id;
  try {
    const auto names = KeyNames(pk);
    for (size_t i = 0; i < names.size(); ++i) {
      DbGuard lock(*this);
      const bool last = i + 1 == names.size();
      const UnicodeString keyName = DecodeKeyPart(names[i]);
      const TIdType found = FindNode(keyName, id, IsTIdStringEmpty(id));
      if (!IsTIdStringEmpty(found)) {
        id = found;
        // The node takes the prescribed id and its rows below move with it;
        // when that fails the walk goes on with the id it found.
        if (Create && last && !IsTIdStringEmpty(DefKeyId) && !(DefKeyId == id) &&
            ChangeNodeId(id, DefKeyId))
          id = DefKeyId;
      } else if (Create) {
        const TIdType made =
            AppendNode(keyName, id, last && !IsTIdStringEmpty(DefKeyId) ? DefKeyId : TkxTools::CreateId());
        if (IsTIdStringEmpty(made)) throw Exception(u"node of " + Convert2VisKey(pk) + u" was deleted meanwhile");
        id = made;
      } else {
        return TIdType();
      }
    }
    return id;
  } catch (const Exception& e) {
    Message = e.Message;
    CheckADOConnection();
    throw Exception(Message.Get());
  }
}

bool TkxConfigManager::NodeExists(const UnicodeString& Key, bool CanCreate) {
  return !IsTIdStringEmpty(GetParentTreeId(Key, CanCreate, false));
}

TIdType TkxConfigManager::NodeIdOfKey(const UnicodeString& Key, bool Create) {
  if (Key.find(u'/') != UnicodeString::npos) return GetParentTreeId(Key, Create, false);
  return IdOf(Key.substr(0, TIdType::kCapacity));
}

// ---- Node keys --------------------------------------------------------------------------

UnicodeString TkxConfigManager::KeyOfId(const TIdType& NodeId, bool& IsNode) {
  DbGuard lock(*this);
  IsNode = false;
  UnicodeString key;
  std::unordered_set<std::string> seen;
  TIdType current = NodeId;
  for (bool first = true;; first = false) {
    // A chain that comes back to an id already walked has no key.
    if (!seen.insert(current.ToString()).second) return UnicodeString();
    CloseOnExit close{ADODataSet.get()};
    OpenQuery(u"SELECT ID,PARENTID,KEYNAME,DATATYPE FROM " + CfgTabName + u" WHERE ID = :NODEID",
              {{u"NODEID", IdValue(current)}});
    close.DataSet = ADODataSet.get();
    if (ADODataSet->Eof()) break;
    const bool node = TrimName(FieldText(u"DATATYPE")) == kTree;
    if (first) IsNode = node;
    if (node) key = u"/" + EncodeKeyPart(FieldText(u"KEYNAME")) + key;
    const UnicodeString parent = TrimName(FieldText(u"PARENTID"));
    if (parent.empty()) break;
    current = IdOf(parent);
  }
  return key;
}

UnicodeString TkxConfigManager::GetKeyNameByNodeId(const TIdType& NodeId) {
  try {
    UnicodeString key;
    if (GetCacheKeyById(NodeId, key)) {
      Message.Clear();
      return key;
    }
    bool isNode = false;
    key = KeyOfId(NodeId, isNode);
    // Only node ids serve later walks; a value's id answers its node's key.
    if (isNode) SetCacheKeyId(key, NodeId);
    Message.Clear();
    return key;
  } catch (const Exception& e) {
    HandleError(e);
    return UnicodeString();
  }
}

// ---- Reading values ---------------------------------------------------------------------

Variant TkxConfigManager::GetConfigValue(const UnicodeString& Key, const UnicodeString& VarName,
                                         const Variant& Default, bool Create) {
  Variant result;
  const UnicodeString name = TrimName(VarName);
  try {
    TIdType nodeId = NodeIdOfKey(Key, Create);
    if (IsTIdStringEmpty(nodeId)) {
      Message.Clear();
      return Default;
    }
    for (bool retried = false;; retried = true) {
      DbGuard lock(*this);
      {
        CloseOnExit close{ADODataSet.get()};
        OpenQuery(u"SELECT * FROM " + CfgTabName + u" WHERE KEYNAME = :KEYNAME AND PARENTID = :PARENTID",
                  {{u"KEYNAME", TextValue(name)}, {u"PARENTID", IdValue(nodeId)}});
        close.DataSet = ADODataSet.get();
        if (!ADODataSet->Eof()) {
          result = TkxTypes::StrToVarExt(FieldText(u"KEYVALUE"), FieldText(u"DATATYPE"));
          break;
        }
      }
      result = Default;
      if (!Create) break;
      TConfigRecord record = {{u"ID", IdValue(TkxTools::CreateId())},
                              {u"PARENTID", IdValue(nodeId)},
                              {u"KEYNAME", TextValue(name)},
                              {u"DATATYPE", TextValue(TkxTypes::GetVarTypeStr(Default.VarType()))},
                              {u"KEYVALUE", TextValue(TkxTypes::VarToStrExt(Default))}};
      ExtendRecord(record);
      try {
        if (AppendRow(record, nodeId)) break;
      } catch (const EDatabaseError& e) {
        // Another writer stored the value meanwhile; it stands.
        if (e.Kind != db::ErrorKind::UniqueViolation) throw;
        break;
      }
      if (retried || Key.find(u'/') == UnicodeString::npos) break;
      ForgetKeyLevels(Key);
      nodeId = GetParentTreeId(Key, true, true);
    }
    Message.Clear();
  } catch (const Exception& e) {
    result = Variant();
    HandleError(e);
  }
  return result;
}

Variant TkxConfigManager::GetConfigValueById(const TIdType& Id, const Variant& Default, bool Raw) {
  Variant result = Default;
  try {
    DbGuard lock(*this);
    CloseOnExit close{ADODataSet.get()};
    OpenQuery(u"SELECT * FROM " + CfgTabName + u" WHERE ID = :ID", {{u"ID", IdValue(Id)}});
    close.DataSet = ADODataSet.get();
    if (!ADODataSet->Eof())
      result = Raw ? Variant::FromOleStr(FieldText(u"KEYVALUE"))
                   : TkxTypes::StrToVarExt(FieldText(u"KEYVALUE"), FieldText(u"DATATYPE"));
    Message.Clear();
  } catch (const Exception& e) {
    result = Variant();
    HandleError(e);
  }
  return result;
}

bool TkxConfigManager::ConfigValueExists(const UnicodeString& Key, const UnicodeString& VarName) {
  const UnicodeString name = TrimName(VarName);
  try {
    const TIdType nodeId = NodeIdOfKey(Key, false);
    bool exists = false;
    if (!IsTIdStringEmpty(nodeId)) {
      DbGuard lock(*this);
      CloseOnExit close{ADODataSet.get()};
      OpenQuery(u"SELECT * FROM " + CfgTabName + u" WHERE KEYNAME = :KEYNAME AND PARENTID = :PARENTID",
                {{u"KEYNAME", TextValue(name)}, {u"PARENTID", IdValue(nodeId)}});
      close.DataSet = ADODataSet.get();
      exists = !ADODataSet->Eof();
    }
    Message.Clear();
    return exists;
  } catch (const Exception& e) {
    HandleError(e);
    return false;
  }
}
