// system/kxRegistry.h — TkxRegistry: single registry values as variants, and
// keys, over the registry store (platform/registry/Registry.h).
//
// No operation lets an error out: reads fall back to Default, writes and
// tests to false. Every call reads the hive afresh; nothing is cached.
//
// How values are stored (SetValue) and read (GetValue):
//   Value's type code            stored as
//   2, 3, 16, 17, 18, 19, 20     REG_DWORD: a long word (19) as its 32-bit
//                                pattern, a 64-bit integer (20) only when it
//                                fits a signed 32-bit integer (else false)
//   4, 5, 6                      REG_SZ: TkxConversion::RealToStr(value, -1)
//   7                            REG_SZ: the date as "yyyy-mm-dd" (no time)
//   11                           REG_DWORD 1 or 0
//   Empty                        REG_SZ ""
//   Null, arrays                 nothing: false
//   any other                    REG_SZ: the value's text (VarToStr)
//
//   stored type        GetValue gives
//   REG_SZ,            with a Default of type 4, 5 or 6: the text read by
//   REG_EXPAND_SZ      TkxConversion::StrToReal as a double ("" gives 0,
//                      another non-number Default); type 7: a date by the
//                      formats "yyyy-mm-dd", "dd.mm.yyyy" and the short date
//                      format, unreadable text the date 0 (30 December 1899);
//                      any other: the text (258). An expandable string is not
//                      expanded; the text ends at its first zero unit.
//   REG_DWORD          a Boolean for a Default of type 11, else an integer (3)
//   REG_BINARY         an 8-bit string (256) of the bytes as they are
//   any other          the data as zero-terminated UTF-16 strings, each
//                      followed by CR LF (258); "" when it holds no string,
//                      Default when it is empty; an odd last byte is dropped
// So the result's type follows the stored type; Default only chooses between
// number, date and text for stored strings and between Boolean and integer
// for stored numbers.
#pragma once

#include "platform/registry/Registry.h"
#include "platform/rtl/Guid.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"

namespace TkxRegistry {

// The value Attribute of Key (see above); Default when the key or the value
// is missing or cannot be read. A missing key is never created; with
// CanCreate a missing value of an existing key is stored as Default
// (SetValue(..., Default, false)).
Variant GetValue(HKEY MyRootKey, const UnicodeString& Key, const UnicodeString& Attribute,
                 const Variant& Default, bool CanCreate);

// Stores Value (see above), creating Key when missing. With Verify the value
// is read back and compared: types 4 to 7 with the text written, Booleans as
// Booleans, the others with Value (so a long word above 2^31-1 fails).
bool SetValue(HKEY MyRootKey, const UnicodeString& Key, const UnicodeString& Attribute,
              const Variant& Value, bool Verify);

bool ValueExists(HKEY MyRootKey, const UnicodeString& Key, const UnicodeString& Attribute);
bool KeyExists(HKEY MyRootKey, const UnicodeString& Key);

// True when Key is missing. Otherwise whether the value was deleted, or with
// Verify whether it is gone afterwards (so a value already missing gives
// true).
bool DeleteValue(HKEY MyRootKey, const UnicodeString& Key, const UnicodeString& Attribute,
                 bool Verify);
// Deletes Key with its subkeys and values. False when it is missing, and for
// the root (an empty Key).
bool DeleteKey(HKEY MyRootKey, const UnicodeString& Key);
// Moves OldKey with its values and subkeys to NewKey. True, moving nothing,
// when OldKey is missing; false, moving nothing, when NewKey exists (names
// compared without regard to case) or lies inside OldKey.
bool RenameKey(HKEY MyRootKey, const UnicodeString& OldKey, const UnicodeString& NewKey);

// When Key exists: List is emptied and filled with its value names in stored
// order (GetAttributes) or its subkeys' names in the ordinal order of their
// upper-cased forms (GetSubKeys). When it is missing: created with
// CanCreate (List untouched). False for a null List, or when the key cannot
// be created; else true.
bool GetAttributes(HKEY MyRootKey, const UnicodeString& Key, TStringList* List, bool CanCreate);
bool GetSubKeys(HKEY MyRootKey, const UnicodeString& Key, TStringList* List, bool CanCreate);

// Whether the classes root has the key "CLSID\" + CLSID (a braced GUID text,
// taken as it stands; the TGUID overload writes it with GUIDToString).
bool ClassIDAvailable(const AnsiString& CLSID);
bool ClassIDAvailable(const TGUID& CLSID);

}  // namespace TkxRegistry
