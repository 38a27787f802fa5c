#include "platform/registry/Hive.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Trim.h"

namespace kx::platform::registry {
namespace {

constexpr std::u16string_view kHeader = u"Windows Registry Editor Version 5.00";

struct RootNames {
  HKEY Root;
  std::u16string_view Long;
  std::u16string_view Short;
};

constexpr std::array<RootNames, 5> kRoots = {{
    {HKEY_CLASSES_ROOT, u"HKEY_CLASSES_ROOT", u"HKCR"},
    {HKEY_CURRENT_USER, u"HKEY_CURRENT_USER", u"HKCU"},
    {HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE", u"HKLM"},
    {HKEY_USERS, u"HKEY_USERS", u"HKU"},
    {HKEY_CURRENT_CONFIG, u"HKEY_CURRENT_CONFIG", u"HKCC"},
}};

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

bool StartsWithFolded(std::u16string_view s, std::u16string_view upperPrefix) {
  return s.size() >= upperPrefix.size() &&
         UpperText(s.substr(0, upperPrefix.size())) == upperPrefix;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// 1 to 8 hexadecimal digits and nothing else.
bool ParseHex32(std::u16string_view s, uint32_t& value) {
  if (s.empty() || s.size() > 8) return false;
  value = 0;
  for (char16_t c : s) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    value = (value << 4) | static_cast<uint32_t>(d);
  }
  return true;
}

// Comma-separated items of one or two hex digits; the empty list is no bytes.
// Here and in every line of a hive only blanks and tabs are trimmed: any other
// control unit in a name or value is data.
bool ParseHexList(std::u16string_view s, std::string& bytes) {
  bytes.clear();
  s = TrimSpacesAndTabs(s);
  if (s.empty()) return true;
  bytes.reserve(s.size() / 3 + 1);
  while (true) {
    const size_t comma = s.find(u',');
    const std::u16string_view item = TrimSpacesAndTabs(s.substr(0, comma));
    uint32_t v;
    if (item.size() > 2 || !ParseHex32(item, v)) return false;
    bytes.push_back(static_cast<char>(v));
    if (comma == std::u16string_view::npos) return true;
    s.remove_prefix(comma + 1);
  }
}

// A quoted text starting at s[0] == '"', with \\ and \" as the only escapes.
// On success `rest` is what follows the closing quote.
bool ParseQuoted(std::u16string_view s, UnicodeString& text, std::u16string_view& rest) {
  text.clear();
  for (size_t i = 1; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c == u'"') {
      rest = s.substr(i + 1);
      return true;
    }
    if (c == u'\\') {
      if (i + 1 >= s.size() || (s[i + 1] != u'\\' && s[i + 1] != u'"')) return false;
      text.push_back(s[++i]);
    } else {
      text.push_back(c);
    }
  }
  return false;
}

std::string Utf16LeBytes(std::u16string_view text, bool withZero) {
  std::string out;
  out.reserve((text.size() + 1) * 2);
  for (char16_t u : text) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  if (withZero) out.append(2, '\0');
  return out;
}

// Splits without dropping anything; false for an empty segment, an invalid
// name or too deep a path.
bool SplitSegments(std::u16string_view path, std::vector<UnicodeString>& segments) {
  segments.clear();
  if (path.empty()) return true;
  while (true) {
    const size_t sep = path.find(u'\\');
    const std::u16string_view name = path.substr(0, sep);
    if (!IsValidKeyName(name) || segments.size() >= kMaxKeyDepth) return false;
    segments.emplace_back(name);
    if (sep == std::u16string_view::npos) return true;
    path.remove_prefix(sep + 1);
  }
}

// --- Reader --------------------------------------------------------------------

UnicodeString DecodeHiveText(std::string_view bytes, bool& damaged) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    UnicodeString text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    if (bytes.size() % 2 != 0) damaged = true;
    return text;
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return ToUtf16(bytes);
}

class Reader {
 public:
  explicit Reader(Hive& hive) : hive_(hive) {}

  void Run(std::u16string_view text) {
    SplitLines(text);
    bool headerSeen = false;
    for (next_ = 0; next_ < lines_.size();) {
      const std::u16string_view line = TrimSpacesAndTabs(lines_[next_++]);
      if (line.empty() || line.front() == u';') continue;
      if (!headerSeen) {
        headerSeen = true;
        if (line == kHeader) continue;
        hive_.Damaged = true;  // no header: read on, but never write it back
      }
      bool ok = false;
      if (line.front() == u'[') {
        ok = Section(line);
      } else if (line.front() == u'"' || line.front() == u'@') {
        ok = Value(line);
      }
      if (!ok) hive_.Damaged = true;
    }
  }

 private:
  void SplitLines(std::u16string_view text) {
    while (!text.empty()) {
      const size_t lf = text.find(u'\n');
      std::u16string_view line = text.substr(0, lf);
      if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
      lines_.push_back(line);
      if (lf == std::u16string_view::npos) break;
      text.remove_prefix(lf + 1);
    }
  }

  bool Section(std::u16string_view line) {
    current_ = nullptr;  // the values under a bad section are bad too
    if (line.size() < 2 || line.back() != u']') return false;
    const std::u16string_view inner = line.substr(1, line.size() - 2);
    const size_t sep = inner.find(u'\\');
    const UnicodeString root = UpperText(inner.substr(0, sep));
    bool rootMatches = false;
    for (const RootNames& r : kRoots)
      if (r.Root == hive_.Root && (root == r.Long || root == r.Short)) rootMatches = true;
    if (!rootMatches) return false;
    std::u16string_view path;
    if (sep != std::u16string_view::npos) path = inner.substr(sep + 1);
    if (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    std::vector<UnicodeString> segments;
    if (!SplitSegments(path, segments)) return false;
    current_ = &CreateKeyPath(hive_.Top, segments);
    return true;
  }

  bool Value(std::u16string_view line) {
    UnicodeString name;
    std::u16string_view rest;
    if (line.front() == u'@') {
      rest = line.substr(1);
    } else if (!ParseQuoted(line, name, rest) || !IsValidValueName(name)) {
      return false;
    }
    rest = TrimSpacesAndTabs(rest);
    if (rest.empty() || rest.front() != u'=') return false;
    rest = TrimSpacesAndTabs(rest.substr(1));

    uint32_t type;
    std::string data;
    if (!rest.empty() && rest.front() == u'"') {
      UnicodeString text;
      std::u16string_view after;
      if (!ParseQuoted(rest, text, after) || !TrimSpacesAndTabs(after).empty()) return false;
      type = REG_SZ;
      data = Utf16LeBytes(text, true);
    } else if (StartsWithFolded(rest, u"DWORD:")) {
      uint32_t v;
      if (!ParseHex32(rest.substr(6), v)) return false;
      type = REG_DWORD;
      for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    } else if (StartsWithFolded(rest, u"HEX")) {
      UnicodeString joined(rest);
      // A list continues on the next line while this one ends with "\".
      while (!joined.empty() && joined.back() == u'\\' && next_ < lines_.size()) {
        joined.pop_back();
        joined += TrimSpacesAndTabs(lines_[next_++]);
      }
      std::u16string_view list = joined;
      list.remove_prefix(3);
      if (!list.empty() && list.front() == u'(') {
        const size_t close = list.find(u')');
        if (close == std::u16string_view::npos || !ParseHex32(list.substr(1, close - 1), type))
          return false;
        list.remove_prefix(close + 1);
      } else {
        type = REG_BINARY;
      }
      if (list.empty() || list.front() != u':' || !ParseHexList(list.substr(1), data)) return false;
    } else {
      return false;
    }
    if (current_ == nullptr) return false;  // a value before any (good) section
    if (HiveValue* v = current_->FindValue(name)) {
      v->Type = type;
      v->Data = std::move(data);
    } else {
      current_->Values.push_back({std::move(name), type, std::move(data)});
    }
    return true;
  }

  Hive& hive_;
  std::vector<std::u16string_view> lines_;
  size_t next_ = 0;
  HiveKey* current_ = nullptr;
};

// --- Writer --------------------------------------------------------------------

constexpr char kHexLower[] = "0123456789abcdef";

void AppendQuoted(std::string& out, std::u16string_view text) {
  UnicodeString escaped;
  escaped.reserve(text.size() + 2);
  escaped.push_back(u'"');
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') escaped.push_back(u'\\');
    escaped.push_back(c);
  }
  escaped.push_back(u'"');
  out += ToUtf8(escaped);
}

// The text of a REG_SZ that can be written as "text" and read back byte for
// byte; false when it has to be written as hex(1).
bool PlainString(const std::string& data, UnicodeString& text) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  const size_t n = data.size() / 2 - 1;
  text.resize(n);
  for (size_t i = 0; i <= n; ++i) {
    const char16_t u = static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) |
                                             (static_cast<unsigned char>(data[2 * i + 1]) << 8));
    if (i == n) {
      if (u != 0) return false;
      break;
    }
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) return false;
    text[i] = u;
  }
  return IsValidValueName(text);  // no lone surrogate
}

void AppendHexList(std::string& out, const std::string& data, size_t column) {
  for (size_t i = 0; i < data.size(); ++i) {
    const auto b = static_cast<unsigned char>(data[i]);
    out.push_back(kHexLower[b >> 4]);
    out.push_back(kHexLower[b & 0xF]);
    column += 2;
    if (i + 1 < data.size()) {
      out.push_back(',');
      ++column;
      if (column > 76) {
        out += "\\\n  ";
        column = 2;
      }
    }
  }
}

void AppendValue(std::string& out, const HiveValue& v) {
  const size_t lineStart = out.size();
  if (v.Name.empty()) {
    out.push_back('@');
  } else {
    AppendQuoted(out, v.Name);
  }
  out.push_back('=');
  UnicodeString text;
  if (v.Type == REG_SZ && PlainString(v.Data, text)) {
    AppendQuoted(out, text);
  } else if (v.Type == REG_DWORD && v.Data.size() == 4) {
    out += "dword:";
    for (int i = 3; i >= 0; --i) {
      const auto b = static_cast<unsigned char>(v.Data[static_cast<size_t>(i)]);
      out.push_back(kHexLower[b >> 4]);
      out.push_back(kHexLower[b & 0xF]);
    }
  } else {
    if (v.Type == REG_BINARY) {
      out += "hex:";
    } else {
      out += "hex(";
      char digits[8];
      int n = 0;
      uint32_t t = v.Type;
      do {
        digits[n++] = kHexLower[t & 0xF];
        t >>= 4;
      } while (t != 0);
      while (n > 0) out.push_back(digits[--n]);
      out += "):";
    }
    AppendHexList(out, v.Data, out.size() - lineStart);
  }
  out.push_back('\n');
}

void AppendKey(std::string& out, const HiveKey& key, const std::string& path, bool isRoot) {
  if (!isRoot || !key.Values.empty()) {
    out += '[';
    out += path;
    out += "]\n";
    for (const HiveValue& v : key.Values) AppendValue(out, v);
    out += '\n';
  }
  for (const auto& [folded, sub] : key.SubKeys) {
    (void)folded;
    AppendKey(out, *sub, path + '\\' + ToUtf8(sub->Name), false);
  }
}

}  // namespace

HiveValue* HiveKey::FindValue(const UnicodeString& Name) {
  const UnicodeString folded = UpperText(Name);
  for (HiveValue& v : Values)
    if (v.Name.size() == Name.size() && UpperText(v.Name) == folded) return &v;
  return nullptr;
}

HiveKey* HiveKey::FindSubKey(const UnicodeString& Name) {
  const auto it = SubKeys.find(UpperText(Name));
  return it == SubKeys.end() ? nullptr : it->second.get();
}

std::u16string_view RootName(HKEY Root) {
  for (const RootNames& r : kRoots)
    if (r.Root == Root) return r.Long;
  return {};
}

bool IsValidValueName(std::u16string_view Name) {
  for (size_t i = 0; i < Name.size(); ++i) {
    const char16_t u = Name[i];
    if (u < 0x20) return false;
    if (IsHigh(u)) {
      if (i + 1 >= Name.size() || !IsLow(Name[i + 1])) return false;
      ++i;
    } else if (IsLow(u)) {
      return false;
    }
  }
  return true;
}

bool IsValidKeyName(std::u16string_view Name) {
  return !Name.empty() && Name.find(u'\\') == std::u16string_view::npos && IsValidValueName(Name);
}

bool SplitKeyPath(std::u16string_view Path, std::vector<UnicodeString>& Segments) {
  if (!Path.empty() && Path.front() == u'\\') Path.remove_prefix(1);
  if (!Path.empty() && Path.back() == u'\\') Path.remove_suffix(1);
  return SplitSegments(Path, Segments);
}

size_t KeyHeight(const HiveKey& Key) {
  size_t height = 0;
  for (const auto& entry : Key.SubKeys) height = std::max(height, 1 + KeyHeight(*entry.second));
  return height;
}

HiveKey* FindKey(HiveKey& Top, const std::vector<UnicodeString>& Segments) {
  HiveKey* key = &Top;
  for (const UnicodeString& name : Segments) {
    key = key->FindSubKey(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

HiveKey& CreateKeyPath(HiveKey& Top, const std::vector<UnicodeString>& Segments) {
  HiveKey* key = &Top;
  for (const UnicodeString& name : Segments) {
    auto& slot = key->SubKeys[UpperText(name)];
    if (!slot) {
      slot = std::make_unique<HiveKey>();
      slot->Name = name;
    }
    key = slot.get();
  }
  return *key;
}

void ReadHive(std::string_view Bytes, Hive& Out) {
  const UnicodeString text = DecodeHiveText(Bytes, Out.Damaged);
  Reader(Out).Run(text);
}

std::string WriteHive(const Hive& H) {
  std::string out = ToUtf8(kHeader);
  out += "\n\n";
  AppendKey(out, H.Top, ToUtf8(RootName(H.Root)), true);
  return out;
}

}  // namespace kx::platform::registry
