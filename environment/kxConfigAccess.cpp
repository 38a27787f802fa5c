#include "environment/kxConfigAccess.h"

#include <atomic>

#include "platform/rtl/Exceptions.h"

namespace {
std::atomic<kxConfigAccess::OpenProc> g_open{nullptr};
}  // namespace

void kxConfigAccess::Register(OpenProc Open) { g_open = Open; }

bool kxConfigAccess::IsRegistered() { return g_open.load() != nullptr; }

std::unique_ptr<IkxConfigStore> kxConfigAccess::OpenConfigStore(bool z9Init, const UnicodeString& UserConStr,
                                                                const UnicodeString& TableName) {
  const OpenProc open = g_open.load();
  if (open == nullptr) throw Exception(u"configuration store is not available");
  return open(z9Init, UserConStr, TableName);
}
