// TkxConfigManager: key forms, the key-id cache and the change ticks.
#include "config/kxConfigManager.h"
#include "config/kxConfigManager_Internal.h"

using namespace kxConfigDetail;

namespace {

bool StartsWith(const UnicodeString& S, char16_t C) { return !S.empty() && S.front() == C; }
bool EndsWith(const UnicodeString& S, char16_t C) { return !S.empty() && S.back() == C; }

UnicodeString ReplaceAll(const UnicodeString& Text, std::u16string_view From, std::u16string_view To) {
  UnicodeString result;
  size_t start = 0;
  for (size_t pos; (pos = Text.find(From, start)) != UnicodeString::npos; start = pos + From.size()) {
    result.append(Text, start, pos - start);
    result.append(To);
  }
  result.append(Text, start, UnicodeString::npos);
  return result;
}

// The names of a key's named relative form; an empty key has none.
std::vector<UnicodeString> SplitNames(const UnicodeString& Key) {
  const UnicodeString rel = TkxConfigManager::Convert2NamedRelKey(Key);
  std::vector<UnicodeString> names;
  if (rel.empty()) return names;
  size_t start = 0;
  for (;;) {
    const size_t slash = rel.find(u'/', start);
    names.push_back(rel.substr(start, slash == UnicodeString::npos ? UnicodeString::npos : slash - start));
    if (slash == UnicodeString::npos) break;
    start = slash + 1;
  }
  return names;
}

// A tick count read back from the table (64-bit, or text) as the 32-bit count.
uint32_t TicksOf(const Variant& V) {
  try {
    return static_cast<uint32_t>(V.ToInt64());
  } catch (const Exception&) {
    return 0;
  }
}

constexpr char16_t kStatuses[] = u"/vanto/Classes/Statuses";
constexpr char16_t kChangeTicks[] = u"DatabaseChangeTicks";

}  // namespace

// ---- Key forms --------------------------------------------------------------------------

UnicodeString TkxConfigManager::PrepareKey(const UnicodeString& Key) {
  UnicodeString k = TrimKey(Key);
  if (StartsWith(k, u'/')) k.erase(0, 1);
  if (!k.empty() && !EndsWith(k, u'/')) k += u'/';
  return TrimKey(k);
}

UnicodeString TkxConfigManager::Convert2VisKey(const UnicodeString& Key) {
  UnicodeString k = TrimKey(Key);
  if (!k.empty()) {
    if (!StartsWith(k, u'/')) k.insert(k.begin(), u'/');
    if (EndsWith(k, u'/')) k.pop_back();
  }
  return k;
}

UnicodeString TkxConfigManager::Convert2NamedRelKey(const UnicodeString& Key) {
  UnicodeString k = TrimKey(Key);
  if (!k.empty()) {
    if (StartsWith(k, u'/')) k.erase(0, 1);
    if (EndsWith(k, u'/')) k.pop_back();
  }
  return k;
}

UnicodeString TkxConfigManager::EncodeKeyPart(const UnicodeString& KeyPart) {
  return ReplaceAll(KeyPart, u"/", u"%2F");
}

UnicodeString TkxConfigManager::DecodeKeyPart(const UnicodeString& KeyPart) {
  return ReplaceAll(KeyPart, u"%2F", u"/");
}

UnicodeString TkxConfigManager::GetNextLowerKey(const UnicodeString& Key) {
  const UnicodeString rel = Convert2NamedRelKey(Key);
  const size_t slash = rel.rfind(u'/');
  return Convert2VisKey(slash == UnicodeString::npos ? UnicodeString() : rel.substr(0, slash + 1));
}

TkxKeyCompareResult TkxConfigManager::CompareKeys(const UnicodeString& Key1, const UnicodeString& Key2) {
  const auto p1 = SplitNames(Key1);
  const auto p2 = SplitNames(Key2);
  const size_t c1 = p1.size(), c2 = p2.size();
  if (c2 < c1) return kxKCR_NoMatch;
  size_t m = 0;
  for (size_t i = 0; i < c1; ++i)
    if (p1[i] == u"*" || p1[i] == p2[i]) ++m;
  if (m == 0) return kxKCR_NoMatch;
  if (c1 == c2 && c2 == m) return kxKCR_Identical;
  if (c1 < c2 && m == c1) return c2 == c1 + 1 ? kxKCR_OneLevelLower : kxKCR_MoreThanOneLevelLower;
  return kxKCR_NoMatch;
}

// ---- Key-id cache -----------------------------------------------------------------------

bool TkxConfigManager::InitCache() {
  CacheGuard lock(*this);
  for (auto& slot : ConfigCache) slot = TConfigCacheRecord();
  return true;
}

bool TkxConfigManager::ResetCache() {
  InitCache();
  ResolveClassKeyIds(false);
  return true;
}

bool TkxConfigManager::GetCacheKeyId(const UnicodeString& Key, TIdType& KeyId, bool CheckState) {
  if (!CacheEnabled) return false;
  if (CheckState) CheckDatabaseChangeState();
  CacheGuard lock(*this);
  KeyId = TIdType();
  const uint32_t now = TickCount();
  for (auto& slot : ConfigCache) {
    if (!slot.Active || slot.Key != Key) continue;
    if (now - slot.Ticks < CacheLeaseTime) {
      KeyId = slot.KeyId;
      return true;
    }
    slot.Active = false;
  }
  return false;
}

bool TkxConfigManager::GetCacheKeyById(const TIdType& KeyId, UnicodeString& Key) {
  if (!CacheEnabled) return false;
  CheckDatabaseChangeState();
  CacheGuard lock(*this);
  Key.clear();
  const uint32_t now = TickCount();
  for (auto& slot : ConfigCache) {
    if (!slot.Active || !(slot.KeyId == KeyId)) continue;
    if (now - slot.Ticks < CacheLeaseTime) {
      Key = slot.Key;
      return true;
    }
    slot.Active = false;
  }
  return false;
}

bool TkxConfigManager::SetCacheKeyId(const UnicodeString& Key, const TIdType& KeyId) {
  if (!CacheEnabled || Key.empty()) return false;
  // A key that trims to nothing names no node: stored, it would answer the
  // walk of an empty key.
  const UnicodeString prepared = PrepareKey(Key);
  if (prepared.empty() || IsTIdStringEmpty(KeyId)) return false;
  TIdType live;
  if (GetCacheKeyId(prepared, live, false)) return false;
  CacheGuard lock(*this);
  for (auto& slot : ConfigCache) {
    if (slot.Active) continue;
    slot.Key = prepared;
    slot.KeyId = KeyId;
    slot.Ticks = TickCount();
    slot.Active = true;
    return true;
  }
  return false;
}

bool TkxConfigManager::RemoveKeyFromCache(const UnicodeString& Key) {
  const UnicodeString prepared = PrepareKey(Key);
  if (prepared.empty()) return true;
  CacheGuard lock(*this);
  for (auto& slot : ConfigCache)
    if (slot.Key.starts_with(prepared)) slot.Active = false;
  return true;
}

bool TkxConfigManager::RemoveKeyIdFromCache(const TIdType& KeyId) {
  CacheGuard lock(*this);
  for (auto& slot : ConfigCache)
    if (slot.KeyId == KeyId) {
      slot.Active = false;
      break;
    }
  return true;
}

// ---- Change ticks -----------------------------------------------------------------------

bool TkxConfigManager::SetDatabaseChangeState() {
  if (!z9Mode) return true;
  // Another process may have set the ticks since this store last looked:
  // what it changed must not stay cached here once this store's own ticks
  // hide its stamp.
  ResolveClassKeyIds(false);
  const TIdType status = [&] {
    DbGuard lock(*this);
    return KId_ClassesStatus;
  }();
  if (!IsTIdStringEmpty(status)) {
    const Variant stored = GetConfigValue(IdText(status), kChangeTicks,
                                          Variant::FromLongWord(LastDbChangeTicks), false);
    if (!stored.IsEmpty() && TicksOf(stored) != LastDbChangeTicks) ResetCache();
  }
  const uint32_t now = TickCount();
  const bool written = SetConfigValue(kStatuses, kChangeTicks, Variant::FromLongWord(now));
  LastDbChangeTicks = now;
  return written;
}

bool TkxConfigManager::CheckDatabaseChangeState() {
  ResolveClassKeyIds(false);
  const uint32_t now = TickCount();
  if (now - LastDbChangeTicksTest.load() <= CacheCheckTime) return true;
  LastDbChangeTicksTest = now;
  const TIdType status = [&] {
    DbGuard lock(*this);
    return KId_ClassesStatus;
  }();
  const uint32_t last = LastDbChangeTicks;
  const Variant stored = GetConfigValue(IdText(status), kChangeTicks, Variant::FromLongWord(last), true);
  const uint32_t ticks = TicksOf(stored);
  if (ticks == last) return true;
  LastDbChangeTicks = ticks;
  ResetCache();
  return false;
}

bool TkxConfigManager::SetSpecificDatabaseChangeState(const UnicodeString& Flag) {
  return SetConfigValue(kStatuses, Flag, Variant::FromLongWord(TickCount()));
}

bool TkxConfigManager::CheckSpecificDatabaseChangeState(const UnicodeString& Flag) {
  uint32_t remembered = 0;
  {
    CacheGuard lock(*this);
    for (const auto& f : DbChangeFlags)
      if (f.Flag == Flag) remembered = f.Ticks;
  }
  if (TickCount() - LastDbChangeTicksTest.load() <= CacheCheckTime) return true;
  ResolveClassKeyIds(false);
  const TIdType status = [&] {
    DbGuard lock(*this);
    return KId_ClassesStatus;
  }();
  const Variant stored = GetConfigValue(IdText(status), Flag, Variant::FromShortInt(-1), true);
  // Ticks come back as 64-bit numbers and -1 as itself: both compare as 32-bit counts.
  if (TicksOf(stored) == remembered) return true;
  const uint32_t stamp = TickCount();
  SetConfigValue(kStatuses, Flag, Variant::FromLongWord(stamp));
  CacheGuard lock(*this);
  for (auto& f : DbChangeFlags)
    if (f.Flag == Flag) {
      f.Ticks = stamp;
      return false;
    }
  DbChangeFlags.push_back({Flag, stamp});
  return false;
}
