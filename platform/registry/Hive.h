// platform/registry/Hive.h — one root's keys and values in memory, and the
// text form of a hive file (the registry export format).
//
// Written form: UTF-8 without byte-order mark, LF line ends.
//   Windows Registry Editor Version 5.00
//   <blank line>
//   [HKEY_LOCAL_MACHINE\SOFTWARE\vanto]      one section per key, depth-first,
//   @="default value"                        subkeys in the ordinal order of
//   "Name"="text with \\ and \""             their upper-cased names, empty
//   "Count"=dword:0000002a                   keys included (the root only
//   "Blob"=hex:01,02,ff                      when it holds values), a blank
//   "Multi"=hex(7):61,00,00,00,00,00         line after each
//   "Big"=hex(b):01,00,00,00,00,00,00,00
// A REG_SZ is written as "text" only when it reads back byte for byte: an
// even size, one terminating zero unit and no other, no control character and
// no lone surrogate; any other REG_SZ is written as hex(1):. REG_DWORD uses
// dword: only for exactly four bytes. Long hex lists are continued on the
// next line after ",\".
//
// Read form, besides the written one: UTF-16LE with its byte-order mark, as
// the platform's registry editor exports; a UTF-8 byte-order mark; CR LF line
// ends; ";" comment lines; hex lists continued by "\" at the line end; hex
// digits in either case; blanks around "="; the short root names (HKLM, HKCU,
// HKCR, HKU, HKCC) in section headers. Every line that does not parse (a
// value before any section, a section of another root, a name that the
// store would refuse, an import directive such as [-key] or "x"=-, a missing
// header line) is skipped and marks the hive Damaged.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/Registry.h"
#include "platform/rtl/Text.h"

namespace kx::platform::registry {

// A key path of more segments names no key (a file section neither), and a
// move that would make a deeper key fails. It bounds the recursion over a
// hive read from a hostile file.
constexpr size_t kMaxKeyDepth = 512;

struct HiveValue {
  UnicodeString Name;  // stored spelling; empty for the default value
  uint32_t Type = REG_NONE;
  std::string Data;
};

struct HiveKey {
  UnicodeString Name;             // stored spelling; empty for the root
  std::vector<HiveValue> Values;  // stored order
  // Keyed by UpperText of the subkey's name, so iteration is the listing order.
  std::map<UnicodeString, std::unique_ptr<HiveKey>> SubKeys;

  HiveValue* FindValue(const UnicodeString& Name);
  HiveKey* FindSubKey(const UnicodeString& Name);
};

struct Hive {
  HKEY Root = 0;
  HiveKey Top;
  bool Damaged = false;  // some line did not parse: never write this hive back
};

// The long root name ("HKEY_LOCAL_MACHINE"); empty for an unknown handle.
std::u16string_view RootName(HKEY Root);

// False for a name the hive cannot hold: a control character below U+0020 or
// a lone surrogate anywhere. Key names must also be non-empty and free of "\".
bool IsValidValueName(std::u16string_view Name);
bool IsValidKeyName(std::u16string_view Name);

// Splits a key path by the rules of Registry.h. False when it names no key.
bool SplitKeyPath(std::u16string_view Path, std::vector<UnicodeString>& Segments);

// The number of key levels from Key down to its deepest subkey (0 for a key
// without subkeys).
size_t KeyHeight(const HiveKey& Key);

// The key at Segments below Top, or nullptr.
HiveKey* FindKey(HiveKey& Top, const std::vector<UnicodeString>& Segments);
// The key at Segments below Top, created with the given spellings as needed.
HiveKey& CreateKeyPath(HiveKey& Top, const std::vector<UnicodeString>& Segments);

// Reads a hive file's bytes into Out (Out.Root must be set). Never fails:
// what does not parse marks Out.Damaged.
void ReadHive(std::string_view Bytes, Hive& Out);
// The written form of a hive.
std::string WriteHive(const Hive& H);

}  // namespace kx::platform::registry
