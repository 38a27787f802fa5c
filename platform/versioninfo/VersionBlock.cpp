#include "platform/versioninfo/VersionBlock.h"

#include <algorithm>
#include <stdexcept>

namespace kx::platform::versioninfo {
namespace {

uint16_t Get16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) |
                               (static_cast<uint8_t>(b[at + 1]) << 8));
}

uint32_t Get32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(Get16(b, at)) | (static_cast<uint32_t>(Get16(b, at + 2)) << 16);
}

void Put16(std::string& b, size_t at, uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}

void Put32(std::string& b, size_t at, uint32_t v) {
  Put16(b, at, static_cast<uint16_t>(v & 0xFFFF));
  Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

size_t Align4(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? c - 32 : c; }

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return AsciiUpper(x) == AsciiUpper(y); });
}

struct Node {
  size_t Offset = 0;
  size_t End = 0;  // Offset + wLength
  uint16_t ValueLength = 0;
  std::u16string Key;
  size_t ValueOffset = 0;  // after the key and its padding; may lie at or past End
};

// The node at Offset when it fits before Limit and its key ends inside it.
std::optional<Node> ReadNode(std::string_view b, size_t Offset, size_t Limit) {
  if (Offset > Limit || Limit - Offset < 6) return std::nullopt;
  const uint16_t length = Get16(b, Offset);
  if (length < 6 || length > Limit - Offset) return std::nullopt;
  Node node;
  node.Offset = Offset;
  node.End = Offset + length;
  node.ValueLength = Get16(b, Offset + 2);
  size_t p = Offset + 6;
  for (;;) {
    if (node.End - p < 2) return std::nullopt;  // no terminating zero inside the node
    const char16_t unit = Get16(b, p);
    p += 2;
    if (unit == 0) break;
    node.Key.push_back(unit);
  }
  node.ValueOffset = Align4(p);
  return node;
}

// Calls Visit for every child that fits in Parent, starting at From.
template <typename F>
void ForEachChild(std::string_view b, const Node& Parent, size_t From, F&& Visit) {
  size_t pos = Align4(From);
  while (pos < Parent.End) {
    const std::optional<Node> child = ReadNode(b, pos, Parent.End);
    if (!child) return;
    Visit(*child);
    pos = Align4(child->End);
  }
}

void ReadStringTable(std::string_view b, const Node& TableNode, VersionBlock& Out) {
  StringTable table;
  table.Key = TableNode.Key;
  ForEachChild(b, TableNode, TableNode.ValueOffset, [&](const Node& n) {
    StringEntry entry;
    entry.Key = n.Key;
    entry.NodeOffset = n.Offset;
    entry.ValueOffset = n.ValueOffset;
    const size_t room = n.ValueOffset < n.End ? (n.End - n.ValueOffset) / 2 : 0;
    entry.Space = std::min<size_t>(n.ValueLength, room);
    for (size_t i = 0; i < room; ++i) {
      const char16_t unit = Get16(b, n.ValueOffset + 2 * i);
      if (unit == 0) break;
      entry.Text.push_back(unit);
    }
    table.Entries.push_back(std::move(entry));
  });
  Out.Tables.push_back(std::move(table));
}

void ReadVarFileInfo(std::string_view b, const Node& VarNode, VersionBlock& Out) {
  ForEachChild(b, VarNode, VarNode.ValueOffset, [&](const Node& n) {
    if (Out.HasTranslationTable || !EqualsIgnoringAsciiCase(n.Key, u"Translation")) return;
    Out.HasTranslationTable = true;
    const size_t room = n.ValueOffset < n.End ? n.End - n.ValueOffset : 0;
    const size_t bytes = std::min<size_t>(n.ValueLength, room);
    for (size_t i = 0; i + 4 <= bytes; i += 4)
      Out.Translations.push_back({Get16(b, n.ValueOffset + i), Get16(b, n.ValueOffset + i + 2)});
  });
}

// ---- Building ----

void PadTo4(std::string& out) { out.resize(Align4(out.size()), '\0'); }

void Append16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void AppendUnits(std::string& out, std::u16string_view text) {
  for (char16_t unit : text) Append16(out, unit);
  Append16(out, 0);
}

// Writes the header and the key; the caller appends the value and children
// and then calls EndNode.
size_t BeginNode(std::string& out, uint16_t ValueLength, uint16_t Type, std::u16string_view Key) {
  PadTo4(out);
  const size_t start = out.size();
  Append16(out, 0);
  Append16(out, ValueLength);
  Append16(out, Type);
  AppendUnits(out, Key);
  PadTo4(out);
  return start;
}

void EndNode(std::string& out, size_t Start) {
  const size_t length = out.size() - Start;
  if (length > 0xFFFF) throw std::length_error("version block longer than 65535 bytes");
  Put16(out, Start, static_cast<uint16_t>(length));
}

}  // namespace

std::u16string TableKey(Translation Which) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string key(8, u'0');
  const uint32_t v = static_cast<uint32_t>(Which.Language) << 16 | Which.CodePage;
  for (int i = 0; i < 8; ++i) key[7 - i] = kHex[(v >> (4 * i)) & 0xF];
  return key;
}

const StringTable* VersionBlock::FindTable(Translation Which) const {
  const std::u16string key = TableKey(Which);
  for (const StringTable& t : Tables)
    if (EqualsIgnoringAsciiCase(t.Key, key)) return &t;
  return nullptr;
}

const StringEntry* FindEntry(const StringTable& Table, std::u16string_view Key) {
  for (const StringEntry& e : Table.Entries)
    if (e.Key == Key) return &e;
  return nullptr;
}

std::optional<VersionBlock> ParseVersionBlock(std::string_view Block) {
  const std::optional<Node> root = ReadNode(Block, 0, Block.size());
  if (!root) return std::nullopt;
  VersionBlock out;
  if (root->ValueOffset == kFixedInfoOffset && root->ValueLength >= kFixedInfoSize &&
      root->End >= kFixedInfoOffset + kFixedInfoSize) {
    out.HasFixedInfo = true;
    uint32_t* fields[] = {
        &out.Fixed.Signature,     &out.Fixed.StrucVersion,     &out.Fixed.FileVersionMS,
        &out.Fixed.FileVersionLS, &out.Fixed.ProductVersionMS, &out.Fixed.ProductVersionLS,
        &out.Fixed.FileFlagsMask, &out.Fixed.FileFlags,        &out.Fixed.FileOS,
        &out.Fixed.FileType,      &out.Fixed.FileSubtype,      &out.Fixed.FileDateMS,
        &out.Fixed.FileDateLS};
    for (size_t i = 0; i < std::size(fields); ++i)
      *fields[i] = Get32(Block, kFixedInfoOffset + 4 * i);
  }
  // The containers' own value lengths are not trusted: their children follow
  // the key directly.
  ForEachChild(Block, *root, root->ValueOffset + root->ValueLength, [&](const Node& n) {
    if (EqualsIgnoringAsciiCase(n.Key, u"StringFileInfo")) {
      ForEachChild(Block, n, n.ValueOffset,
                   [&](const Node& table) { ReadStringTable(Block, table, out); });
    } else if (EqualsIgnoringAsciiCase(n.Key, u"VarFileInfo")) {
      ReadVarFileInfo(Block, n, out);
    }
  });
  return out;
}

void SetFileVersion(std::string& Block, uint32_t MS, uint32_t LS) {
  Put32(Block, kFileVersionMSOffset, MS);
  Put32(Block, kFileVersionLSOffset, LS);
}

void SetProductVersion(std::string& Block, uint32_t MS, uint32_t LS) {
  Put32(Block, kProductVersionMSOffset, MS);
  Put32(Block, kProductVersionLSOffset, LS);
}

void ReplaceText(std::string& Block, const StringEntry& Entry, std::u16string_view Text) {
  if (Entry.Space == 0) return;
  for (size_t i = 0; i < Entry.Space; ++i) Put16(Block, Entry.ValueOffset + 2 * i, 0);
  const size_t n = std::min(Text.size(), Entry.Space - 1);
  for (size_t i = 0; i < n; ++i) Put16(Block, Entry.ValueOffset + 2 * i, Text[i]);
}

std::string BuildVersionBlock(const VersionBlockContent& Content) {
  std::string out;
  const size_t root = BeginNode(out, kFixedInfoSize, 0, u"VS_VERSION_INFO");
  const FixedFileInfo& f = Content.Fixed;
  for (uint32_t v : {f.Signature, f.StrucVersion, f.FileVersionMS, f.FileVersionLS,
                     f.ProductVersionMS, f.ProductVersionLS, f.FileFlagsMask, f.FileFlags, f.FileOS,
                     f.FileType, f.FileSubtype, f.FileDateMS, f.FileDateLS}) {
    Append16(out, static_cast<uint16_t>(v & 0xFFFF));
    Append16(out, static_cast<uint16_t>(v >> 16));
  }
  if (!Content.Tables.empty()) {
    const size_t sfi = BeginNode(out, 0, 1, u"StringFileInfo");
    for (const auto& table : Content.Tables) {
      const size_t st = BeginNode(out, 0, 1, table.Key);
      for (const auto& [name, text] : table.Strings) {
        if (text.size() + 1 > 0xFFFF) throw std::length_error("version text too long");
        const size_t s = BeginNode(out, static_cast<uint16_t>(text.size() + 1), 1, name);
        AppendUnits(out, text);
        EndNode(out, s);
      }
      EndNode(out, st);
    }
    EndNode(out, sfi);
  }
  if (!Content.Translations.empty()) {
    const size_t vfi = BeginNode(out, 0, 1, u"VarFileInfo");
    const size_t bytes = 4 * Content.Translations.size();
    if (bytes > 0xFFFF) throw std::length_error("translation table too long");
    const size_t var = BeginNode(out, static_cast<uint16_t>(bytes), 0, u"Translation");
    for (const Translation& t : Content.Translations) {
      Append16(out, t.Language);
      Append16(out, t.CodePage);
    }
    EndNode(out, var);
    EndNode(out, vfi);
  }
  EndNode(out, root);
  return out;
}

}  // namespace kx::platform::versioninfo
