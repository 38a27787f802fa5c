// system/internal/kxBase64.h — Base64 (RFC 2045 alphabet, "=" padding) for
// the internal modules and, behind TkxBase64 (system/kxBase64.h), for the
// whole system: one implementation, so both classes always agree.
//
// Encoding: every 3 bytes become 4 characters; a last group of 1 byte gives
// 2 characters and "==", of 2 bytes 3 characters and "=". With Format the
// text is cut into lines of 76 characters (57 bytes) joined by CR LF; no
// CR LF follows the last line, also when that line is full.
//
// Decoding never fails: every byte outside the 64-character alphabet (CR,
// LF, blanks, "=" wherever it stands, anything else) is skipped. Each 4
// alphabet characters give 3 bytes; at the end 2 left over give 1 byte, 3
// give 2 bytes and a single one gives nothing, so padding is optional.
//   StrToBase64("ab", false) == "YWI=";  Base64ToStr("YW\r\nI") == "ab"
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/Text.h"

namespace kxInternal {

namespace TkxBase64 {

AnsiString StrToBase64(const AnsiString& InText, bool Format);
AnsiString Base64ToStr(const AnsiString& InText);

}  // namespace TkxBase64

// The exact length of the Base64 text of Bytes input bytes:
// 4 x ceiling(n / 3), plus 2 x floor((n - 1) / 57) with Format; 0 for 0.
uint64_t Base64EncodedLength(uint64_t Bytes, bool Format);

// Encodes a byte stream given in pieces of any size: the text of all pieces
// together equals StrToBase64 of their concatenation. Up to 2 bytes of an
// unfinished group and the column of the current line carry over to the
// next piece.
//
// Two forms: one appends to a string; the other writes into memory the
// caller provides, for writers that pass the text straight on (a 100 MB blob
// then costs one output buffer of the caller's choosing, never a string the
// size of its text).
//   Base64Encoder e(true);
//   std::unique_ptr<char[]> text(new char[Base64Encoder::MaxUpdateLength(block)]);
//   char* end = e.Update(block, text.get());   // text.get() .. end is the text
class Base64Encoder {
 public:
  // Room for the text of the last group Finish writes (CR LF and 4
  // characters).
  static constexpr size_t kMaxFinishLength = 6;

  explicit Base64Encoder(bool Format) : format_(Format) {}

  // Room that Update(Data, char*) needs for Size bytes, whatever the state.
  static size_t MaxUpdateLength(size_t Size);
  // Exactly the characters Update writes for Size more bytes in this state.
  size_t UpdateLength(size_t Size) const;

  // Appends the text of Data's complete groups to Out (growing it once).
  void Update(std::string_view Data, std::string& Out);
  // Writes the text of Data's complete groups from Out on, which has room
  // for UpdateLength(Data.size()) characters; answers the end of the text.
  char* Update(std::string_view Data, char* Out);
  // Appends the last, padded group and starts over for a new stream.
  void Finish(std::string& Out);
  // The same into room for kMaxFinishLength characters; answers the end.
  char* Finish(char* Out);

 private:
  bool format_;
  uint8_t pending_[2] = {};
  int pendingCount_ = 0;
  int column_ = 0;  // characters in the current line; 0 only before the first
};

// Decodes Base64 text given in pieces of any size: the bytes of all pieces
// together equal Base64ToStr of their concatenation. Up to 3 alphabet
// characters of an unfinished group carry over.
class Base64Decoder {
 public:
  // Appends the bytes of Text's complete groups to Out.
  void Update(std::string_view Text, std::string& Out);
  // Appends the bytes of a last, short group and starts over.
  void Finish(std::string& Out);

 private:
  uint32_t bits_ = 0;
  int count_ = 0;
};

}  // namespace kxInternal
