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

    // The values of a node, read by name without regard to case.
    TkxConfigValues values;
    ASSERT_TRUE(store->GetNodeProperties(u"/vanto/Software/Basics/Common", values));
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].DataType, u"INT");
    EXPECT_EQ(kxConfigAccess::GetPropertyValueByName(u"docloglevel", Variant::FromInteger(0), values).ToInteger(), 4);
    EXPECT_EQ(kxConfigAccess::GetPropertyValueByName(u"Other", Variant::FromInteger(7), values).ToInteger(), 7);
    // A missing node is not made.
    EXPECT_TRUE(store->GetNodeProperties(u"/vanto/Nowhere", values));
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(store->GetConfigValue(u"/vanto/Nowhere", u"x", Variant::FromInteger(9), false).ToInteger(), 9);
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
