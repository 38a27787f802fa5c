#include "platform/resources/Resources.h"

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"

namespace kx::platform {

// Defined by the table that kx_add_resources makes; absent (null) in a
// module that links none.
extern const ResourceTable kxModuleResources __attribute__((weak));

namespace {

bool SameWithoutCase(std::u16string_view A, std::u16string_view B) {
  return A.size() == B.size() && UpperText(A) == UpperText(B);
}

}  // namespace

std::string_view FindResource(std::u16string_view Name, std::u16string_view Type) {
  if (&kxModuleResources != nullptr) {
    for (size_t i = 0; i < kxModuleResources.Count; ++i) {
      const ResourceEntry& entry = kxModuleResources.Entries[i];
      if (SameWithoutCase(ToUtf16(entry.Name), Name) && SameWithoutCase(ToUtf16(entry.Type), Type))
        return {reinterpret_cast<const char*>(entry.Data), entry.Size};
    }
  }
  throw EResNotFound(u"Resource " + UnicodeString(Name) + u" of type " + UnicodeString(Type) +
                     u" not found");
}

}  // namespace kx::platform
