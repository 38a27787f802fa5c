#include "platform/rtl/Collation.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/stringpiece.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <memory>
#include <type_traits>

namespace kx::platform::detail {

std::string CollationLocaleName(std::string_view Posix) {
  // "language_TERRITORY.codeset@modifier": ICU wants neither codeset nor
  // modifier ("@euro" is no ICU keyword).
  std::string name(Posix.substr(0, Posix.find_first_of(".@")));
  if (name.empty() || name == "C" || name == "POSIX") return {};
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

}  // namespace kx::platform::detail

namespace {

using kx::platform::detail::CollationLocaleName;

std::string ProcessCollationLocale() {
  // A program that chose a locale with setlocale() has the last word; a host
  // that never called it still runs in "C", and then the environment tells
  // which locale the user asked for.
  if (const char* current = std::setlocale(LC_COLLATE, nullptr); current != nullptr) {
    std::string name = CollationLocaleName(current);
    if (!name.empty()) return name;
  }
  for (const char* var : {"LC_ALL", "LC_COLLATE", "LANG"}) {
    const char* value = std::getenv(var);
    if (value != nullptr && *value != '\0') return CollationLocaleName(value);
  }
  return {};
}

std::unique_ptr<icu::Collator> MakeCollator(const std::string& localeName,
                                            icu::Collator::ECollationStrength strength) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> collator(
      localeName.empty() ? icu::Collator::createInstance(icu::Locale::getRoot(), status)
                         : icu::Collator::createInstance(icu::Locale(localeName.c_str()), status));
  if (U_FAILURE(status)) return nullptr;
  collator->setStrength(strength);
  return collator;
}

// Made once; compare() on a const ICU collator is safe from several threads.
struct Collators {
  std::unique_ptr<const icu::Collator> exact;       // tertiary: case counts
  std::unique_ptr<const icu::Collator> ignoreCase;  // secondary
};

const Collators& ProcessCollators() {
  static const Collators collators = [] {
    const std::string locale = ProcessCollationLocale();
    return Collators{MakeCollator(locale, icu::Collator::TERTIARY),
                     MakeCollator(locale, icu::Collator::SECONDARY)};
  }();
  return collators;
}

int32_t Sign(int64_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

int32_t Collate(const icu::Collator& c, const UnicodeString& S1, const UnicodeString& S2) {
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult r =
      c.compare(S1.data(), static_cast<int32_t>(S1.size()), S2.data(),
                static_cast<int32_t>(S2.size()), status);
  return static_cast<int32_t>(r);
}

int32_t Collate(const icu::Collator& c, const AnsiString& S1, const AnsiString& S2) {
  // ICU reads invalid UTF-8 as U+FFFD; only texts without such bytes may skip
  // the codec, where both ways give the same order.
  if (IsValidUtf8(S1) && IsValidUtf8(S2)) {
    UErrorCode status = U_ZERO_ERROR;
    return static_cast<int32_t>(
        c.compareUTF8(icu::StringPiece(S1.data(), static_cast<int32_t>(S1.size())),
                      icu::StringPiece(S2.data(), static_cast<int32_t>(S2.size())), status));
  }
  return Collate(c, ToUtf16(S1), ToUtf16(S2));
}

template <class S>
int32_t OrdinalCompare(const S& S1, const S& S2, bool mapAsciiLetters) {
  using U = std::make_unsigned_t<typename S::value_type>;
  const size_t n = std::min(S1.size(), S2.size());
  for (size_t i = 0; i < n; ++i) {
    uint32_t a = static_cast<U>(S1[i]);
    uint32_t b = static_cast<U>(S2[i]);
    if (mapAsciiLetters) {
      if (a >= 'a' && a <= 'z') a -= 'a' - 'A';
      if (b >= 'a' && b <= 'z') b -= 'a' - 'A';
    }
    if (a != b) return static_cast<int32_t>(a) - static_cast<int32_t>(b);
  }
  return Sign(static_cast<int64_t>(S1.size()) - static_cast<int64_t>(S2.size()));
}

}  // namespace

int32_t AnsiCompareStr(const UnicodeString& S1, const UnicodeString& S2) {
  const auto& c = ProcessCollators().exact;
  return c ? Collate(*c, S1, S2) : Sign(CompareStr(S1, S2));
}

int32_t AnsiCompareStr(const AnsiString& S1, const AnsiString& S2) {
  const auto& c = ProcessCollators().exact;
  return c ? Collate(*c, S1, S2) : Sign(CompareStr(S1, S2));
}

int32_t AnsiCompareText(const UnicodeString& S1, const UnicodeString& S2) {
  const auto& c = ProcessCollators().ignoreCase;
  return c ? Collate(*c, S1, S2) : Sign(CompareText(S1, S2));
}

int32_t AnsiCompareText(const AnsiString& S1, const AnsiString& S2) {
  const auto& c = ProcessCollators().ignoreCase;
  return c ? Collate(*c, S1, S2) : Sign(CompareText(S1, S2));
}

bool AnsiSameText(const UnicodeString& S1, const UnicodeString& S2) {
  return AnsiCompareText(S1, S2) == 0;
}

bool AnsiSameText(const AnsiString& S1, const AnsiString& S2) {
  return AnsiCompareText(S1, S2) == 0;
}

int32_t CompareStr(const UnicodeString& S1, const UnicodeString& S2) {
  return OrdinalCompare(S1, S2, false);
}

int32_t CompareStr(const AnsiString& S1, const AnsiString& S2) {
  return OrdinalCompare(S1, S2, false);
}

int32_t CompareText(const UnicodeString& S1, const UnicodeString& S2) {
  return OrdinalCompare(S1, S2, true);
}

int32_t CompareText(const AnsiString& S1, const AnsiString& S2) {
  return OrdinalCompare(S1, S2, true);
}

bool SameText(const UnicodeString& S1, const UnicodeString& S2) { return CompareText(S1, S2) == 0; }

bool SameText(const AnsiString& S1, const AnsiString& S2) { return CompareText(S1, S2) == 0; }
