#include "platform/rtl/IniFile.h"

#include <cerrno>
#include <string>

#include "platform/file/FileReader.h"
#include "platform/os/LastError.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Trim.h"

namespace {

UnicodeString Decode(std::string_view Bytes) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(Bytes[i]); };
  if (Bytes.size() >= 2 && ((byte(0) == 0xFF && byte(1) == 0xFE) ||
                            (byte(0) == 0xFE && byte(1) == 0xFF))) {
    const bool little = byte(0) == 0xFF;
    UnicodeString text;
    text.reserve(Bytes.size() / 2);
    for (size_t i = 2; i + 1 < Bytes.size(); i += 2)
      text.push_back(little ? static_cast<char16_t>(byte(i) | (byte(i + 1) << 8))
                            : static_cast<char16_t>((byte(i) << 8) | byte(i + 1)));
    return text;
  }
  if (Bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
    Bytes.remove_prefix(3);
  return ToUtf16(Bytes);
}

// Sign, then decimal digits or "0x" and hexadecimal digits. The platform's
// integer reader does the work once the other prefixes it knows ("$", "x")
// are ruled out.
template <class T>
bool ReadWhole(std::u16string_view Text, T& Value, bool (*Reader)(const UnicodeString&, T&)) {
  std::u16string_view rest = Text;
  if (!rest.empty() && (rest[0] == u'+' || rest[0] == u'-')) rest.remove_prefix(1);
  if (rest.empty() || rest[0] == u'$' || rest[0] == u'x' || rest[0] == u'X' || rest[0] == u' ')
    return false;
  return Reader(UnicodeString(Text), Value);
}

bool ReadInt32(const UnicodeString& S, int32_t& V) { return TryStrToInt(S, V); }
bool ReadInt64Text(const UnicodeString& S, int64_t& V) { return TryStrToInt64(S, V); }

}  // namespace

TMemIniFile::TMemIniFile(const UnicodeString& FileName) {
  const kx::platform::FileReader file(FileName);
  if (!file.IsOpen()) {
    const int32_t error = kx::platform::LastOSError();
    if (error == ENOENT || error == ENOTDIR) return;
    throw EFOpenError(u"Cannot open file \"" + FileName + u"\" for reading (error " +
                      IntToStr(error) + u")");
  }
  std::string bytes;
  if (!file.ReadAll(bytes))
    throw EFOpenError(u"Cannot read file \"" + FileName + u"\"");
  Parse(bytes);
}

TMemIniFile TMemIniFile::FromBytes(std::string_view Bytes) {
  TMemIniFile ini;
  ini.Parse(Bytes);
  return ini;
}

void TMemIniFile::Parse(std::string_view Bytes) {
  const UnicodeString text = Decode(Bytes);
  const std::u16string_view all(text);
  SectionData* current = nullptr;
  size_t p = 0;
  while (p < all.size()) {
    const size_t start = p;
    while (p < all.size() && all[p] != u'\r' && all[p] != u'\n') ++p;
    const std::u16string_view line = TrimBlanks(all.substr(start, p - start));
    if (p < all.size() && all[p++] == u'\r' && p < all.size() && all[p] == u'\n') ++p;
    if (line.empty() || line[0] == u';') continue;
    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
      const UnicodeString key = UpperText(TrimBlanks(line.substr(1, line.size() - 2)));
      const auto [it, added] = index_.try_emplace(key, sections_.size());
      if (added) sections_.push_back(SectionData{key, {}});
      current = &sections_[it->second];
      continue;
    }
    const size_t eq = line.find(u'=');
    if (current == nullptr || eq == std::u16string_view::npos) continue;
    const std::u16string_view name = TrimBlanks(line.substr(0, eq));
    if (name.empty()) continue;
    current->Values.emplace_back(UpperText(name), UnicodeString(TrimBlanks(line.substr(eq + 1))));
  }
}

const TMemIniFile::SectionData* TMemIniFile::FindSection(const UnicodeString& Section) const {
  const auto it = index_.find(UpperText(Section));
  return it != index_.end() ? &sections_[it->second] : nullptr;
}

const UnicodeString* TMemIniFile::Find(const UnicodeString& Section,
                                       const UnicodeString& Ident) const {
  const SectionData* s = FindSection(Section);
  if (s == nullptr) return nullptr;
  const UnicodeString key = UpperText(Ident);
  for (const auto& [name, value] : s->Values)
    if (name == key) return &value;
  return nullptr;
}

bool TMemIniFile::SectionExists(const UnicodeString& Section) const {
  return FindSection(Section) != nullptr;
}

bool TMemIniFile::ValueExists(const UnicodeString& Section, const UnicodeString& Ident) const {
  return Find(Section, Ident) != nullptr;
}

UnicodeString TMemIniFile::ReadString(const UnicodeString& Section, const UnicodeString& Ident,
                                      const UnicodeString& Default) const {
  const UnicodeString* value = Find(Section, Ident);
  return value != nullptr ? *value : Default;
}

int32_t TMemIniFile::ReadInteger(const UnicodeString& Section, const UnicodeString& Ident,
                                 int32_t Default) const {
  const UnicodeString* value = Find(Section, Ident);
  int32_t result = 0;
  return value != nullptr && ReadWhole<int32_t>(*value, result, ReadInt32) ? result : Default;
}

int64_t TMemIniFile::ReadInt64(const UnicodeString& Section, const UnicodeString& Ident,
                               int64_t Default) const {
  const UnicodeString* value = Find(Section, Ident);
  int64_t result = 0;
  return value != nullptr && ReadWhole<int64_t>(*value, result, ReadInt64Text) ? result : Default;
}

bool TMemIniFile::ReadBool(const UnicodeString& Section, const UnicodeString& Ident,
                           bool Default) const {
  const UnicodeString* value = Find(Section, Ident);
  int64_t result = 0;
  return value != nullptr && ReadWhole<int64_t>(*value, result, ReadInt64Text) ? result != 0
                                                                              : Default;
}
