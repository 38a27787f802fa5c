// The configuration store on SQLite, PostgreSQL and MariaDB (the servers of
// scripts/test-db-servers; their cases skip without them): a fresh table per
// test, rows checked through a second connection and the engines' clients.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <map>

#include "config/kxConfigManager.h"
#include "config/kxConfigSchema.h"
#include "tests/support/ConfigStoreFixture.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"
#include "platform/db/Odbc.h"
#include "tests/support/DatabaseClient.h"
#include "tests/support/DatabaseServers.h"
#include "tests/support/TcpRelay.h"

namespace {

using namespace kx::testing;
namespace db = kx::platform::db;

class ConfigStoreTest : public ConfigStoreFixture {};

TEST_P(ConfigStoreTest, ProbesTheLayout) {
  EXPECT_EQ(NewStore()->TableStructureType, TST_V2);  // empty, with the change columns
  const UnicodeString v1 = table_ + u"v1";
  db::Command(*peer_, u"DROP TABLE IF EXISTS " + v1).Execute();
  CreateConfigTable(*peer_, v1, TST_V1);
  TkxConfigManager store(false, cs_, v1);
  EXPECT_EQ(store.TableStructureType, TST_V1);
  store.TrackChanges = true;
  EXPECT_TRUE(store.SetConfigValue(u"/a", u"x", Int(1)));  // never writes change columns
  db::Command(*peer_, u"DROP TABLE " + v1).Execute();
}

TEST_P(ConfigStoreTest, WritesAndReadsValues) {
  auto store = NewStore();
  ASSERT_TRUE(store->SetConfigValue(u"/a/b", u" Name ", Int(5)));
  const TIdType a = store->GetParentTreeId(u"/a", false, false);
  const TIdType b = store->GetParentTreeId(u"a/b/", false, false);
  EXPECT_TRUE(Has(Rows(TIdType()), "a|TREE|"));
  EXPECT_EQ(Rows(a), std::vector<std::string>({"b|TREE|"}));
  EXPECT_EQ(Rows(b), std::vector<std::string>({"Name|INT|5"}));

  struct Case { UnicodeString name; Variant value; const char* dataType; std::string row; };
  const Case cases[] = {
      {u"Flag", Variant::FromBoolean(true), nullptr, "Flag|BOOLEAN|True"},
      {u"Ratio", Variant::FromDouble(2.25), nullptr, "Ratio|DOUBLE|2.25"},
      {u"Title", Text(u"Stra\u00DFe"), nullptr, "Title|UCS2STR|Stra\xC3\x9F" "e"},
      {u"Big", Variant::FromLongWord(4000000000u), nullptr, "Big|LONGWORD|4000000000"},
      {u"On", Variant::FromBoolean(true), "bool", "On|BOOLEAN|True"},
      {u"Long", Text(u"x"), "verylongtypename", "Long|VERYLONG|x"},
  };
  for (const auto& c : cases) {
    const bool ok = c.dataType == nullptr ? store->SetConfigValue(u"/a/b", c.name, c.value)
                                          : store->SetConfigValue(u"/a/b", c.name, c.value, TDataTypeStr(c.dataType));
    EXPECT_TRUE(ok) << ToUtf8(store->Message.Get());
  }
  const auto rows = Rows(b);
  for (const auto& c : cases) EXPECT_TRUE(Has(rows, c.row)) << c.row << " in " << ::testing::PrintToString(rows);
  // The stored type decides, not the default's.
  const Variant flag = store->GetConfigValue(u"/a/b", u"Flag", Int(0), false);
  EXPECT_EQ(flag.VarType(), varBoolean);
  EXPECT_TRUE(flag.ToBoolean());
  EXPECT_EQ(store->GetConfigValue(u"/a/b", u"Name", Text(u""), false).ToInteger(), 5);
  EXPECT_EQ(store->GetConfigValue(u"/a/b", u"Missing", Int(7), false).ToInteger(), 7);
  EXPECT_EQ(store->GetConfigValue(u"/a/x", u"Name", Int(8), false).ToInteger(), 8);
  EXPECT_EQ(Count(u"KEYNAME = 'x'"), 0);  // nothing written without Create
  // A key without "/" is the node's id.
  EXPECT_EQ(store->GetConfigValue(ToUtf16(b.View()), u"Name", Int(0), false).ToInteger(), 5);
  EXPECT_TRUE(store->ConfigValueExists(u"/a/b", u"Name"));
  EXPECT_TRUE(store->ConfigValueExists(u"/a", u"b"));  // a sub-node counts
  EXPECT_FALSE(store->ConfigValueExists(u"/a/b", u"Nope"));
  EXPECT_FALSE(store->ConfigValueExists(u"/q", u"Name"));
  EXPECT_EQ(Count(u"KEYNAME = 'q'"), 0);
  EXPECT_EQ(store->Message.Get(), u"");
  // A blank name writes nothing and answers true, after making the nodes.
  EXPECT_TRUE(store->SetConfigValue(u"/n/m", u"  ", Int(1)));
  EXPECT_EQ(Count(u"KEYNAME = 'm'"), 1);
  EXPECT_EQ(Client("SELECT KEYVALUE FROM " + ToUtf8(table_) + " WHERE KEYNAME = 'Big'"), "4000000000\n");
}

TEST_P(ConfigStoreTest, ReadWithCreateAndSpecialNames) {
  auto store = NewStore();
  EXPECT_EQ(store->GetConfigValue(u"/x/y", u"Z", Int(3), true).ToInteger(), 3);
  const TIdType y = store->GetParentTreeId(u"/x/y", false, false);
  EXPECT_EQ(Rows(y), std::vector<std::string>({"Z|INT|3"}));
  // An empty name in the middle is "Unnamed"; "%2F" is a "/" of a name.
  EXPECT_TRUE(store->SetConfigValue(u"/p//q", u"v", Int(1)));
  EXPECT_EQ(Count(u"KEYNAME = 'Unnamed' AND DATATYPE = 'TREE'"), 1);
  EXPECT_TRUE(store->SetConfigValue(u"/r/s%2Ft", u"v", Int(1)));
  EXPECT_EQ(Count(u"KEYNAME = 's/t' AND DATATYPE = 'TREE'"), 1);
  const TIdType st = store->GetParentTreeId(u"/r/s%2Ft", false, false);
  EXPECT_EQ(store->GetKeyNameByNodeId(st), u"r/s%2Ft/");  // the cache's prepared form
  store->CacheEnabled = false;
  EXPECT_EQ(store->GetKeyNameByNodeId(st), u"/r/s%2Ft");  // the table's visible form
  EXPECT_EQ(store->GetKeyNameByNodeId(TIdType("NOSUCHID")), u"");
  EXPECT_TRUE(store->GetParentTreeId(u"  ", true, false).IsEmpty());
  EXPECT_EQ(store->GetConfigValue(u" / ", u"v", Int(4), true).ToInteger(), 4);
}

TEST_P(ConfigStoreTest, UnchangedWritesNothing) {
  auto store = NewStore();
  store->TrackChanges = true;
  store->Username = u"first";
  ASSERT_TRUE(store->SetConfigValue(u"/a", u"v", Int(1)));
  store->Username = u"second";
  ASSERT_TRUE(store->SetConfigValue(u"/a", u"v", Int(1)));
  EXPECT_EQ(Count(u"KEYNAME = 'v' AND CHANGEUSER = 'first'"), 1);
  ASSERT_TRUE(store->SetConfigValue(u"/a", u"V", Int(2)));  // the caller's spelling is stored
  EXPECT_EQ(Count(u"CHANGEUSER = 'second'"), 1);  // an update, or a new row where names differ in case
  // "BINARY" is always written.
  ASSERT_TRUE(store->SetConfigValue(u"/a", u"bin", Text(u"AA"), TDataTypeStr("BINARY"), u"b1", TDateTime(46000), true));
  ASSERT_TRUE(store->SetConfigValue(u"/a", u"bin", Text(u"AA"), TDataTypeStr("BINARY"), u"b2", TDateTime(46000), true));
  EXPECT_EQ(Count(u"KEYNAME = 'bin' AND CHANGEUSER = 'b2'"), 1);
  // The full form needs a user; the short one writes even an empty Username.
  ASSERT_TRUE(store->SetConfigValue(u"/a", u"bin", Text(u"BB"), TDataTypeStr("BINARY"), u"", TDateTime(46000), true));
  EXPECT_EQ(Count(u"KEYNAME = 'bin' AND CHANGEUSER = 'b2'"), 1);
  store->Username = u"";
  ASSERT_TRUE(store->SetConfigValue(u"/a", u"w", Int(1)));
  EXPECT_EQ(Count(u"KEYNAME = 'w' AND CHANGEUSER = ''"), 1);
}

TEST_P(ConfigStoreTest, SubNodeOfTheValuesNameStays) {
  auto store = NewStore();
  ASSERT_TRUE(store->SetConfigValue(u"/a/same", u"inner", Int(1)));
  ASSERT_TRUE(store->SetConfigValue(u"/a", u"same", Int(2)));
  const TIdType a = store->GetParentTreeId(u"/a", false, false);
  EXPECT_EQ(Rows(a), std::vector<std::string>({"same|INT|2", "same|TREE|"}));
}

TEST_P(ConfigStoreTest, DeletesValues) {
  auto store = NewStore();
  for (const char16_t* name : {u"Old", u"Older", u"Old_1", u"Keep"}) store->SetConfigValue(u"/a", name, Int(1));
  EXPECT_TRUE(store->DeleteConfigValue(u"/a", u"Old", true));
  const TIdType a = store->GetParentTreeId(u"/a", false, false);
  EXPECT_EQ(Rows(a), std::vector<std::string>({"Keep|INT|1"}));
  EXPECT_TRUE(store->DeleteConfigValue(u"/a", u"None", false));  // no row matched: still true
  EXPECT_FALSE(store->DeleteConfigValue(u"/missing", u"Keep", false));
  EXPECT_EQ(store->Message.Get(), u"");

  const TIdType keepId = [&] {
    db::DataSet q(*peer_, u"SELECT ID FROM " + table_ + u" WHERE KEYNAME = 'Keep'");
    q.Open();
    return TIdType(ToUtf8(q.Fields(0).AsString()));
  }();
  EXPECT_EQ(store->GetConfigValueById(keepId, Int(0), false).ToInteger(), 1);
  EXPECT_EQ(store->GetConfigValueById(keepId, Int(0), true).VarType(), varOleStr);
  EXPECT_TRUE(store->DeleteConfigValueById(keepId));
  EXPECT_EQ(Rows(a), std::vector<std::string>());
  EXPECT_EQ(store->GetConfigValueById(keepId, Int(9), false).ToInteger(), 9);
}

TEST_P(ConfigStoreTest, DeletesTreesAndNodeValues) {
  auto store = NewStore();
  store->BackupChanges = false;
  store->SetConfigValue(u"/t/a/b", u"v", Int(1));
  store->SetConfigValue(u"/t/a", u"w", Int(1));
  store->SetConfigValue(u"/t/c", u"x", Int(1));
  store->SetConfigValue(u"/u", u"y", Int(1));
  EXPECT_TRUE(store->DeleteConfigTree(u"/t/a"));
  EXPECT_EQ(Count(u"KEYNAME IN ('a', 'b', 'v', 'w')"), 0);
  EXPECT_EQ(Count(u"KEYNAME IN ('t', 'c', 'x', 'u', 'y')"), 5);
  EXPECT_EQ(Orphans(), 0);
  EXPECT_FALSE(store->DeleteConfigTree(u"/t/a"));
  EXPECT_TRUE(store->GetParentTreeId(u"/t/a", false, false).IsEmpty());  // the cache forgot it

  EXPECT_TRUE(store->DeleteNodeProperties(u"/t"));  // only values: c stays
  EXPECT_TRUE(store->SetConfigValue(u"/t", u"z", Int(1)));
  EXPECT_TRUE(store->DeleteNodeProperties(u"/t"));
  EXPECT_EQ(Count(u"KEYNAME = 'z'"), 0);
  EXPECT_EQ(Count(u"KEYNAME = 'c'"), 1);
  EXPECT_TRUE(store->DeleteNodeProperties(u"/new/node"));  // a missing node is made
  EXPECT_EQ(Count(u"KEYNAME = 'node'"), 1);
}

TEST_P(ConfigStoreTest, BackupsBeforeDeleting) {
  auto store = NewStore();
  store->SetConfigValue(u"/t/a", u"v", Int(1));
  // Unplugged: a deletion that must back up fails and deletes nothing.
  EXPECT_FALSE(store->DeleteConfigTree(u"/t"));
  EXPECT_EQ(store->Message.Get(), u"backup failed (the configuration export (Export) is not available)!");
  EXPECT_FALSE(store->DeleteNodeProperties(u"/t/a"));
  EXPECT_EQ(store->Message.Get(), u"backup failed!");
  EXPECT_FALSE(store->DeleteConfigValue(u"/t", u"a", false));  // a node: with its subtree, after a backup
  EXPECT_EQ(Count(u"KEYNAME IN ('t', 'a', 'v')"), 3);

  std::vector<std::string> backups;
  kxConfigHooks::SetBackupHook([&](TkxConfigManager& S, const UnicodeString& Root, const UnicodeString& File,
                                   bool SubNodes) {
    backups.push_back(ToUtf8(Root) + (SubNodes ? " sub " : " flat ") +
                      std::filesystem::path(ToUtf8(File)).filename().string());
    S.Message.Clear();
    return true;
  });
  EXPECT_FALSE(store->DeleteConfigTree(u"/missing"));  // no backup of what is not there
  EXPECT_TRUE(backups.empty());
  EXPECT_TRUE(store->DeleteConfigValue(u"/t", u"a", false));
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(backups[0].substr(0, 8), "/t/a sub");
  EXPECT_NE(backups[0].find("z9backup_"), std::string::npos);
  EXPECT_EQ(Count(u"KEYNAME IN ('t', 'a', 'v')"), 1);  // t alone: a and its value went together
  EXPECT_EQ(Orphans(), 0);
}

TEST_P(ConfigStoreTest, KeepUserContentGuard) {
  auto store = NewStore();
  EXPECT_FALSE(store->SetConfigValue(u"/a", u"v", Int(1), true));
  EXPECT_NE(store->Message.Get().find(u"ConfigValueChangedByUser"), UnicodeString::npos);
  EXPECT_EQ(Count(u"KEYNAME IN ('a', 'v')"), 0);
  bool changed = true;
  kxConfigHooks::SetChangedByUserHook([&](TkxConfigManager&, const UnicodeString&, const UnicodeString&) {
    return changed;
  });
  EXPECT_TRUE(store->SetConfigValue(u"/a", u"v", Int(1), true));
  EXPECT_EQ(Count(u"KEYNAME IN ('a', 'v')"), 0);
  changed = false;
  EXPECT_TRUE(store->SetConfigValue(u"/a", u"v", Int(1), TDataTypeStr("INT"), true));
  EXPECT_EQ(Count(u"KEYNAME IN ('a', 'v')"), 2);
}

TEST_P(ConfigStoreTest, ValueIdsStayOutOfTheCache) {
  auto store = NewStore();
  store->SetConfigValue(u"/a", u"v", Int(1));
  store->SetConfigValue(u"/a/v2", u"x", Int(1));
  db::DataSet q(*peer_, u"SELECT ID FROM " + table_ + u" WHERE KEYNAME = 'v'");
  q.Open();
  const TIdType valueId(ToUtf8(q.Fields(0).AsString()));
  store->RemoveKeyFromCache(u"/a");
  EXPECT_EQ(store->GetKeyNameByNodeId(valueId), u"/a");  // the answer stays
  // Had the value's id been cached as "/a", this would write below the value.
  ASSERT_TRUE(store->SetConfigValue(u"/a", u"w", Int(2)));
  EXPECT_EQ(Count(u"KEYNAME = 'w' AND PARENTID = '" + ToUtf16(valueId.View()) + u"'"), 0);
}

TEST_P(ConfigStoreTest, DefKeyIdMovesTheSubtree) {
  auto store = NewStore();
  store->SetConfigValue(u"/a/b", u"v", Int(1));
  const TIdType wanted("0123456789ABCDEF0123456789ABCDEF");
  EXPECT_EQ(store->GetParentTreeId(u"/a", wanted, true), wanted);
  EXPECT_EQ(Orphans(), 0);
  EXPECT_EQ(store->GetConfigValue(u"/a/b", u"v", Int(0), false).ToInteger(), 1);
  EXPECT_EQ(store->GetParentTreeId(u"/a", false, true), wanted);
  // A new node takes the id; an id in use elsewhere leaves the found id.
  const TIdType fresh("FEDCBA9876543210FEDCBA9876543210");
  EXPECT_EQ(store->GetParentTreeId(u"/c/d", fresh, true), fresh);
  const TIdType b = store->GetParentTreeId(u"/a/b", false, false);
  EXPECT_EQ(store->GetParentTreeId(u"/a/b", fresh, true), b);
  EXPECT_TRUE(store->GetParentTreeId(u"/zz", wanted, false).IsEmpty());
}

TEST_P(ConfigStoreTest, StaleCachedIdsAfterAnotherStoreDeleted) {
  auto one = NewStore();
  auto two = NewStore();
  two->BackupChanges = false;
  ASSERT_TRUE(one->SetConfigValue(u"/s/t", u"v", Int(1)));  // "one" caches s/t/
  ASSERT_TRUE(two->DeleteConfigTree(u"/s"));
  ASSERT_TRUE(one->SetConfigValue(u"/s/t", u"v", Int(2))) << ToUtf8(one->Message.Get());
  EXPECT_EQ(Orphans(), 0);
  EXPECT_EQ(Count(u"KEYNAME = 's'"), 1);
  EXPECT_EQ(two->GetConfigValue(u"/s/t", u"v", Int(0), false).ToInteger(), 2);
}

TEST_P(ConfigStoreTest, TwoProcessesWriteTheSameKeys) {
  const std::string cs = ToUtf8(cs_), table = ToUtf8(table_);
  std::vector<pid_t> children;
  for (int p = 0; p < 2; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failures = 0;
      {
        TkxConfigManager store(false, ToUtf16(cs), ToUtf16(table));
        store.BackupChanges = false;
        for (int i = 0; i < 30; ++i) {
          const UnicodeString key = u"/loop/k" + ToUtf16(std::to_string(i % 5));
          if (!store.SetConfigValue(key, u"v", Int(p * 1000 + i))) ++failures;
          if (!store.SetConfigValue(u"/loop", u"last" + ToUtf16(std::to_string(p)), Int(i))) ++failures;
        }
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // One row per name and kind under each parent, no orphans, the last writes seen.
  EXPECT_EQ(Duplicates(), 0);
  EXPECT_EQ(Count(u"KEYNAME = 'v'"), 5);
  EXPECT_EQ(Orphans(), 0);
  auto store = NewStore();
  EXPECT_EQ(store->GetConfigValue(u"/loop", u"last0", Int(-1), false).ToInteger(), 29);
  EXPECT_EQ(store->GetConfigValue(u"/loop", u"last1", Int(-1), false).ToInteger(), 29);
}

// Cases for one kind of engine only.
class SqliteStoreTest : public ConfigStoreTest {};
class ServerStoreTest : public ConfigStoreTest {};

// The vanishing row is made by a SQLite trigger.
TEST_P(SqliteStoreTest, UpdateOfAVanishedRowGivesUp) {
  auto store = NewStore();
  ASSERT_TRUE(store->SetConfigValue(u"/a", u"v", Int(1)));
  db::Command(*peer_, u"CREATE TRIGGER " + table_ + u"_gone BEFORE UPDATE ON " + table_ +
                          u" BEGIN SELECT RAISE(IGNORE); END")
      .Execute();
  EXPECT_FALSE(store->SetConfigValue(u"/a", u"v", Int(2)));
  EXPECT_EQ(store->Message.Get(), u"row cannot be located for updating");
}

TEST_P(ConfigStoreTest, ChangeTicksAcrossStores) {
  auto one = NewStore(true);
  auto two = NewStore(true);
  EXPECT_EQ(Count(u"KEYNAME = 'Statuses'"), 1);  // the class nodes are there
  EXPECT_EQ(Count(u"KEYNAME = 'ConfigCacheSize' AND DATATYPE = 'WORD' AND KEYVALUE = '1000'"), 1);
  EXPECT_EQ(Count(u"KEYNAME = 'ConfigCacheLeaseTime' AND DATATYPE = 'LONGWORD'"), 1);
  one->CacheCheckTime = 0;
  one->SetConfigValue(u"/c/d", u"v", Int(1));
  TIdType id;
  ASSERT_TRUE(one->GetCacheKeyId(u"c/d/", id, false));
  two->BackupChanges = false;
  ASSERT_TRUE(two->DeleteConfigTree(u"/c"));  // sets the ticks
  EXPECT_FALSE(one->CheckDatabaseChangeState());
  EXPECT_FALSE(one->GetCacheKeyId(u"c/d/", id, false));

  // Named flags: the first check reports a change and stamps the flag.
  two->CacheCheckTime = 0;
  EXPECT_FALSE(two->CheckSpecificDatabaseChangeState(u"Flag"));
  EXPECT_TRUE(two->CheckSpecificDatabaseChangeState(u"Flag"));
  EXPECT_TRUE(one->SetSpecificDatabaseChangeState(u"Flag"));
  EXPECT_FALSE(two->CheckSpecificDatabaseChangeState(u"Flag"));
  EXPECT_TRUE(two->CheckSpecificDatabaseChangeState(u"Flag"));
}

// A store that sets the ticks itself must not hide another's stamp that it
// has not read yet: its cache is emptied first.
TEST_P(ConfigStoreTest, OwnTicksDoNotHideAnothersChange) {
  auto one = NewStore(true);
  auto two = NewStore(true);
  one->BackupChanges = two->BackupChanges = false;
  two->CacheCheckTime = 0xFFFFFFFFu;  // never reads the ticks on its own
  ASSERT_TRUE(two->SetConfigValue(u"/k/l", u"v", Int(1)));
  TIdType id;
  ASSERT_TRUE(two->GetCacheKeyId(u"k/l/", id, false));
  ASSERT_TRUE(one->DeleteConfigTree(u"/k"));
  two->SetConfigValue(u"/other", u"v", Int(1));
  ASSERT_TRUE(two->DeleteConfigTree(u"/other"));  // sets the ticks
  EXPECT_FALSE(two->GetCacheKeyId(u"k/l/", id, false));
}

// Parent ids that run in a circle: the walk up gives no key, deleting ends.
TEST_P(ConfigStoreTest, CyclesOfParents) {
  for (const char* row : {"'C1', 'C2', 'x', 'TREE', ''", "'C2', 'C1', 'y', 'TREE', ''", "'C3', 'C2', 'z', 'INT', '1'"})
    db::Command(*peer_, u"INSERT INTO " + table_ + u" (ID, PARENTID, KEYNAME, DATATYPE, KEYVALUE) VALUES (" +
                            ToUtf16(row) + u")")
        .Execute();
  auto store = NewStore();
  store->BackupChanges = false;
  EXPECT_EQ(store->GetKeyNameByNodeId(TIdType("C1")), u"");
  EXPECT_TRUE(store->DeleteConfigValueById(TIdType("C1")));
  EXPECT_EQ(Count(u"ID IN ('C1', 'C2', 'C3')"), 0);
}

TEST_P(ConfigStoreTest, CacheSizeFromTheTree) {
  {
    auto store = NewStore(true);
    store->SetConfigValue(u"/vanto/Software/Basics/Common", u"ConfigCacheSize", Int(123456));
  }
  EXPECT_EQ(NewStore(true)->CacheSize, 100000);
  NewStore()->SetConfigValue(u"/vanto/Software/Basics/Common", u"ConfigCacheSize", Int(99999));
  EXPECT_EQ(NewStore(true)->CacheSize, 99999);
  EXPECT_EQ(NewStore(false)->CacheSize, 1000);
}

TEST_P(ConfigStoreTest, ConnectionChecks) {
  auto store = NewStore();
  store->Message = u"before";
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(store->CheckADOConnection());
  EXPECT_EQ(store->Message.Get(), u"before");  // a healthy connection says nothing
  EXPECT_EQ(slept_.load(), 0u);
  EXPECT_TRUE(store->CheckADOConnection());  // the fifth rebuilds
  EXPECT_EQ(slept_.load(), 1000u);
  const UnicodeString provider = IsSqlite() ? u"SQLite" : u"MSDASQL.1";
  EXPECT_EQ(store->Message.Get(), u"database connection to " + provider + u" successful restored");
  EXPECT_TRUE(store->SetConfigValue(u"/after", u"v", Int(1)));
  EXPECT_TRUE(store->IsConnected());
  EXPECT_EQ(store->Message.Get(), u"database connection is online");
}

// A server that drops its connections and refuses new ones, then comes back.
TEST_P(ServerStoreTest, ServerConnectionLostAndBack) {
  const std::string port =
      kx::testing::DatabaseServer(GetParam().ServerKey == std::string("KX_TEST_POSTGRESQL") ? "KX_PG_PORT" : "KX_MY_PORT");
  kx::testing::TcpRelay relay(std::stoi(port));
  UnicodeString cs = cs_;
  const UnicodeString from = u"Port=" + ToUtf16(port) + u";";
  ASSERT_NE(cs.find(from), UnicodeString::npos);
  cs.replace(cs.find(from), from.size(), u"Port=" + ToUtf16(std::to_string(relay.Port())) + u";");

  TkxConfigManager store(false, cs, table_);
  ASSERT_TRUE(store.IsConnected()) << ToUtf8(store.Message.Get());
  store.CacheEnabled = false;  // every write walks, and the walk tries again after a check
  ASSERT_TRUE(store.SetConfigValue(u"/net", u"v", Int(1)));
  relay.SetRefusing(true);
  relay.Drop();
  EXPECT_FALSE(store.SetConfigValue(u"/net", u"v", Int(2)));
  EXPECT_TRUE(store.Message.Get().starts_with(u"error during database connection check (")) << ToUtf8(store.Message.Get());
  EXPECT_EQ(store.Message.Get().find(u"PWD"), UnicodeString::npos);
  EXPECT_FALSE(store.IsConnected());
  relay.SetRefusing(false);
  // The walk fails on the closed connection, its check restores it, the next attempt writes.
  EXPECT_TRUE(store.SetConfigValue(u"/net", u"v", Int(3))) << ToUtf8(store.Message.Get());
  EXPECT_TRUE(store.IsConnected());
  EXPECT_EQ(store.GetConfigValue(u"/net", u"v", Int(0), false).ToInteger(), 3);
}

const auto kEngineName = [](const auto& Info) { return std::string(Info.param.Name); };
INSTANTIATE_TEST_SUITE_P(Engines, ConfigStoreTest, ::testing::ValuesIn(kEngines), kEngineName);
INSTANTIATE_TEST_SUITE_P(Engines, SqliteStoreTest, ::testing::Values(kEngines[0]), kEngineName);
INSTANTIATE_TEST_SUITE_P(Engines, ServerStoreTest, ::testing::Values(kEngines[1], kEngines[2]), kEngineName);

}  // namespace
