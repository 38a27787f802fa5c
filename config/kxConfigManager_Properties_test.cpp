// Property queries and lists of the configuration store on SQLite,
// PostgreSQL and MariaDB.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/kxConfigManager.h"
#include "tests/support/ConfigStoreFixture.h"
#include "platform/db/Connection.h"
#include "platform/rtl/CaseMapping.h"

namespace {

using namespace kx::testing;
namespace db = kx::platform::db;

class ConfigPropertiesTest : public ConfigStoreFixture {
 protected:
  // "/p": Alpha 1, Beta "x", Bin (binary), "12" 5; sub-node Sub with a value.
  void FillNode(TkxConfigManager& Store) {
    ASSERT_TRUE(Store.SetConfigValue(u"/p", u"Beta", Text(u"x")));
    ASSERT_TRUE(Store.SetConfigValue(u"/p", u"Alpha", Int(1)));
    ASSERT_TRUE(Store.SetConfigValue(u"/p", u"Bin", Text(u"AQID"), TDataTypeStr("BINARY")));
    ASSERT_TRUE(Store.SetConfigValue(u"/p", u"12", Int(5)));
    ASSERT_TRUE(Store.SetConfigValue(u"/p/Sub", u"Inner", Int(2)));
  }
};

std::vector<std::string> Names(const TProperties& List) {
  std::vector<std::string> names;
  for (const TProperty& p : List) names.push_back(ToUtf8(p.Name));
  return names;
}

class ConfigPropertiesSQLiteTest : public ConfigPropertiesTest {};

TEST_P(ConfigPropertiesTest, ValuesOfANode) {
  auto store = NewStore();
  store->TrackChanges = true;
  store->Username = u"tester";
  FillNode(*store);
  const struct {
    bool WithValues, WithBinaries;
    std::vector<std::string> Expected;
  } cases[] = {
      {true, false, {"12", "Alpha", "Beta"}},
      {true, true, {"12", "Alpha", "Beta", "Bin"}},
      {false, false, {"12", "Alpha", "Beta", "Bin"}},  // names always include binaries
  };
  for (const auto& c : cases) {
    TProperties list;
    ASSERT_TRUE(store->GetNodeProperties(u"p/", list, c.WithValues, false, false, u"", ';', false,
                                         c.WithBinaries, false));
    EXPECT_EQ(Names(list), c.Expected);
    for (const TProperty& p : list) {
      EXPECT_EQ(p.Path, u"/p");
      EXPECT_EQ(p.User, u"tester");
      EXPECT_EQ(p.Changed, TDateTime(46000.5));
      EXPECT_EQ(p.SORTL, UpperText(p.Name));
      EXPECT_EQ(p.Id.Length(), 32u);
      if (!c.WithValues) EXPECT_TRUE(p.Value.IsNull()) << ToUtf8(p.Name);
    }
    if (c.WithValues) {
      EXPECT_EQ(list[0].SORTLN, 12u);
      EXPECT_EQ(list[0].Value.ToInteger(), 5);
      EXPECT_EQ(list[1].SORTL, u"ALPHA");
      EXPECT_EQ(list[1].SORTLN, 0u);
      EXPECT_EQ(list[1].DataType.View(), "INT");
      EXPECT_EQ(list[2].Value.ToString(), u"x");
    }
  }
  // Raw: the stored text.
  TProperties raw;
  ASSERT_TRUE(store->GetNodeProperties(u"/p", raw, true, true, false, u"Al", ' ', false, true, false));
  ASSERT_EQ(raw.size(), 1u);
  EXPECT_EQ(raw[0].Value.VarType(), varOleStr);
  EXPECT_EQ(raw[0].Value.ToString(), u"1");

  // A missing node: true without creating, made with CanCreate.
  TProperties none = raw;
  EXPECT_TRUE(store->GetNodeProperties(u"/p/missing", none, true, false, false, u"", ' ', false, true, false));
  EXPECT_TRUE(none.empty());
  EXPECT_FALSE(store->NodeExists(u"/p/missing", false));
  EXPECT_TRUE(store->GetNodeProperties(u"/p/missing", none, true, false, true, u"", ' ', false, true, false));
  EXPECT_TRUE(store->NodeExists(u"/p/missing", false));
}

TEST_P(ConfigPropertiesTest, ExtendingAList) {
  auto store = NewStore();
  FillNode(*store);
  TProperties once, twice, dup;
  ASSERT_TRUE(store->GetNodeProperties(u"/p", once, true, false, false, u"", ' ', false, true, false));
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(store->GetNodeProperties(u"/p", twice, true, false, false, u"", ' ', true, true, false));
    ASSERT_TRUE(store->GetNodeProperties(u"/p", dup, true, false, false, u"", ' ', true, true, true));
  }
  EXPECT_EQ(Names(twice), Names(once));
  EXPECT_EQ(dup.size(), 2 * once.size());
  // An exact-case match is overwritten in place; another case is a new entry.
  TProperties mixed = {{}, {}};
  mixed[0].Name = u"Beta";
  mixed[0].Value = Int(0);
  mixed[1].Name = u"ALPHA";
  ASSERT_TRUE(store->GetNodeProperties(u"/p", mixed, true, false, false, u"", ' ', true, true, false));
  EXPECT_EQ(Names(mixed), (std::vector<std::string>{"Beta", "ALPHA", "12", "Alpha", "Bin"}));
  EXPECT_EQ(mixed[0].Value.ToString(), u"x");
}

TEST_P(ConfigPropertiesTest, PrefixFollowsTheEnginesLike) {
  auto store = NewStore();
  ASSERT_TRUE(store->SetConfigValue(u"/l", u"abc", Int(1)));
  ASSERT_TRUE(store->SetConfigValue(u"/l", u"ABD", Int(2)));
  ASSERT_TRUE(store->SetConfigValue(u"/l", u"azc", Int(3)));
  TProperties list;
  ASSERT_TRUE(store->GetNodeProperties(u"/l", list, true, false, false, u"ab", ' ', false, true, false));
  // SQLite folds ASCII in LIKE and MariaDB's collation ignores case;
  // PostgreSQL's LIKE counts case.
  const bool caseCounts = std::string(GetParam().Name) == "PostgreSQL";
  EXPECT_EQ(list.size(), caseCounts ? 1u : 2u);
  // "_" in the prefix is a wildcard.
  ASSERT_TRUE(store->GetNodeProperties(u"/l", list, true, false, false, u"a_c", ' ', false, true, false));
  EXPECT_EQ(Names(list), (std::vector<std::string>{"abc", "azc"}));
}

TEST_P(ConfigPropertiesTest, SubProperties) {
  auto store = NewStore();
  for (const char16_t* name : {u"Item_2", u"Item 10", u"Item3", u"Itemx", u"Item", u"Item_", u"Other"})
    ASSERT_TRUE(store->SetConfigValue(u"/s", name, Int(1)));
  TProperties list;
  ASSERT_TRUE(store->GetNodeSubProperties(u"/s", list, u"Item", true, false));
  std::vector<std::string> subs;
  for (const TProperty& p : list) subs.push_back(ToUtf8(p.Name) + "=" + ToUtf8(p.SubName));
  // In the database's order, which differs between engines for "_".
  std::sort(subs.begin(), subs.end());
  EXPECT_EQ(subs, (std::vector<std::string>{"Item 10=10", "Item3=3", "Item_2=2", "Item_="}));
  ASSERT_TRUE(store->GetNodeSubProperties(u"/s", list, u"Item", true, true));
  subs.clear();
  for (const TProperty& p : list) subs.push_back(ToUtf8(p.SubName));
  EXPECT_EQ(subs, (std::vector<std::string>{"", "2", "3", "10"}));
  EXPECT_EQ(list[3].SORTLN, 10u);
  // An empty prefix takes every name.
  ASSERT_TRUE(store->GetNodeSubProperties(u"/s", list, u"", false, false));
  EXPECT_EQ(list.size(), 7u);
  // A missing node is not made.
  EXPECT_TRUE(store->GetNodeSubProperties(u"/s/none", list, u"Item", true, true));
  EXPECT_TRUE(list.empty());
  EXPECT_FALSE(store->NodeExists(u"/s/none", false));
}

TEST_P(ConfigPropertiesTest, RecursiveReadAndSave) {
  auto store = NewStore();
  ASSERT_TRUE(store->SetConfigValue(u"/src", u"top", Int(1)));
  ASSERT_TRUE(store->SetConfigValue(u"/src/a", u"mid", Text(u"m")));
  ASSERT_TRUE(store->SetConfigValue(u"/src/a/b", u"low", Int(3)));
  TProperties list(1);
  list[0].Name = u"kept";
  list[0].Path = u"/src/old";
  ASSERT_TRUE(store->GetRecursiveNodeProperties(u"/src", list, true, true));
  std::vector<std::string> paths;
  for (const TProperty& p : list) paths.push_back(ToUtf8(p.Path) + ":" + ToUtf8(p.Name));
  // The entry the list held before is cut as well.
  EXPECT_EQ(paths, (std::vector<std::string>{"/old:kept", ":top", "/a:mid", "/a/b:low"}));

  list.erase(list.begin());
  std::vector<std::string> called;
  ASSERT_TRUE(store->SaveNodeProperties(u"dst/", list, true, true,
                                        [&](const std::u16string& Node) { called.push_back(ToUtf8(Node)); }));
  EXPECT_EQ(called, (std::vector<std::string>{"/dst/top", "/dst/a/mid", "/dst/a/b/low"}));
  EXPECT_EQ(store->GetConfigValue(u"/dst/a/b", u"low", Int(0), false).ToInteger(), 3);
  EXPECT_EQ(store->GetConfigValue(u"/dst/a", u"mid", Text(u""), false).ToString(), u"m");
  // Without the paths every entry lands on the key itself.
  ASSERT_TRUE(store->SaveNodeProperties(u"/flat", list, false, false, nullptr));
  TProperties flat;
  ASSERT_TRUE(store->GetNodeProperties(u"/flat", flat, true, false, false, u"", ' ', false, true, false));
  EXPECT_EQ(Names(flat), (std::vector<std::string>{"low", "mid", "top"}));
}

TEST_P(ConfigPropertiesSQLiteTest, ListsByName) {
  auto store = NewStore();
  store->Username = u"me";
  TProperties list, defaults;
  EXPECT_FALSE(store->SetPropertyValueByName(u"Port", u"sub", Int(80), list));  // appended
  EXPECT_TRUE(store->SetPropertyValueByName(u"PORT", Int(81), list));           // replaced
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Name, u"PORT");
  EXPECT_EQ(list[0].SubName, u"");
  EXPECT_EQ(list[0].User, u"me");
  EXPECT_EQ(list[0].DataType.View(), "INT");
  EXPECT_TRUE(TkxConfigManager::IsTIdStringEmpty(list[0].Id));

  EXPECT_EQ(store->GetPropertyValueByName(u"port", Int(0), list).ToInteger(), 81);
  EXPECT_EQ(TkxConfigManager::GetPropertyIdByName(u"Host", list), -1);
  EXPECT_EQ(store->GetPropertyValueByName(u"Host", Text(u"h"), list, true).ToString(), u"h");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].DataType.View(), "UCS2STR");
  EXPECT_FALSE(TkxConfigManager::IsTIdStringEmpty(list[1].Id));
  list[1].Value = Text(u"stored");
  EXPECT_EQ(store->GetPropertyValueByName(u"HOST", Text(u"other"), list, true).ToString(), u"stored");
  EXPECT_EQ(list.size(), 2u);

  // Precedence: the list, then the defaults, then Default.
  store->SetPropertyValueByName(u"Host", Text(u"dflt"), defaults);
  store->SetPropertyValueByName(u"Mode", Text(u"dm"), defaults);
  EXPECT_EQ(store->GetPropertyValueByName(u"host", Text(u"-"), list, defaults).ToString(), u"stored");
  EXPECT_EQ(store->GetPropertyValueByName(u"mode", Text(u"-"), list, defaults).ToString(), u"dm");
  EXPECT_EQ(store->GetPropertyValueByName(u"none", Text(u"-"), list, defaults).ToString(), u"-");
  EXPECT_EQ(defaults.size(), 2u);

  // Deleting removes the first match only.
  list.push_back(list[0]);
  EXPECT_TRUE(TkxConfigManager::DeletePropertyValueByName(u"port", list));
  EXPECT_EQ(Names(list), (std::vector<std::string>{"Host", "PORT"}));
  EXPECT_FALSE(TkxConfigManager::DeletePropertyValueByName(u"absent", list));
}

TEST_P(ConfigPropertiesTest, ContextHelp) {
  auto store = NewStore(true);
  ASSERT_TRUE(store->SetConfigValue(u"/vanto/Classes/Help/Context/System", u"/k/both", Text(u"sys")));
  ASSERT_TRUE(store->SetConfigValue(u"/vanto/Classes/Help/Context/Customer", u"/k/both", Text(u"cus")));
  ASSERT_TRUE(store->SetConfigValue(u"/vanto/Classes/Help/Context/Customer", u"/k/cus", Text(u"only")));
  const struct {
    const char16_t* Key;
    bool Found;
    const char16_t* Text;
    TContextHelpArea Area;
  } cases[] = {
      {u"/k/both", true, u"sys", CH_System},
      {u"/k/cus", true, u"only", CH_Customer},
      {u"/k/none", false, u"", CH_None},
  };
  for (const auto& c : cases) {
    UnicodeString help = u"stale";
    TContextHelpArea area = CH_System;
    EXPECT_EQ(store->Check4ContextHelp(c.Key, help, area), c.Found);
    EXPECT_EQ(help, c.Text);
    EXPECT_EQ(area, c.Area);
  }
}

TEST_P(ConfigPropertiesTest, Failures) {
  auto store = NewStore();
  FillNode(*store);
  TProperties list;
  db::Command(*peer_, u"DROP TABLE " + table_).Execute();
  store->InitCache();
  EXPECT_FALSE(store->GetNodeProperties(u"/p", list, true, false, false, u"", ' ', false, true, false));
  EXPECT_FALSE(store->Message.Get().empty());
  EXPECT_FALSE(store->GetNodeSubProperties(u"/p", list, u"", true, false));
  store->RaiseExceptions = true;
  EXPECT_THROW(store->GetNodeProperties(u"/p", list, true, false, false, u"", ' ', false, true, false), Exception);
  UnicodeString help;
  TContextHelpArea area;
  EXPECT_NO_THROW(store->Check4ContextHelp(u"/k", help, area));
  EXPECT_EQ(area, CH_None);
  CreateConfigTable(*peer_, table_, TST_V2);
}

// Cases where the database plays no part run on SQLite only.
INSTANTIATE_TEST_SUITE_P(SQLite, ConfigPropertiesSQLiteTest, ::testing::Values(kEngines[0]),
                         [](const auto& Info) { return std::string(Info.param.Name); });
INSTANTIATE_TEST_SUITE_P(Engines, ConfigPropertiesTest, ::testing::ValuesIn(kEngines),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
