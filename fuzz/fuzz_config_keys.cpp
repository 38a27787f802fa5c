// Configuration keys: whatever two keys hold, the key forms, the comparison
// and the key-id cache end without a crash and keep their rules: a prepared
// key is empty or ends with "/", the visible form starts with "/", a key
// compares identical to itself when it has names, and a key stored in the
// cache is found under its prepared form until it is removed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "config/kxConfigManager.h"
#include "platform/rtl/Text.h"

namespace {

TkxConfigManager& Store() {
  // No database: the cache works without one.
  static TkxConfigManager* store = [] {
    kxConfigSeams::Seams seams;
    seams.Sleep = [](uint32_t) {};
    kxConfigSeams::SetSeamsForTesting(seams);
    return new TkxConfigManager(false, u"Provider=SQLite;Data Source=/nonexistent/fuzz.db", u"kx_configuration");
  }();
  return *store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const size_t cut = bytes.find('\n');
  const UnicodeString key1 = ToUtf16(bytes.substr(0, cut));
  const UnicodeString key2 = cut == std::string_view::npos ? UnicodeString() : ToUtf16(bytes.substr(cut + 1));

  const UnicodeString prepared = TkxConfigManager::PrepareKey(key1);
  if (!prepared.empty() && prepared.back() != u'/') std::abort();
  const UnicodeString visible = TkxConfigManager::Convert2VisKey(key1);
  if (!visible.empty() && visible.front() != u'/') std::abort();
  TkxConfigManager::Convert2NamedRelKey(key1);
  TkxConfigManager::GetNextLowerKey(key1);
  if (TkxConfigManager::DecodeKeyPart(TkxConfigManager::EncodeKeyPart(key2)).size() < key2.size()) std::abort();
  TkxConfigManager::CompareKeys(key1, key2);
  if (!TkxConfigManager::Convert2NamedRelKey(key1).empty() &&
      TkxConfigManager::CompareKeys(key1, key1) != kxKCR_Identical)
    std::abort();

  TkxConfigManager& store = Store();
  store.InitCache();
  if (store.SetCacheKeyId(key1, TIdType("FUZZ"))) {
    TIdType id;
    if (!store.GetCacheKeyId(prepared, id, false) || !(id == TIdType("FUZZ"))) std::abort();
    store.RemoveKeyFromCache(key1);
    if (store.GetCacheKeyId(prepared, id, false)) std::abort();
  }
  return 0;
}
