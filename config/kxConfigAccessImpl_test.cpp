// The store as the environment layer reaches it, before and after the
// registration.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "config/kxConfigAccessImpl.h"
#include "config/kxConfigManager.h"
#include "config/kxConfigSchema.h"
#include "environment/kxConfigAccess.h"
#include "platform/db/Connection.h"

namespace {

namespace db = kx::platform::db;

TEST(ConfigAccess, OpensTheRegisteredStore) {
  UnregisterConfigAccess();
  EXPECT_FALSE(kxConfigAccess::IsRegistered());
  EXPECT_THROW(kxConfigAccess::OpenConfigStore(false, u"", u"kx_configuration"), Exception);

  const std::string file = (std::filesystem::path(std::getenv("TMPDIR")) / "access.db").string();
  std::filesystem::remove(file);
  db::CreateDatabase(ToUtf16(file));
  const UnicodeString cs = u"Provider=SQLite;Data Source=" + ToUtf16(file);
  CreateConfigTable(*db::Connection::Open(cs, u""), u"kx_configuration", TST_V1);

  RegisterConfigAccess();
  {
    auto store = kxConfigAccess::OpenConfigStore(false, cs, u"kx_configuration");
    ASSERT_TRUE(store->IsConnected());
    EXPECT_EQ(store->Message(), u"database connection is online");
    store->SetCacheEnabled(false);
    EXPECT_EQ(store->GetConfigValue(u"/vanto/Software/Basics/Common", u"DocLogLevel", Variant::FromInteger(4), true)
                  .ToInteger(),
              4);
    store->SetRaiseExceptions(true);
    EXPECT_EQ(store->GetConfigValue(u"/vanto/Software/Basics/Common", u"DocLogLevel", Variant::FromInteger(0), false)
                  .ToInteger(),
              4);  // stored by the first read
  }
  {
    // A store whose table is gone: an error raises with RaiseExceptions on.
    auto store = kxConfigAccess::OpenConfigStore(false, cs, u"no_such_table");
    store->SetRaiseExceptions(true);
    kxConfigSeams::Seams seams;
    seams.Sleep = [](uint32_t) {};
    kxConfigSeams::SetSeamsForTesting(seams);
    EXPECT_THROW(store->GetConfigValue(u"/a", u"b", Variant::FromInteger(1), false), Exception);
    kxConfigSeams::SetSeamsForTesting({});
  }
  UnregisterConfigAccess();
  EXPECT_FALSE(kxConfigAccess::IsRegistered());
}

}  // namespace
