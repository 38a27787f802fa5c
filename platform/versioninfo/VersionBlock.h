// platform/versioninfo/VersionBlock.h — the version block of an executable
// (the version resource): reading it, changing texts and numbers in place,
// and building a new one.
//
// The block is a tree of nodes. Each node is, in little-endian order:
//   wLength       16 bits, bytes of the node with its children
//   wValueLength  16 bits, size of the value (bytes, or UTF-16 units for texts)
//   wType         16 bits, 0 binary, 1 text (tools disagree; never relied on)
//   key           UTF-16, zero-terminated
//   padding       to a multiple of 4 bytes, counted from the block's start
//   value
//   padding, then the children, each starting at a multiple of 4
// The root ("VS_VERSION_INFO") holds the fixed record from byte 40 and has
// the children "StringFileInfo" (one string table per translation, named by
// language and code page as eight hexadecimal digits, "040904B0", holding
// "name" = "text" entries) and "VarFileInfo" (the "Translation" table of
// 32-bit entries: the language in the low 16 bits, the code page above).
//
// Every length is checked against the node that holds it. A root that does
// not fit the bytes given makes the whole block unreadable; a child that does
// not fit its parent ends that parent's list of children (the children read
// before it stay). Structural names ("StringFileInfo", "VarFileInfo",
// "Translation") and string-table names compare without regard to ASCII case;
// entry names compare exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kx::platform::versioninfo {

inline constexpr size_t kFixedInfoOffset = 40;
inline constexpr size_t kFixedInfoSize = 52;
inline constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
// Byte offsets of the version pairs in the block.
inline constexpr size_t kFileVersionMSOffset = 48;
inline constexpr size_t kFileVersionLSOffset = 52;
inline constexpr size_t kProductVersionMSOffset = 56;
inline constexpr size_t kProductVersionLSOffset = 60;

// The fixed record. A version's high pair (MS) holds Major << 16 | Minor, its
// low pair (LS) Revision << 16 | Build.
struct FixedFileInfo {
  uint32_t Signature = kFixedInfoSignature;
  uint32_t StrucVersion = 0x00010000;
  uint32_t FileVersionMS = 0;
  uint32_t FileVersionLS = 0;
  uint32_t ProductVersionMS = 0;
  uint32_t ProductVersionLS = 0;
  uint32_t FileFlagsMask = 0x3F;
  uint32_t FileFlags = 0;
  uint32_t FileOS = 0;
  uint32_t FileType = 0;
  uint32_t FileSubtype = 0;
  uint32_t FileDateMS = 0;
  uint32_t FileDateLS = 0;

  friend bool operator==(const FixedFileInfo&, const FixedFileInfo&) = default;
};

struct Translation {
  uint16_t Language = 0;
  uint16_t CodePage = 0;

  friend bool operator==(const Translation&, const Translation&) = default;
};

// One "name" = "text" entry of a string table.
struct StringEntry {
  std::u16string Key;
  // The value up to its first zero unit, within the node.
  std::u16string Text;
  size_t NodeOffset = 0;   // where the entry's node starts in the block
  size_t ValueOffset = 0;  // where its value starts
  // The units the value may occupy, its terminating zero included: the
  // recorded wValueLength, but never more than the node itself holds after
  // the value's start (some tools record the length in bytes).
  size_t Space = 0;
};

struct StringTable {
  std::u16string Key;  // as stored, "040904B0" or "040904b0"
  std::vector<StringEntry> Entries;
};

struct VersionBlock {
  // The fixed record is there when the root's value starts at byte 40 and is
  // at least 52 bytes long; its signature is not checked.
  bool HasFixedInfo = false;
  FixedFileInfo Fixed;
  // False when the block has no "Translation" table at all; an empty table
  // gives true and no Translations.
  bool HasTranslationTable = false;
  std::vector<Translation> Translations;
  std::vector<StringTable> Tables;

  // The string table named by Language and CodePage ("%04X%04X", matched
  // without regard to case); the first of that name; nullptr when none.
  const StringTable* FindTable(Translation Which) const;
};

// The first entry named exactly Key; nullptr when none.
const StringEntry* FindEntry(const StringTable& Table, std::u16string_view Key);

// Parses a block (the bytes of the resource or section; bytes after the
// root's wLength are ignored). nullopt when the root does not fit.
std::optional<VersionBlock> ParseVersionBlock(std::string_view Block);

// ---- Changes in place; the block keeps its size --------------------------------

// Both need HasFixedInfo.
void SetFileVersion(std::string& Block, uint32_t MS, uint32_t LS);
void SetProductVersion(std::string& Block, uint32_t MS, uint32_t LS);
// Fills the entry's whole Space with zero units, then copies in the first
// units of Text, at most Space - 1 of them, so that the text stays
// zero-terminated: a longer Text is cut, a shorter one leaves zeros behind
// it. A Space of 0 writes nothing.
void ReplaceText(std::string& Block, const StringEntry& Entry, std::u16string_view Text);

// ---- Building ---------------------------------------------------------------------

struct VersionBlockContent {
  FixedFileInfo Fixed;
  struct Table {
    std::u16string Key;                                              // "040904B0"
    std::vector<std::pair<std::u16string, std::u16string>> Strings;  // name, text
  };
  std::vector<Table> Tables;
  std::vector<Translation> Translations;
};

// A block in the standard layout: root with the fixed record, then
// "StringFileInfo" with the tables (left out when there are none), then
// "VarFileInfo" with "Translation" (left out when there are no
// translations). Text values record their length in units with the zero.
// Raises std::length_error when the block would exceed 65535 bytes.
std::string BuildVersionBlock(const VersionBlockContent& Content);

// "%04X%04X" of Language and CodePage: {0x0409, 0x04B0} gives "040904B0".
std::u16string TableKey(Translation Which);

}  // namespace kx::platform::versioninfo
