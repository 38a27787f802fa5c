// Backups kept in the configuration tree (on SQLite, PostgreSQL and
// MariaDB), namespaces and short paths.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "config/kxConfigManager.h"
#include "tests/support/ConfigStoreFixture.h"
#include "system/kxToolsEvo2_Identity.h"

namespace {

using namespace kx::testing;

class ConfigBackupsTest : public ConfigStoreFixture {
 protected:
  void SetUp() override {
    ConfigStoreFixture::SetUp();
    // Every backup a millisecond later than the one before.
    kxConfigSeams::Seams seams;
    seams.Sleep = [](uint32_t) {};
    seams.Now = [this] { return TDateTime(46000.5 + (++clock_) / 86400000.0); };
    kxConfigSeams::SetSeamsForTesting(seams);
  }
  // "name" or "name*" for the persistent backups of Key, oldest first.
  std::vector<std::string> Backups(TkxConfigManager& Store, const UnicodeString& Key) {
    TConfigNodes nodes;
    EXPECT_TRUE(Store.GetChildNodes(u"/vanto/Classes/Backups" + Key, nodes, false));
    std::vector<std::string> names;
    for (const TConfigNode& n : nodes) {
      const bool persistent = Store.GetConfigValue(n.Key, u"Persistent", Variant::FromBoolean(false), false).ToBoolean();
      names.push_back(ToUtf8(VarToStr(Store.GetConfigValue(n.Key, u"Comment", Text(u""), false))) +
                      (persistent ? "*" : ""));
    }
    return names;
  }
  std::atomic<int> clock_{0};
};

TEST_P(ConfigBackupsTest, CopiesAndFields) {
  auto store = NewStore();
  ASSERT_TRUE(store->SetConfigValue(u"/vanto/Scripts/Process/Import", u"Script", Text(u"run()")));
  ASSERT_TRUE(store->SetConfigValue(u"/vanto/Scripts/Process/Import", u"Level", Int(3)));
  ASSERT_TRUE(store->SetConfigValue(u"/vanto/Scripts/Process/Import", u"ChangeDate",
                                    Variant::FromDate(TDateTime(45000.25))));
  ASSERT_TRUE(store->CreateBackup(u"vanto/Scripts/Process/Import/", {u"Script", u"Level", u"Missing"}, u"first",
                                  5, true));
  TConfigNodes nodes;
  ASSERT_TRUE(store->GetChildNodes(u"/vanto/Classes/Backups/vanto/Scripts/Process/Import", nodes, false));
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0].Name, u"Backup_20251209120000001");
  TProperties values;
  ASSERT_TRUE(store->GetNodeProperties(nodes[0].Key, values, true, false, false, u"", ' ', false, true, false));
  std::vector<std::string> names;
  for (const TProperty& p : values) names.push_back(ToUtf8(p.Name));
  EXPECT_EQ(names, (std::vector<std::string>{"Comment", "CreationDate", "Date", "Level", "Persistent", "Script",
                                             "User"}));
  auto value = [&](const char16_t* Name) { return store->GetPropertyValueByName(Name, Variant(), values); };
  EXPECT_EQ(value(u"Script").ToString(), u"run()");
  EXPECT_EQ(value(u"Level").ToInteger(), 3);
  EXPECT_EQ(value(u"Date").ToDateTime(), TDateTime(45000.25));  // the node's own date
  EXPECT_NEAR(value(u"CreationDate").ToDateTime().Val, 46000.5, 1 / 86400.0);
  EXPECT_EQ(value(u"User").ToString(), TkxTools::GetUserNameEx(8));
  EXPECT_EQ(value(u"Comment").ToString(), u"first");

  // Without a "ChangeDate" the backup's time; no comment, not persistent.
  ASSERT_TRUE(store->SetConfigValue(u"/plain", u"a", Int(1)));
  ASSERT_TRUE(store->CreateBackup(u"/plain", {u"a"}, u"", -1, false));
  ASSERT_TRUE(store->GetChildNodes(u"/vanto/Classes/Backups/plain", nodes, false));
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(store->GetConfigValue(nodes[0].Key, u"Date", Int(0), false).ToDateTime(),
            store->GetConfigValue(nodes[0].Key, u"CreationDate", Int(0), false).ToDateTime());
  EXPECT_FALSE(store->ConfigValueExists(nodes[0].Key, u"Comment"));
  EXPECT_FALSE(store->ConfigValueExists(nodes[0].Key, u"Persistent"));
}

TEST_P(ConfigBackupsTest, Pruning) {
  auto store = NewStore();
  store->BackupChanges = false;
  const struct {
    const char16_t* Key;
    bool OldestPersistent;
    int32_t MaxBackups;
    std::vector<std::string> Expected;
  } cases[] = {
      {u"/k1", false, -1, {"1", "2", "3", "new"}},  // never pruned
      {u"/k2", false, 0, {"new"}},
      {u"/k3", false, 2, {"2", "3", "new"}},
      {u"/k4", true, 1, {"1*", "new"}},  // persistent ones count but stay
      {u"/k5", false, 3, {"1", "2", "3", "new"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.Key));
    ASSERT_TRUE(store->SetConfigValue(c.Key, u"v", Int(1)));
    for (int i = 1; i <= 3; ++i)
      ASSERT_TRUE(store->CreateBackup(c.Key, {u"v"}, ToUtf16(std::to_string(i)), -1, c.OldestPersistent && i == 1));
    ASSERT_TRUE(store->CreateBackup(c.Key, {u"v"}, u"new", c.MaxBackups, false));
    EXPECT_EQ(Backups(*store, c.Key), c.Expected);
  }
}

TEST(ConfigNameSpaces, Prefixes) {
  const struct {
    const char16_t* Key;
    bool Expected;
  } cases[] = {
      {u"/vanto/scripts/fields/Check", true}, {u"vanto/resources", true},
      {u"/vanto/Scripts/Addins", true},       {u"/vanto/Scripts/Workflow/Route/", true},
      {u"/vanto/Scripts/Mail", true},         {u"/vanto/Scripts/Classify/x", true},
      {u"/vanto/Scripts", false},             {u"/vanto/Scripts/Other/x", false},
      {u"/vanto/ScriptsX/Fields", false},     {u"/other/vanto/Resources", false},
      {u"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(TkxConfigManager::IsNameSpaceNode(c.Key), c.Expected) << ToUtf8(c.Key);
}

TEST(ConfigShortPath, KeepsLeadingNamesAndTheLast) {
  const struct {
    const char16_t* Path;
    int32_t MaxLen;
    const char16_t* Expected;
  } cases[] = {
      {u"/vanto/Software/Basics/Common", 20, u"/vanto/.../Common"},
      {u"/vanto/Software/Basics/Common", 40, u"/vanto/Software/Basics/Common"},
      {u"/vanto/Software/Basics/Common", 29, u"/vanto/Software/Basics/Common"},
      {u"/vanto/Software/Basics/Common", 28, u"/vanto/Software/.../Common"},
      {u"/vanto/Software/Basics/Common", 5, u".../Common"},  // longer than asked
      {u"a/b/VeryLongLastName", 10, u".../VeryLongLastName"},
      {u"NoSlashAtAll", 4, u".../NoSlashAtAll"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxConfigManager::GetShortPath(c.Path, c.MaxLen), c.Expected) << ToUtf8(c.Path) << " " << c.MaxLen;
}

INSTANTIATE_TEST_SUITE_P(Engines, ConfigBackupsTest, ::testing::ValuesIn(kEngines),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
