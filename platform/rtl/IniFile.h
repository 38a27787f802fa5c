// platform/rtl/IniFile.h — reading INI files: data link files, default start
// parameters.
//
// The file is read once, when the object is made; later reads look up what
// was read. Rules:
//   - Encoding: UTF-16 when the file starts with a byte-order mark (FF FE
//     little-endian, FE FF big-endian), else UTF-8 (a UTF-8 mark is skipped;
//     invalid bytes survive through the codec of Text.h). An odd last byte
//     of UTF-16 text is dropped.
//   - Lines end at CR LF, LF or CR. Each line is trimmed (units at or below
//     U+0020). A line starting with ";" is a comment.
//   - "[name]" starts a section (name trimmed). "name=value" inside a section
//     is a key (both trimmed; the value is everything after the first "=").
//     Lines before the first section, lines without "=" and keys with an
//     empty name are ignored.
//   - Section and key names compare without regard to case (UpperText's
//     mapping). A section that appears twice is one section, and the first
//     key of a name wins.
//     "[a]\nk=1\n[A]\nK=2\nx=3": ReadString(u"A", u"k", u"") == u"1", x is "3"
//   - Whole numbers: an optional sign and decimal digits, or "0x" and
//     hexadecimal digits (a bit pattern of the target's width, so
//     "0xFFFFFFFF" is -1 for ReadInteger); anything else, and a decimal value
//     out of range, gives Default.
//   - Booleans: a whole number as above, true when it is not 0; any other
//     text ("true", "yes") gives Default.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/rtl/Text.h"

class TMemIniFile {
 public:
  // Reads FileName. A missing file (or missing folder) reads as an empty
  // file; a file that exists but cannot be read (a folder, no right, a read
  // error) raises EFOpenError naming it.
  explicit TMemIniFile(const UnicodeString& FileName);
  // The file's bytes, already read (for tests and fuzzing).
  static TMemIniFile FromBytes(std::string_view Bytes);

  bool SectionExists(const UnicodeString& Section) const;
  bool ValueExists(const UnicodeString& Section, const UnicodeString& Ident) const;

  UnicodeString ReadString(const UnicodeString& Section, const UnicodeString& Ident,
                           const UnicodeString& Default) const;
  int32_t ReadInteger(const UnicodeString& Section, const UnicodeString& Ident,
                      int32_t Default) const;
  int64_t ReadInt64(const UnicodeString& Section, const UnicodeString& Ident,
                    int64_t Default) const;
  bool ReadBool(const UnicodeString& Section, const UnicodeString& Ident, bool Default) const;

 private:
  struct SectionData {
    UnicodeString Key;  // the name upper-cased
    std::vector<std::pair<UnicodeString, UnicodeString>> Values;  // upper-cased key, value
  };

  TMemIniFile() = default;
  void Parse(std::string_view Bytes);
  const SectionData* FindSection(const UnicodeString& Section) const;
  const UnicodeString* Find(const UnicodeString& Section, const UnicodeString& Ident) const;

  std::vector<SectionData> sections_;
  std::unordered_map<UnicodeString, size_t> index_;  // section key -> position
};
