// config/kxConfigManager_Internal.h — what the areas of TkxConfigManager
// share: the two lock guards, the seams' clock, sleep and time, and small
// helpers for ids and statements. Not for use outside config/.
#pragma once

#include <cstdint>
#include <string_view>

#include "config/kxConfigManager.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"

namespace kxConfigDetail {

uint32_t TickCount();
void SleepMs(uint32_t Ms);
TDateTime NowTime();

// Per-thread depth of CacheLock holdings; DatabaseLock is never taken under
// CacheLock (checked in debug builds).
int& CacheDepth();

// Letters, digits and "_", with at most one "schema." prefix.
bool IsValidTableName(std::u16string_view Name);

inline UnicodeString IdText(const TIdType& Id) { return ToUtf16(Id.View()); }
inline Variant IdValue(const TIdType& Id) { return Variant::FromOleStr(IdText(Id)); }
inline Variant TextValue(const UnicodeString& Text) { return Variant::FromOleStr(Text); }
TIdType IdOf(const UnicodeString& Text);
// White space and control characters trimmed (keys); blanks (names).
UnicodeString TrimKey(std::u16string_view Text);
UnicodeString TrimName(std::u16string_view Text);

// The names of a prepared key ("a/b/" gives "a", "b"; "a//" gives "a", "").
std::vector<UnicodeString> KeyNames(const UnicodeString& PreparedKey);

// "yyyymmddhhnnsszzz" of the seams' current time.
UnicodeString TimeStampText();

}  // namespace kxConfigDetail

// DatabaseLock for one scope.
class TkxConfigManager::DbGuard {
 public:
  explicit DbGuard(TkxConfigManager& Store);
  ~DbGuard() { store_.DatabaseLock.unlock(); }
  DbGuard(const DbGuard&) = delete;
  DbGuard& operator=(const DbGuard&) = delete;

 private:
  TkxConfigManager& store_;
};

// CacheLock for one scope.
class TkxConfigManager::CacheGuard {
 public:
  explicit CacheGuard(TkxConfigManager& Store) : store_(Store) {
    store_.CacheLock.lock();
    ++kxConfigDetail::CacheDepth();
  }
  ~CacheGuard() {
    --kxConfigDetail::CacheDepth();
    store_.CacheLock.unlock();
  }
  CacheGuard(const CacheGuard&) = delete;
  CacheGuard& operator=(const CacheGuard&) = delete;

 private:
  TkxConfigManager& store_;
};
