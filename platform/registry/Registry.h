// platform/registry/Registry.h — the registry store: keys and raw values below
// the five predefined roots, kept in one text file ("hive") per root.
//
// Where the hives live:
//   - VANTO_REGISTRY_DIR set and not empty: every hive in that folder. The
//     variable is read on every call, so a test (or a library that reads its
//     settings while it loads) always sees the folder in force at that moment.
//   - otherwise the current user's root in ${XDG_CONFIG_HOME:-~/.config}/vanto/
//     registry/ (folder mode 0700, file mode 0600) and the other four roots in
//     /etc/vanto/registry/ (file mode 0644).
// A hive is named after the long root name: HKEY_LOCAL_MACHINE.reg, ... A
// missing hive file is an empty hive. Writing a hive one may not write (a
// machine hive as an ordinary user) answers false.
//
// Keys. A key path is split at "\" only; "/" is an ordinary character (MIME
// type names hold it). One leading and one trailing "\" are dropped, the empty
// path is the root itself, and a path with an empty segment inside
// ("a\\b", "\\\\a") names no key. Key and value names compare by the simple
// upper-case mapping of each code point, the same under every locale; a
// value written again under another spelling keeps the stored spelling. A
// name holding a control character (below U+0020) or a lone surrogate names
// nothing: it could not be written to the hive and read back as itself.
//
// Values are raw: a type and its bytes, exactly as stored. Strings (REG_SZ,
// REG_EXPAND_SZ) are UTF-16LE with their terminating zero, REG_DWORD is four
// bytes little-endian, REG_QWORD eight; nothing is checked or converted here.
//
// Writers lock "<hive>.lock", read the hive afresh, change it and replace the
// file atomically, so concurrent writers in several processes lose no
// update; readers take no lock and see either the old or the new file. A
// hive with a line that does not parse is read without that line but never
// written again: every write to it answers false, so nothing of it is lost.
//
// There is one registry view: a caller that asks for the 64-bit view of the
// platform it was written for simply uses these calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Text.h"

// A root key handle. Only the five predefined roots below name anything;
// every operation on any other handle fails.
using HKEY = uintptr_t;

// The platform's values (its 32-bit constants, sign-extended).
constexpr HKEY HKEY_CLASSES_ROOT = static_cast<HKEY>(static_cast<intptr_t>(INT32_MIN));
constexpr HKEY HKEY_CURRENT_USER = HKEY_CLASSES_ROOT + 1;
constexpr HKEY HKEY_LOCAL_MACHINE = HKEY_CLASSES_ROOT + 2;
constexpr HKEY HKEY_USERS = HKEY_CLASSES_ROOT + 3;
constexpr HKEY HKEY_CURRENT_CONFIG = HKEY_CLASSES_ROOT + 5;

// Value types.
constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;
constexpr uint32_t REG_MULTI_SZ = 7;
constexpr uint32_t REG_QWORD = 11;

namespace kx::platform::registry {

struct RegistryValue {
  uint32_t Type = REG_NONE;
  std::string Data;  // the raw bytes

  friend bool operator==(const RegistryValue&, const RegistryValue&) = default;
};

// --- Reading (no lock; false / nullopt on a missing key or an unknown root) --

bool KeyExists(HKEY Root, const UnicodeString& Key);
// The value Name of Key; nullopt when the key or the value is missing.
std::optional<RegistryValue> QueryValue(HKEY Root, const UnicodeString& Key,
                                        const UnicodeString& Name);
// The value names of Key in stored order (the empty name for the default
// value); nullopt when the key is missing.
std::optional<std::vector<UnicodeString>> ValueNames(HKEY Root, const UnicodeString& Key);
// The names of Key's direct subkeys in the ordinal order of their upper-cased
// forms; nullopt when the key is missing.
std::optional<std::vector<UnicodeString>> SubKeyNames(HKEY Root, const UnicodeString& Key);

// --- Writing (locked read, change, atomic replace; false on any failure) ----

// Stores the value, creating Key and every missing key above it.
bool SetValue(HKEY Root, const UnicodeString& Key, const UnicodeString& Name, uint32_t Type,
              std::string_view Data);
// Creates Key and every missing key above it; true when it exists afterwards.
bool CreateKey(HKEY Root, const UnicodeString& Key);
// False when the key or the value is missing.
bool DeleteValue(HKEY Root, const UnicodeString& Key, const UnicodeString& Name);
// Deletes Key with all its values and subkeys. False when it is missing and
// for the root itself (an empty path), which cannot be deleted.
bool DeleteKey(HKEY Root, const UnicodeString& Key);
// Moves OldKey with its values and subkeys to NewKey, creating the keys above
// NewKey. Moves nothing and answers false when OldKey is missing or the root,
// when NewKey exists already (names compared as above, so a change of case
// alone is refused too), or when NewKey lies inside OldKey.
bool MoveKey(HKEY Root, const UnicodeString& OldKey, const UnicodeString& NewKey);

// The hive file of Root as the rules above place it now; empty for an
// unknown root, or when the user's folder cannot be found (no home folder).
std::string HiveFilePath(HKEY Root);

}  // namespace kx::platform::registry
