// Node queries of the configuration store on SQLite, PostgreSQL and MariaDB,
// and the one-row statement of each engine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/kxConfigManager.h"
#include "config/kxConfigManager_Internal.h"
#include "tests/support/ConfigStoreFixture.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"

struct TkxConfigManagerTestAccess {
  static void NameEngine(TkxConfigManager& Store, TkxDatabaseType Type) {
    Store.DatabaseType = Type;
    Store.registryNamesEngine_ = true;
  }
};

namespace {

using namespace kx::testing;
namespace db = kx::platform::db;

class ConfigNodesTest : public ConfigStoreFixture {};

std::vector<std::string> RelKeys(const TConfigNodes& Nodes) {
  std::vector<std::string> keys;
  for (const TConfigNode& n : Nodes) keys.push_back(ToUtf8(n.RelKey));
  return keys;
}

TEST(ConfigNodeStatements, OneRowPerEngine) {
  const struct {
    TkxDatabaseType Type;
    bool Named;
    db::Engine Engine;
    const char16_t* Expected;  // nullptr: unsupported
  } cases[] = {
      {kxDBT_MSSQL, true, db::Engine::SQLite,
       u"SELECT TOP 1 ID FROM t WHERE PARENTID = :PARENTID AND DATATYPE = :DATATYPE"},
      {kxDBT_MySQL, true, db::Engine::SQLite,
       u"SELECT ID FROM t WHERE PARENTID = :PARENTID AND DATATYPE = :DATATYPE LIMIT 0,1"},
      {kxDBT_Oracle, true, db::Engine::SQLite,
       u"SELECT ID FROM t WHERE PARENTID = :PARENTID AND DATATYPE = :DATATYPE AND ROWNUM <= 1"},
      {kxDBT_Z9, true, db::Engine::SQLite, nullptr},
      {kxDBT_DB2, true, db::Engine::PostgreSQL, nullptr},
      {kxDBT_Informix, true, db::Engine::MySQL, nullptr},
      // Without an engine named by the registry the connection decides (the
      // registry's default MSSQL does not count).
      {kxDBT_MSSQL, false, db::Engine::SQLite,
       u"SELECT ID FROM t WHERE PARENTID = :PARENTID AND DATATYPE = :DATATYPE LIMIT 1"},
      {kxDBT_MSSQL, false, db::Engine::PostgreSQL,
       u"SELECT ID FROM t WHERE PARENTID = :PARENTID AND DATATYPE = :DATATYPE LIMIT 1"},
      {kxDBT_MSSQL, false, db::Engine::MySQL,
       u"SELECT ID FROM t WHERE PARENTID = :PARENTID AND DATATYPE = :DATATYPE LIMIT 0,1"},
      {kxDBT_Oracle, false, db::Engine::MSSQL,
       u"SELECT TOP 1 ID FROM t WHERE PARENTID = :PARENTID AND DATATYPE = :DATATYPE"},
      {kxDBT_MSSQL, false, db::Engine::Unknown, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Type) + (c.Named ? " named" : " engine"));
    if (c.Expected == nullptr) {
      try {
        kxConfigDetail::ChildRowStatement(c.Type, c.Named, c.Engine, u"t");
        ADD_FAILURE() << "no exception";
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message, u"unsupported database type");
      }
    } else {
      EXPECT_EQ(kxConfigDetail::ChildRowStatement(c.Type, c.Named, c.Engine, u"t"), c.Expected);
    }
  }
}

TEST(ConfigNodeSort, OrdinalAndStable) {
  TConfigNodes nodes = {{TIdType("1"), u"b"}, {TIdType("2"), u"\u00e4"}, {TIdType("3"), u"B"},
                        {TIdType("4"), u"a"}, {TIdType("5"), u"b"}};
  EXPECT_TRUE(TkxConfigManager::SortNodes(nodes));
  std::vector<std::string> order;
  for (const auto& n : nodes) order.push_back(ToUtf8(n.Name) + std::string(n.Id.View()));
  EXPECT_EQ(order, (std::vector<std::string>{"B3", "a4", "b1", "b5", "\u00e42"}));
}

TEST_P(ConfigNodesTest, ChildAndRootNodes) {
  auto store = NewStore();
  ASSERT_TRUE(store->SetConfigValue(u"/t/b/x", u"v", Int(1)));
  ASSERT_TRUE(store->SetConfigValue(u"/t/a", u"v", Int(1)));
  ASSERT_TRUE(store->SetConfigValue(u"/t/c%2Fd", u"v", Int(1)));
  store->InitCache();

  TConfigNodes nodes;
  ASSERT_TRUE(store->GetChildNodes(u"/t", nodes, false));
  ASSERT_EQ(nodes.size(), 3u);
  const char16_t* names[] = {u"a", u"b", u"c%2Fd"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(nodes[i].Name, names[i]);
    EXPECT_EQ(nodes[i].RelKey, names[i]);
    EXPECT_EQ(nodes[i].Key, u"t/" + UnicodeString(names[i]) + u"/");
    EXPECT_EQ(nodes[i].Id, store->GetParentTreeId(nodes[i].Key, false, true));
    TIdType cached;  // every node read went into the cache
    EXPECT_TRUE(store->GetCacheKeyId(nodes[i].Key, cached, false));
    EXPECT_EQ(cached, nodes[i].Id);
  }
  EXPECT_EQ(store->Message.Get(), u"");

  // A missing node: nothing made without Create; made with it.
  EXPECT_TRUE(store->GetChildNodes(u"/t/none/deeper", nodes, false));
  EXPECT_TRUE(nodes.empty());
  EXPECT_FALSE(store->NodeExists(u"/t/none", false));
  EXPECT_TRUE(store->GetChildNodes(u"/t/none/deeper", nodes, true));
  EXPECT_TRUE(nodes.empty());
  EXPECT_TRUE(store->NodeExists(u"/t/none/deeper", false));

  // Top-level nodes: PARENTID '' or NULL.
  db::Command(*peer_, u"INSERT INTO " + table_ +
                          u" (ID, PARENTID, KEYNAME, DATATYPE, KEYVALUE) VALUES ('N1', NULL, 'nulltop', 'TREE', '')")
      .Execute();
  ASSERT_TRUE(store->GetRootNodes(nodes));
  EXPECT_EQ(RelKeys(nodes), (std::vector<std::string>{"nulltop", "t", "vanto"}));
  EXPECT_EQ(nodes[1].Key, u"t/");
}

TEST_P(ConfigNodesTest, NameOrderFollowsTheEngine) {
  auto store = NewStore();
  for (const char16_t* key : {u"/o/c", u"/o/B", u"/o/a"}) ASSERT_TRUE(store->NodeExists(key, true));
  TConfigNodes nodes;
  ASSERT_TRUE(store->GetChildNodes(u"/o", nodes, false));
  std::vector<std::string> names;
  for (const auto& n : nodes) names.push_back(ToUtf8(n.Name));
  // SQLite (NOCASE) and MariaDB ignore case; PostgreSQL follows the
  // database's collation, which orders by code under "C".
  bool byCode = false;
  UnicodeString collation;
  if (std::string(GetParam().Name) == "PostgreSQL") {
    db::DataSet q(*peer_, u"SELECT datcollate FROM pg_database WHERE datname = current_database()");
    q.Open();
    collation = q.Fields(0).AsString();
    byCode = collation == u"C" || collation == u"POSIX" || collation.starts_with(u"C.");
  }
  const std::vector<std::string> expected =
      byCode ? std::vector<std::string>{"B", "a", "c"} : std::vector<std::string>{"a", "B", "c"};
  EXPECT_EQ(names, expected) << ToUtf8(collation);
  // SortNodes puts them in code order everywhere.
  TkxConfigManager::SortNodes(nodes);
  EXPECT_EQ(nodes[0].Name, u"B");
}

TEST_P(ConfigNodesTest, RecursiveWalk) {
  auto store = NewStore();
  // r: a (leaf), b: x (leaf), y: z (leaf)
  for (const char16_t* key : {u"/r/a", u"/r/b/x", u"/r/b/y/z"}) ASSERT_TRUE(store->NodeExists(key, true));
  const struct {
    bool Parents, RootNodes, RootKey;
    std::vector<std::string> Expected;
  } cases[] = {
      {false, false, false, {"b/x", "b/y/z"}},
      {false, true, false, {"a", "b/x", "b/y/z"}},
      {true, false, false, {"a", "b", "b/x", "b/y", "b/y/z"}},
      {true, true, true, {"", "a", "b", "b/x", "b/y", "b/y/z"}},
  };
  for (const auto& c : cases) {
    TConfigNodes nodes;
    ASSERT_TRUE(store->GetRecursiveChildNodes(u"/r", nodes, c.Parents, c.RootNodes, c.RootKey));
    EXPECT_EQ(RelKeys(nodes), c.Expected) << c.Parents << c.RootNodes << c.RootKey;
  }
  TConfigNodes nodes;
  ASSERT_TRUE(store->GetRecursiveChildNodes(u"r/", nodes, true, false, true));
  EXPECT_EQ(nodes[0].Key, u"r/");
  EXPECT_EQ(nodes[0].Name, u"");
  EXPECT_EQ(nodes[0].Id, store->GetParentTreeId(u"/r", false, false));
  EXPECT_EQ(nodes[5].Key, u"r/b/y/z/");
  EXPECT_EQ(nodes[5].Name, u"z");

  // A missing start node is made; its entry carries no id.
  ASSERT_TRUE(store->GetRecursiveChildNodes(u"/new/start", nodes, true, true, true));
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_TRUE(TkxConfigManager::IsTIdStringEmpty(nodes[0].Id));
  EXPECT_TRUE(store->NodeExists(u"/new/start", false));
}

TEST_P(ConfigNodesTest, SubNodesAndValues) {
  auto store = NewStore();
  ASSERT_TRUE(store->NodeExists(u"/e/inner/leaf", true));
  ASSERT_TRUE(store->SetConfigValue(u"/e/inner/leaf", u"v", Int(1)));
  const TIdType e = store->GetParentTreeId(u"/e", false, false);
  const TIdType leaf = store->GetParentTreeId(u"/e/inner/leaf", false, false);

  EXPECT_TRUE(store->ChildNodesExists(u"/e")) << ToUtf8(store->Message.Get());
  EXPECT_FALSE(store->ChildNodesExists(u"/e/inner/leaf"));
  EXPECT_FALSE(store->ChildNodesExists(u"/e/made"));  // made, and has none
  EXPECT_TRUE(store->NodeExists(u"/e/made", false));

  store->InitCache();  // the database answers
  EXPECT_TRUE(store->ChildNodesExistsFast(e));
  EXPECT_FALSE(store->ChildNodesExistsFast(leaf));
  EXPECT_FALSE(store->ChildNodesExistsFast(TIdType()));
  TConfigNodes nodes;
  ASSERT_TRUE(store->GetChildNodes(u"/e", nodes, false));  // now the cache answers
  EXPECT_TRUE(store->ChildNodesExistsFast(e));

  EXPECT_TRUE(store->IsNodeEmpty(u"/e"));  // only sub-nodes
  EXPECT_FALSE(store->IsNodeEmpty(u"e/inner/leaf/"));
  EXPECT_TRUE(store->IsNodeEmpty(u"/e/missing"));
  EXPECT_FALSE(store->NodeExists(u"/e/missing", false));
}

TEST_P(ConfigNodesTest, CachedKeyContainingTheParentsIsNoSubNode) {
  auto store = NewStore();
  // "a/b/" is a leaf; "x/a/b/c/" merely contains its key.
  ASSERT_TRUE(store->NodeExists(u"/x/a/b/c", true));
  ASSERT_TRUE(store->NodeExists(u"/a/b", true));
  TIdType id;
  ASSERT_TRUE(store->GetCacheKeyId(u"x/a/b/c/", id, false));
  const TIdType ab = store->GetParentTreeId(u"/a/b", false, false);
  EXPECT_FALSE(store->ChildNodesExistsFast(ab));
}

TEST_P(ConfigNodesTest, UnsupportedDatabaseType) {
  auto store = NewStore();
  TkxConfigManagerTestAccess::NameEngine(*store, kxDBT_DB2);
  EXPECT_FALSE(store->ChildNodesExists(u"/u"));
  EXPECT_EQ(store->Message.Get(), u"unsupported database type");
  store->RaiseExceptions = true;
  EXPECT_THROW(store->ChildNodesExists(u"/u"), Exception);
  // The registry's engine holds: SQLite and MariaDB read the MySQL form.
  if (GetParam().ServerKey == nullptr || std::string(GetParam().Name) == "MariaDB") {
    ASSERT_TRUE(store->NodeExists(u"/u/sub", true));
    TkxConfigManagerTestAccess::NameEngine(*store, kxDBT_MySQL);
    store->RaiseExceptions = false;
    EXPECT_TRUE(store->ChildNodesExists(u"/u"));
    EXPECT_EQ(store->Message.Get(), u"");
  }
}

TEST_P(ConfigNodesTest, FailuresClearTheList) {
  auto store = NewStore();
  ASSERT_TRUE(store->NodeExists(u"/f/a", true));
  TConfigNodes nodes;
  ASSERT_TRUE(store->GetRecursiveChildNodes(u"/f", nodes, true, true, false));
  db::Command(*peer_, u"DROP TABLE " + table_).Execute();
  store->InitCache();
  EXPECT_FALSE(store->GetRecursiveChildNodes(u"/f", nodes, true, true, false));
  EXPECT_TRUE(nodes.empty());
  EXPECT_EQ(store->Message.Get().rfind(u"getchildnodes operation failed (", 0), 0u)
      << ToUtf8(store->Message.Get());
  EXPECT_FALSE(store->GetChildNodes(u"/f", nodes, false));
  EXPECT_TRUE(store->IsNodeEmpty(u"/f"));
  store->RaiseExceptions = true;
  EXPECT_THROW(store->GetRootNodes(nodes), Exception);
  CreateConfigTable(*peer_, table_, TST_V2);
}

INSTANTIATE_TEST_SUITE_P(Engines, ConfigNodesTest, ::testing::ValuesIn(kEngines),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
