// The store's connection: the opening loop (with a connection that never comes
// up), a database that appears after the store was made, the check thread,
// and a creation that fails while the class nodes are resolved.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "config/kxConfigManager.h"
#include "config/kxConfigSchema.h"
#include "platform/db/Connection.h"
#include "system/kxRegistry.h"

namespace {

namespace db = kx::platform::db;

// A connection that opens without an error and never comes up.
class DeadConnection : public db::Connection {
 public:
  DeadConnection() { SetProvider(u"DEAD.1"); }
  std::vector<UnicodeString> FirstRow(const UnicodeString&) override { Fail(); }
  void Close() override {}
  bool IsOpen() const override { return false; }
  UnicodeString Status() const override { return u"0"; }
  db::Engine Engine() const override { return db::Engine::Unknown; }

 protected:
  void Query(const UnicodeString&, const std::vector<Variant>&, Result&) override { Fail(); }
  int64_t Execute(const UnicodeString&, const std::vector<Variant>&) override { Fail(); }
  void Begin() override { Fail(); }
  void Commit() override { Fail(); }
  void Rollback() override { Fail(); }
  char16_t IdentifierQuote() const override { return u'"'; }

 private:
  [[noreturn]] static void Fail() { throw EDatabaseError(u"the connection is closed"); }
};

void SetRegistry(const UnicodeString& Name, int32_t Value) {
  ASSERT_TRUE(TkxRegistry::SetValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\vanto\\System\\", Name,
                                    Variant::FromInteger(Value), false));
}

class ConfigConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::path(std::getenv("TMPDIR")) / "connection";
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    kxConfigSeams::SetSeamsForTesting({});
    SetRegistry(u"DbConTimeout", 120);
    SetRegistry(u"DbConCheckInterval", 1800);
  }

  std::filesystem::path folder_;
};

TEST_F(ConfigConnectionTest, OpeningLoopRepeatsOnlyWithinTheTimeout) {
  struct Case { int32_t timeout; int opens; };
  for (const Case c : {Case{0, 1}, Case{10, 3}}) {
    SetRegistry(u"DbConTimeout", c.timeout);
    std::atomic<uint32_t> now{100};
    int opens = 0;
    uint32_t slept = 0;
    kxConfigSeams::Seams seams;
    seams.TickCount = [&] { return now.load(); };
    seams.Sleep = [&](uint32_t Ms) {
      slept += Ms;
      now += Ms;
    };
    seams.OpenConnection = [&](const UnicodeString&, const db::ConnectionOptions& Options) {
      EXPECT_EQ(Options.LoginTimeout, c.timeout);
      EXPECT_EQ(Options.CommandTimeout, 180);
      ++opens;
      return std::unique_ptr<db::Connection>(new DeadConnection());
    };
    kxConfigSeams::SetSeamsForTesting(seams);
    TkxConfigManager store(false, u"Provider=DEAD", u"kx_configuration");
    EXPECT_EQ(opens, c.opens) << c.timeout;
    EXPECT_EQ(slept, 5000u * static_cast<uint32_t>(c.opens));  // one pause after each opening
    EXPECT_FALSE(store.IsConnected());
    EXPECT_EQ(store.Message.Get(), u"database connection to DEAD.1 is offline (state = 0)");
    slept = 0;
    EXPECT_FALSE(store.CheckADOConnection());
    EXPECT_EQ(slept, 1000u);
    EXPECT_EQ(store.Message.Get(),
              u"database connection to DEAD.1 is still offline - possible network or database problem");
  }
}

TEST_F(ConfigConnectionTest, DatabaseThatAppearsLater) {
  // A data link file naming a database file beside it that is not there yet.
  const std::filesystem::path link = folder_ / "kxsyscfg.udl";
  std::ofstream(link) << "[oledb]\n; Everything after this line is an OLE DB initstring\n"
                         "Provider=SQLite;Data Source=linked.db\n";
  kxConfigSeams::Seams seams;
  seams.Sleep = [](uint32_t) {};
  kxConfigSeams::SetSeamsForTesting(seams);
  TkxConfigManager store(false, u"FILE NAME=" + ToUtf16(link.string()), u"kx_configuration");
  EXPECT_TRUE(store.Message.Get().starts_with(u"ado connection exception (")) << ToUtf8(store.Message.Get());
  EXPECT_EQ(store.Message.Get().find(u"FILE NAME"), UnicodeString::npos);  // never the connection string
  EXPECT_TRUE(store.GetConfigValue(u"/a", u"v", Variant::FromInteger(1), false).IsEmpty());
  EXPECT_TRUE(store.Message.Get().starts_with(u"error during database connection check (")) << ToUtf8(store.Message.Get());

  db::CreateDatabase(ToUtf16((folder_ / "linked.db").string()));
  CreateConfigTable(*db::Connection::Open(u"FILE NAME=" + ToUtf16(link.string()), u""), u"kx_configuration", TST_V2);
  // The failing walk's check rebuilds the connection; the walk then goes on.
  EXPECT_EQ(store.GetConfigValue(u"/a", u"v", Variant::FromInteger(7), true).ToInteger(), 7);
  EXPECT_TRUE(store.IsConnected());
  EXPECT_EQ(store.TableStructureType, TST_V1);  // probed once, at creation
}

TEST_F(ConfigConnectionTest, CheckThreadRebuildsADeadConnection) {
  SetRegistry(u"DbConCheckInterval", 0);  // a check every second
  std::atomic<int> opens{0};
  kxConfigSeams::Seams seams;
  seams.Sleep = [](uint32_t) {};
  seams.OpenConnection = [&](const UnicodeString&, const db::ConnectionOptions&) {
    ++opens;
    return std::unique_ptr<db::Connection>(new DeadConnection());
  };
  kxConfigSeams::SetSeamsForTesting(seams);
  {
    SetRegistry(u"DbConTimeout", 0);
    TkxConfigManager store(false, u"Provider=DEAD", u"kx_configuration");
    const int atCreation = opens.load();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (opens.load() < atCreation + 2 && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_GE(opens.load(), atCreation + 2);
  }
  // The destructor stopped the thread: no check follows.
  const int afterDestroy = opens.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  EXPECT_EQ(opens.load(), afterDestroy);
}

TEST_F(ConfigConnectionTest, FailedClassNodesLeaveAStoreWithoutCacheAndThread) {
  kxConfigSeams::Seams seams;
  seams.Sleep = [](uint32_t) {};
  kxConfigSeams::SetSeamsForTesting(seams);
  TkxConfigManager store(true, u"Provider=SQLite;Data Source=" + ToUtf16((folder_ / "none.db").string()),
                         u"kx_configuration");
  EXPECT_TRUE(store.Message.Get().starts_with(u"error during database connection check (")) << ToUtf8(store.Message.Get());
  EXPECT_EQ(store.CacheSize, 1000);
  EXPECT_FALSE(store.SetCacheKeyId(u"/a", TIdType("ID")));  // no slots
}

}  // namespace
