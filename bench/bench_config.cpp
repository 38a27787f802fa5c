// The configuration store on SQLite, same table and engine on both sides:
//   - a cached GetConfigValue (the node's id from the cache, one query)
//     against the one prepared SELECT of the value through a data set;
//   - SetConfigValue of an unchanged value (one query) against a changed one
//     (a query and an update);
//   - GetCacheKeyId of the last key in a full 100,000-slot cache against a
//     plain scan of 100,000 texts (std::find).
#include <algorithm>
#include <filesystem>
#include <vector>

#include "bench/BenchRatio.h"
#include "config/kxConfigManager.h"
#include "config/kxConfigSchema.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"

namespace {

namespace db = kx::platform::db;
constexpr int kSlots = 100000;

const std::string& DatabaseFile() {
  static const std::string file = [] {
    const std::string name = kx::bench::ScratchName("bench_config") + ".db";
    std::filesystem::remove(name);
    db::CreateDatabase(ToUtf16(name));
    auto c = db::Connection::Open(ToUtf16("Provider=SQLite;Data Source=" + name), u"");
    CreateConfigTable(*c, u"kx_configuration", TST_V2);
    return name;
  }();
  return file;
}

UnicodeString ConnectionString() { return ToUtf16("Provider=SQLite;Data Source=" + DatabaseFile()); }

void BM_CachedGetConfigValue(benchmark::State& state) {
  TkxConfigManager store(false, ConnectionString(), u"kx_configuration");
  store.SetConfigValue(u"/bench/read", u"Value", Variant::FromInteger(42));
  for (auto _ : state)
    benchmark::DoNotOptimize(store.GetConfigValue(u"/bench/read", u"Value", Variant::FromInteger(0), false));
}
BENCHMARK(BM_CachedGetConfigValue)->UseRealTime();

void BM_PreparedSelect(benchmark::State& state) {
  TIdType node;
  {
    TkxConfigManager store(false, ConnectionString(), u"kx_configuration");
    store.SetConfigValue(u"/bench/read", u"Value", Variant::FromInteger(42));
    node = store.GetParentTreeId(u"/bench/read", false, false);
  }
  auto c = db::Connection::Open(ConnectionString(), u"");
  db::DataSet q(*c, u"SELECT * FROM kx_configuration WHERE KEYNAME = :KEYNAME AND PARENTID = :PARENTID");
  q.SetParam(u"KEYNAME", Variant::FromOleStr(u"Value"));
  q.SetParam(u"PARENTID", Variant::FromOleStr(ToUtf16(node.View())));
  for (auto _ : state) {
    q.Open();
    benchmark::DoNotOptimize(q.FieldByName(u"KEYVALUE").AsString());
    q.Close();
  }
}
BENCHMARK(BM_PreparedSelect)->UseRealTime();

void BM_UnchangedSetConfigValue(benchmark::State& state) {
  TkxConfigManager store(false, ConnectionString(), u"kx_configuration");
  for (auto _ : state) store.SetConfigValue(u"/bench/write", u"Same", Variant::FromInteger(1));
}
BENCHMARK(BM_UnchangedSetConfigValue)->UseRealTime();

void BM_ChangedSetConfigValue(benchmark::State& state) {
  TkxConfigManager store(false, ConnectionString(), u"kx_configuration");
  int32_t i = 0;
  for (auto _ : state) store.SetConfigValue(u"/bench/write", u"Changed", Variant::FromInteger(++i));
}
BENCHMARK(BM_ChangedSetConfigValue)->UseRealTime();

std::vector<UnicodeString> SlotKeys() {
  std::vector<UnicodeString> keys;
  for (int i = 0; i < kSlots; ++i) keys.push_back(u"vanto/Bench/key" + ToUtf16(std::to_string(i)) + u"/");
  return keys;
}

void BM_GetCacheKeyIdFullCache(benchmark::State& state) {
  {
    TkxConfigManager setup(false, ConnectionString(), u"kx_configuration");
    setup.SetConfigValue(u"/vanto/Software/Basics/Common", u"ConfigCacheSize", Variant::FromInteger(kSlots));
  }
  TkxConfigManager store(true, ConnectionString(), u"kx_configuration");
  store.InitCache();
  const auto keys = SlotKeys();
  for (const auto& key : keys) store.SetCacheKeyId(key, TIdType("0123456789ABCDEF0123456789ABCDEF"));
  TIdType id;
  for (auto _ : state) benchmark::DoNotOptimize(store.GetCacheKeyId(keys.back(), id, false));
  if (store.CacheSize != kSlots || !store.GetCacheKeyId(keys.back(), id, false))
    state.SkipWithError("the cache does not hold 100,000 live slots");
}
BENCHMARK(BM_GetCacheKeyIdFullCache)->UseRealTime();

void BM_ScanOfTexts(benchmark::State& state) {
  const auto keys = SlotKeys();
  const UnicodeString last = keys.back();
  for (auto _ : state) benchmark::DoNotOptimize(std::find(keys.begin(), keys.end(), last));
}
BENCHMARK(BM_ScanOfTexts)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const int code = kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_CachedGetConfigValue", "BM_PreparedSelect", "one prepared SELECT", true},
       {"BM_UnchangedSetConfigValue", "BM_ChangedSetConfigValue", "a changed value", true},
       {"BM_GetCacheKeyIdFullCache", "BM_ScanOfTexts", "std::find over 100,000 texts", true}});
  std::filesystem::remove(DatabaseFile());
  std::filesystem::remove(DatabaseFile() + "-wal");
  std::filesystem::remove(DatabaseFile() + "-shm");
  return code;
}
