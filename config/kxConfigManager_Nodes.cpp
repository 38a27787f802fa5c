// TkxConfigManager: node queries — sub-nodes, sub-trees, top-level nodes,
// and whether a node has sub-nodes or values.
#include "config/kxConfigManager.h"
#include "config/kxConfigManager_Internal.h"
#include "platform/db/Connection.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxADO.h"

namespace db = kx::platform::db;
using namespace kxConfigDetail;

namespace {
constexpr char16_t kTree[] = u"TREE";
}  // namespace

UnicodeString kxConfigDetail::ChildRowStatement(TkxDatabaseType Type, bool RegistryNamesEngine,
                                                db::Engine Engine, const UnicodeString& Table) {
  const UnicodeString where = u" WHERE PARENTID = :PARENTID AND DATATYPE = :DATATYPE";
  if (RegistryNamesEngine) {
    switch (Type) {
      case kxDBT_MSSQL: return u"SELECT TOP 1 ID FROM " + Table + where;
      case kxDBT_MySQL: return u"SELECT ID FROM " + Table + where + u" LIMIT 0,1";
      case kxDBT_Oracle: return u"SELECT ID FROM " + Table + where + u" AND ROWNUM <= 1";
      default: throw Exception(u"unsupported database type");
    }
  }
  switch (Engine) {
    case db::Engine::SQLite:
    case db::Engine::PostgreSQL: return u"SELECT ID FROM " + Table + where + u" LIMIT 1";
    case db::Engine::MySQL: return u"SELECT ID FROM " + Table + where + u" LIMIT 0,1";
    case db::Engine::MSSQL: return u"SELECT TOP 1 ID FROM " + Table + where;
    default: throw Exception(u"unsupported database type");
  }
}

void TkxConfigManager::ReadRows(const UnicodeString& Sql,
                                const std::vector<std::pair<UnicodeString, Variant>>& Params,
                                const std::function<void()>& PerRow) {
  DbGuard lock(*this);
  struct Closer {
    TkxADODataSet* DataSet;
    ~Closer() {
      if (DataSet != nullptr) DataSet->Close();
    }
  } close{nullptr};
  OpenQuery(Sql, Params);
  close.DataSet = ADODataSet.get();
  for (; !ADODataSet->Eof(); ADODataSet->Next()) PerRow();
}

bool TkxConfigManager::SortNodes(TConfigNodes& NodeList) {
  for (bool swapped = true; swapped;) {
    swapped = false;
    for (size_t i = 1; i < NodeList.size(); ++i) {
      if (NodeList[i].Name < NodeList[i - 1].Name) {
        std::swap(NodeList[i], NodeList[i - 1]);
        swapped = true;
      }
    }
  }
  return true;
}

bool TkxConfigManager::GetChildNodes(const UnicodeString& Key, TConfigNodes& NodeList, bool Create) {
  NodeList.clear();
  try {
    const TIdType id = GetParentTreeId(Key, Create, false);
    if (IsTIdStringEmpty(id)) {
      Message.Clear();
      return !Create;
    }
    const UnicodeString pk = PrepareKey(Key);
    ReadRows(u"SELECT ID,KEYNAME FROM " + CfgTabName +
                 u" WHERE PARENTID = :PARENTID AND DATATYPE = :DATATYPE ORDER BY KEYNAME",
             {{u"PARENTID", IdValue(id)}, {u"DATATYPE", TextValue(kTree)}}, [&] {
               TConfigNode node;
               node.Name = EncodeKeyPart(FieldText(u"KEYNAME"));
               node.Key = pk + node.Name + u"/";
               node.RelKey = node.Name;
               node.Id = IdOf(FieldText(u"ID"));
               SetCacheKeyId(node.Key, node.Id);
               NodeList.push_back(std::move(node));
             });
    Message.Clear();
    return true;
  } catch (const Exception& e) {
    NodeList.clear();
    HandleError(e);
    return false;
  }
}

bool TkxConfigManager::GetRootNodes(TConfigNodes& NodeList) {
  NodeList.clear();
  try {
    ReadRows(u"SELECT ID,KEYNAME FROM " + CfgTabName +
                 u" WHERE (PARENTID = :PARENTID OR PARENTID IS NULL) AND DATATYPE = :DATATYPE ORDER BY KEYNAME",
             {{u"PARENTID", TextValue(UnicodeString())}, {u"DATATYPE", TextValue(kTree)}}, [&] {
               TConfigNode node;
               node.Name = EncodeKeyPart(FieldText(u"KEYNAME"));
               node.Key = node.Name + u"/";
               node.RelKey = node.Name;
               node.Id = IdOf(FieldText(u"ID"));
               SetCacheKeyId(node.Key, node.Id);
               NodeList.push_back(std::move(node));
             });
    Message.Clear();
    return true;
  } catch (const Exception& e) {
    NodeList.clear();
    HandleError(e);
    return false;
  }
}

void TkxConfigManager::VisitNode(const UnicodeString& RootKey, const TConfigNode& Node, int32_t Level,
                                 TConfigNodes& NodeList, bool AddParentNodes, bool AddRootNodes) {
  TConfigNodes children;
  if (!GetChildNodes(Node.Key, children, true))
    throw Exception(u"getchildnodes operation failed (" + Message.Get() + u")");
  if (Level > 0 && (AddParentNodes || (children.empty() && (Level > 1 || AddRootNodes)))) {
    TConfigNode entry = Node;
    entry.RelKey = Convert2NamedRelKey(Node.Key.substr(RootKey.size()));
    NodeList.push_back(std::move(entry));
  }
  for (const TConfigNode& child : children)
    VisitNode(RootKey, child, Level + 1, NodeList, AddParentNodes, AddRootNodes);
}

bool TkxConfigManager::GetRecursiveChildNodes(const UnicodeString& RootKey, TConfigNodes& NodeList,
                                              bool AddParentNodes, bool AddRootNodes, bool AddRootKey) {
  const UnicodeString root = PrepareKey(RootKey);
  NodeList.clear();
  NodeList.reserve(100);
  try {
    if (AddRootKey) NodeList.push_back({GetParentTreeId(root, false, false), u"", root, u""});
    TConfigNode start;
    start.Key = root;
    VisitNode(root, start, 0, NodeList, AddParentNodes, AddRootNodes);
    Message.Clear();
    return true;
  } catch (const Exception& e) {
    Message = e.Message;
    NodeList.clear();
    RaiseException(Message);
    return false;
  }
}

bool TkxConfigManager::HasChildRow(const TIdType& ParentId) {
  bool found = false;
  ReadRows(ChildRowStatement(DatabaseType, registryNamesEngine_, engine_, CfgTabName),
           {{u"PARENTID", IdValue(ParentId)}, {u"DATATYPE", TextValue(kTree)}}, [&] { found = true; });
  return found;
}

bool TkxConfigManager::ChildNodesExists(const UnicodeString& Key) {
  try {
    const TIdType id = GetParentTreeId(Key, true, false);
    const bool found = !IsTIdStringEmpty(id) && HasChildRow(id);
    Message.Clear();
    return found;
  } catch (const Exception& e) {
    HandleError(e);
    return false;
  }
}

bool TkxConfigManager::ChildNodesExistsFast(const TIdType& ParentId) {
  if (IsTIdStringEmpty(ParentId)) return false;
  try {
    {
      CacheGuard lock(*this);
      const TConfigCacheRecord* parent = nullptr;
      for (const TConfigCacheRecord& slot : ConfigCache) {
        if (slot.Active && slot.KeyId == ParentId) {
          parent = &slot;
          break;
        }
      }
      // Only a key below the parent's shows a sub-node: one that merely
      // contains the parent's key somewhere ("x/a/b/c/" for "a/b/") does not.
      if (parent != nullptr) {
        for (const TConfigCacheRecord& slot : ConfigCache) {
          if (slot.Active && slot.Key.size() > parent->Key.size() && slot.Key.starts_with(parent->Key)) {
            Message.Clear();
            return true;
          }
        }
      }
    }
    const bool found = HasChildRow(ParentId);
    Message.Clear();
    return found;
  } catch (const Exception& e) {
    HandleError(e);
    return false;
  }
}

bool TkxConfigManager::IsNodeEmpty(const UnicodeString& Key) {
  Message.Clear();
  bool empty = true;
  try {
    const TIdType id = GetParentTreeId(Convert2VisKey(Key), false, false);
    if (!IsTIdStringEmpty(id)) {
      ReadRows(u"SELECT COUNT(*) AS PROPCOUNT FROM " + CfgTabName +
                   u" WHERE PARENTID = :PARENTID AND NOT(DATATYPE = :TREEDATATYPE)",
               {{u"PARENTID", IdValue(id)}, {u"TREEDATATYPE", TextValue(kTree)}},
               [&] { empty = ADODataSet->FieldByName(u"PROPCOUNT").Value().ToInt64() == 0; });
    }
  } catch (const Exception& e) {
    HandleError(e);
  }
  return empty;
}
