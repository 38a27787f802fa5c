// Key forms, the small texts and the key-id cache (with the store's clock
// seam) — nothing here needs a table.
#include <gtest/gtest.h>

#include <atomic>

#include "config/kxConfigManager.h"

namespace {

TEST(ConfigKeys, Forms) {
  struct Case { UnicodeString key, prepared, visible, namedRel, nextLower; };
  const Case cases[] = {
      {u" /a/b ", u"a/b/", u"/a/b", u"a/b", u"/a"},
      {u"//a", u"/a/", u"//a", u"/a", u""},
      {u"/", u"", u"", u"", u""},
      {u"", u"", u"", u"", u""},
      {u" \t ", u"", u"", u"", u""},
      {u"a", u"a/", u"/a", u"a", u""},
      {u"a/b/", u"a/b/", u"/a/b", u"a/b", u"/a"},
      {u"\x7f/a/b/c\u0085", u"a/b/c/", u"/a/b/c", u"a/b/c", u"/a/b"},  // control characters trim too
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TkxConfigManager::PrepareKey(c.key), c.prepared) << ToUtf8(c.key);
    EXPECT_EQ(TkxConfigManager::Convert2VisKey(c.key), c.visible) << ToUtf8(c.key);
    EXPECT_EQ(TkxConfigManager::Convert2NamedRelKey(c.key), c.namedRel) << ToUtf8(c.key);
    EXPECT_EQ(TkxConfigManager::GetNextLowerKey(c.key), c.nextLower) << ToUtf8(c.key);
  }
  EXPECT_EQ(TkxConfigManager::EncodeKeyPart(u"a/b/"), u"a%2Fb%2F");
  EXPECT_EQ(TkxConfigManager::DecodeKeyPart(u"a%2Fb"), u"a/b");
  EXPECT_EQ(TkxConfigManager::DecodeKeyPart(u"a%2fb"), u"a%2fb");  // only the upper-case F
}

TEST(ConfigKeys, CompareKeys) {
  struct Case { UnicodeString k1, k2; TkxKeyCompareResult want; };
  const Case cases[] = {
      {u"/a", u"/a/b", kxKCR_OneLevelLower},
      {u"/a", u"/a/b/c", kxKCR_MoreThanOneLevelLower},
      {u"/a/*", u"/a/x", kxKCR_Identical},
      {u"/a/x", u"/a/*", kxKCR_NoMatch},  // "*" is a wildcard in Key1 only
      {u"/a/b", u"/a", kxKCR_NoMatch},
      {u"", u"", kxKCR_NoMatch},
      {u"/a/b", u"a/b/", kxKCR_Identical},
      {u"/a/b", u"/a/c", kxKCR_NoMatch},
      {u"/A", u"/a/b", kxKCR_NoMatch},  // exact names
      {u"/x/b", u"/a/b/c", kxKCR_NoMatch},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxConfigManager::CompareKeys(c.k1, c.k2), c.want) << ToUtf8(c.k1) << " / " << ToUtf8(c.k2);
}

TEST(ConfigKeys, SmallTexts) {
  EXPECT_EQ(TkxConfigManager::GetExportFormatVersion(u"1.5"), kxEFV_V1_5);
  EXPECT_EQ(TkxConfigManager::GetExportFormatVersion(u"1.2"), kxEFV_V1_2);
  EXPECT_EQ(TkxConfigManager::GetExportFormatVersion(u"1.50"), kxEFV_Unknown);
  EXPECT_EQ(TkxConfigManager::GetExportFormatVersion(u" 1.5"), kxEFV_Unknown);
  EXPECT_EQ(TkxConfigManager::GetExportFormatVersionStr(kxEFV_V1_3), u"1.3");
  EXPECT_EQ(TkxConfigManager::GetExportFormatVersionStr(kxEFV_Unknown), u"Unknown");
  EXPECT_EQ(TkxConfigManager::GetPackageDescriptionType(u"markdown"), kxPDT_MarkDown);
  EXPECT_EQ(TkxConfigManager::GetPackageDescriptionType(u"text"), kxPDT_Unknown);
  EXPECT_EQ(TkxConfigManager::GetPackageDescriptionTypeStr(kxPDT_RichText), u"RichText");
  EXPECT_EQ(TkxConfigManager::GetPackageDescriptionTypeStr(kxPDT_Unknown), u"");
  EXPECT_EQ(TkxConfigManager::Z9PathToWindowsPath(u"/a/b c/"), u"\\a\\b c\\");
  EXPECT_EQ(TDataTypeStr("LONGWORDX").View(), "LONGWORD");
  EXPECT_TRUE(TkxConfigManager::IsTIdStringEmpty(TIdType("  ")));
}

// A store without a database: its cache works all the same.
class ConfigCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kxConfigSeams::Seams seams;
    seams.TickCount = [this] { return now_.load(); };
    seams.Sleep = [](uint32_t) {};
    kxConfigSeams::SetSeamsForTesting(seams);
    store_ = std::make_unique<TkxConfigManager>(false, u"Provider=SQLite;Data Source=/nonexistent/x.db",
                                                u"kx_configuration");
  }
  void TearDown() override {
    store_.reset();
    kxConfigSeams::SetSeamsForTesting({});
  }
  bool Lookup(const UnicodeString& Key, TIdType& Id) { return store_->GetCacheKeyId(Key, Id, false); }

  std::atomic<uint32_t> now_{1000};
  std::unique_ptr<TkxConfigManager> store_;
};

TEST_F(ConfigCacheTest, LeaseEdgesAndWrap) {
  for (const uint32_t start : {1000u, 0xFFFFFF00u}) {  // the second wraps at 2^32
    store_->InitCache();
    now_ = start;
    ASSERT_TRUE(store_->SetCacheKeyId(u"/a/b", TIdType("ID1")));
    TIdType id;
    now_ = start + 599999;
    EXPECT_TRUE(Lookup(u"a/b/", id)) << start;
    EXPECT_EQ(id, TIdType("ID1"));
    now_ = start + 600000;
    EXPECT_FALSE(Lookup(u"a/b/", id)) << start;
    EXPECT_TRUE(id.IsEmpty());
    now_ = start;  // the slot was made inactive by the expired lookup
    EXPECT_FALSE(Lookup(u"a/b/", id)) << start;
  }
}

TEST_F(ConfigCacheTest, StoringRules) {
  EXPECT_TRUE(store_->SetCacheKeyId(u"/a", TIdType("ID1")));
  EXPECT_FALSE(store_->SetCacheKeyId(u"a/", TIdType("ID2")));  // a live slot is never replaced
  EXPECT_FALSE(store_->SetCacheKeyId(u"/b", TIdType(" ")));
  EXPECT_FALSE(store_->SetCacheKeyId(u"", TIdType("ID3")));
  EXPECT_FALSE(store_->SetCacheKeyId(u" \x16/ ", TIdType("ID3")));  // trims to no key
  TIdType id;
  EXPECT_TRUE(Lookup(u"a/", id));
  EXPECT_EQ(id, TIdType("ID1"));

  store_->CacheEnabled = false;
  id = TIdType("KEEP");
  EXPECT_FALSE(store_->SetCacheKeyId(u"/c", TIdType("ID4")));
  EXPECT_FALSE(Lookup(u"a/", id));
  EXPECT_EQ(id, TIdType("KEEP"));
}

TEST_F(ConfigCacheTest, FullCacheTakesNoMore) {
  for (int i = 0; i < 1000; ++i)
    ASSERT_TRUE(store_->SetCacheKeyId(u"/k" + ToUtf16(std::to_string(i)), TIdType("ID")));
  EXPECT_FALSE(store_->SetCacheKeyId(u"/new", TIdType("ID")));
  now_ = now_ + 600000;  // everything expired, but only lookups free slots
  EXPECT_FALSE(store_->SetCacheKeyId(u"/new", TIdType("ID")));
  TIdType id;
  EXPECT_FALSE(Lookup(u"k7/", id));
  EXPECT_TRUE(store_->SetCacheKeyId(u"/new", TIdType("ID")));
}

TEST_F(ConfigCacheTest, Removing) {
  store_->SetCacheKeyId(u"/vanto/Classes/Statuses", TIdType("S"));
  store_->SetCacheKeyId(u"/vanto/ClassesX", TIdType("X"));
  store_->SetCacheKeyId(u"/vanto/Classes", TIdType("C"));
  store_->RemoveKeyFromCache(u"/vanto/Classes");
  TIdType id;
  EXPECT_FALSE(Lookup(u"vanto/Classes/Statuses/", id));
  EXPECT_FALSE(Lookup(u"vanto/Classes/", id));
  EXPECT_TRUE(Lookup(u"vanto/ClassesX/", id));
  store_->RemoveKeyIdFromCache(TIdType("X"));
  EXPECT_FALSE(Lookup(u"vanto/ClassesX/", id));
}

TEST_F(ConfigCacheTest, StoreWithoutDatabase) {
  // Creation never raises; operations fail with the error convention.
  EXPECT_TRUE(store_->Message.Get().starts_with(u"ado connection exception (")) << ToUtf8(store_->Message.Get());
  EXPECT_EQ(store_->TableStructureType, TST_V1);
  EXPECT_FALSE(store_->IsConnected());
  EXPECT_TRUE(store_->GetConfigValue(u"/a", u"b", Variant::FromInteger(1), false).IsEmpty());
  EXPECT_FALSE(store_->SetConfigValue(u"/a", u"b", Variant::FromInteger(1)));
  store_->RaiseExceptions = true;
  EXPECT_THROW(store_->SetConfigValue(u"/a", u"b", Variant::FromInteger(1)), Exception);
}

TEST(ConfigStoreName, RefusedTableNames) {
  for (const char16_t* name : {u"t; DROP TABLE x", u"a.b.c", u"", u"t-1", u"t x", u".t"}) {
    TkxConfigManager store(false, u"Provider=SQLite;Data Source=/nonexistent/x.db", name);
    EXPECT_EQ(store.Message.Get(), u"invalid table name") << ToUtf8(name);
    EXPECT_FALSE(store.IsConnected());
    EXPECT_FALSE(store.SetConfigValue(u"/a", u"b", Variant::FromInteger(1)));
    EXPECT_EQ(store.Message.Get(), u"invalid table name");
  }
}

}  // namespace
