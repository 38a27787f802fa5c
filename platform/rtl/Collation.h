// platform/rtl/Collation.h — comparing texts: the locale-aware comparison used
// for sorting and sorted lookups, and the plain ordinal comparison.
//
// Every function answers a negative number, 0 or a positive number, as S1
// sorts before, equal to or after S2. 8-bit texts are UTF-8 (the system code
// page) and decode through the codec of Text.h, so raw bytes take part too.
//
// The locale-aware functions (Ansi...) compare with ICU's collator for the
// process locale: the collation locale chosen with setlocale() when it is not
// "C", else the first of LC_ALL, LC_COLLATE and LANG that is set and not
// empty. Under the C or POSIX locale (or none) they use ICU's root collation,
// never the POSIX tailoring, so letters sort alphabetically and not in ASCII
// order:
//   AnsiCompareStr(u"a", u"B") < 0;  AnsiCompareStr(u"b", u"B") < 0
//   AnsiCompareText(u"b", u"B") == 0
// The case-sensitive comparison uses tertiary strength, the case-ignoring one
// secondary strength, so accents count in both. Collation may treat texts
// that differ as equal (control characters are ignorable: "a\x01b" equals
// "ab"); use CompareStr where only identical texts may match.
// The collators are made once per process, on first use; the functions are
// safe to call from any thread. Should ICU have no collation data, the
// comparisons fall back to CompareStr and CompareText.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/Text.h"

// Locale-aware, case counts.
int32_t AnsiCompareStr(const UnicodeString& S1, const UnicodeString& S2);
int32_t AnsiCompareStr(const AnsiString& S1, const AnsiString& S2);
// Locale-aware, case ignored.
int32_t AnsiCompareText(const UnicodeString& S1, const UnicodeString& S2);
int32_t AnsiCompareText(const AnsiString& S1, const AnsiString& S2);
// AnsiCompareText(S1, S2) == 0.
bool AnsiSameText(const UnicodeString& S1, const UnicodeString& S2);
bool AnsiSameText(const AnsiString& S1, const AnsiString& S2);

// Ordinal: code unit by code unit (bytes unsigned); a text that is a prefix
// of the other sorts first.
//   CompareStr(u"B", u"a") < 0;  CompareStr(u"a", u"ab") < 0
int32_t CompareStr(const UnicodeString& S1, const UnicodeString& S2);
int32_t CompareStr(const AnsiString& S1, const AnsiString& S2);
// Ordinal with "a" to "z" mapped to "A" to "Z" and nothing else, so the
// result is the same under every locale:
//   CompareText(u"abc", u"ABC") == 0;  CompareText(u"ä", u"Ä") != 0
//   CompareText(u"a", u"_") < 0   ("a" counts as "A", which is below "_")
int32_t CompareText(const UnicodeString& S1, const UnicodeString& S2);
int32_t CompareText(const AnsiString& S1, const AnsiString& S2);
// CompareText(S1, S2) == 0.
bool SameText(const UnicodeString& S1, const UnicodeString& S2);
bool SameText(const AnsiString& S1, const AnsiString& S2);

namespace kx::platform::detail {
// The ICU locale name whose collation serves the POSIX locale name Posix:
// "de_DE.UTF-8@euro" and "de-DE" give "de_DE"; "", "C", "POSIX" and their
// ".codeset" forms give the empty name, which means the root collation.
std::string CollationLocaleName(std::string_view Posix);
}  // namespace kx::platform::detail
