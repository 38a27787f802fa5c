#include "platform/rtl/HashedStringList.h"

#include <string_view>
#include <unordered_map>

#include "platform/rtl/CaseMapping.h"

// The key form of every entry (its text or its name; upper-cased unless case
// counts) to the first index that has it, with the settings it was built
// under.
struct THashedStringList::KeyIndex {
  bool CaseSensitive = false;
  char16_t Separator = u'=';
  std::unordered_map<UnicodeString, int32_t> First;
};

THashedStringList::THashedStringList(bool OwnsObjects) : TStringList(OwnsObjects) {}

THashedStringList::~THashedStringList() = default;

int32_t THashedStringList::IndexOf(const UnicodeString& Value) const {
  return Lookup(texts_, false, Value);
}

int32_t THashedStringList::IndexOfName(const UnicodeString& Name) const {
  return Lookup(names_, true, Name);
}

void THashedStringList::Changed() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    texts_.reset();
    names_.reset();
  }
  TStringList::Changed();
}

int32_t THashedStringList::Lookup(std::unique_ptr<KeyIndex>& Index, bool ByName,
                                  const UnicodeString& Key) const {
  const bool caseSensitive = CaseSensitive();
  const char16_t separator = NameValueSeparator();
  auto keyForm = [caseSensitive](std::u16string_view text) {
    return caseSensitive ? UnicodeString(text) : UpperText(text);
  };
  const UnicodeString wanted = keyForm(Key);

  std::lock_guard<std::mutex> guard(lock_);
  if (!Index || Index->CaseSensitive != caseSensitive || Index->Separator != separator) {
    auto built = std::make_unique<KeyIndex>();
    built->CaseSensitive = caseSensitive;
    built->Separator = separator;
    const int32_t n = Count();
    built->First.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
      std::u16string_view text = Strings(i);
      if (ByName) {
        const size_t sep = text.find(separator);
        if (sep == std::u16string_view::npos) continue;
        text = text.substr(0, sep);
      }
      built->First.emplace(keyForm(text), i);  // keeps the first index of a key
    }
    Index = std::move(built);
  }
  const auto found = Index->First.find(wanted);
  return found == Index->First.end() ? -1 : found->second;
}
