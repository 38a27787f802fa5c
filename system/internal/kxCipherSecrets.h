// system/internal/kxCipherSecrets.h — the keys of the cipher tools and of
// script locking, and the tables of the DCW decoder. Internal: included only
// by the cipher and script modules (and their tests and fuzz targets).
//
// These values are this installation family's own. Queries, logon strings,
// private strings and locked scripts made by a party with other values do not
// decipher here, nor ours there.
//
// No key is stored whole: each is put together at run time from numeric
// pieces, and each builder answers an empty text unless it is handed the
// default key string (the key guard). The default key string itself is 67
// lower-case letters and digits: six numbers written in base 36.
//
// DES keeps only the last byte that falls on each of its 8 key positions, so
// the last 8 characters of each key carry it; the builders below make those
// differ from key to key.
#pragma once

#include <cstdint>
#include <string>

#include "platform/rtl/Text.h"

namespace kxInternal::secrets {

namespace detail {

// Value written as exactly Width base-36 digits (0-9, a-z), zeros in front.
inline std::string Base36(uint64_t Value, int Width) {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string s(static_cast<size_t>(Width), '0');
  for (int i = Width - 1; i >= 0; --i) {
    s[static_cast<size_t>(i)] = kDigits[Value % 36];
    Value /= 36;
  }
  return s;
}

// A / B taken to the nearest whole number (halves away from zero), for the
// arithmetic of the pass keys; A and B are positive.
constexpr int64_t RoundDiv(int64_t A, int64_t B) { return (2 * A + B) / (2 * B); }

inline std::string Decimal(int64_t Value) { return std::to_string(Value); }

// 67 base-36 characters from five 12-digit pieces and one of 7.
inline std::string Base36Text(const uint64_t (&Pieces)[6]) {
  std::string s;
  for (int i = 0; i < 5; ++i) s += Base36(Pieces[i], 12);
  return s + Base36(Pieces[5], 7);
}

}  // namespace detail

inline AnsiString DefaultKeyString() {
  static constexpr uint64_t kPieces[6] = {0x36723747c699b85bull, 0x00ce9709edca3508ull,
                                          0x40f275185cee1fa3ull, 0x400fb6781e364221ull,
                                          0x1eb851e9a7775394ull, 0x000000082e1cc458ull};
  return detail::Base36Text(kPieces);
}

inline bool Guard(const AnsiString& SecuID) { return SecuID == DefaultKeyString(); }

// Pass keys of the enciphered query encodings: five whole numbers, written
// one after another.
inline AnsiString PassKeyMega(const AnsiString& SecuID) {
  if (!Guard(SecuID)) return {};
  using namespace detail;
  return Decimal(727131) + Decimal(RoundDiv(122152 * 7, 3)) + Decimal(597639) +
         Decimal(RoundDiv(307841 * 11, 13)) + Decimal(364599);
}

inline AnsiString PassKeyService(const AnsiString& SecuID) {
  if (!Guard(SecuID)) return {};
  using namespace detail;
  return Decimal(722037) + Decimal(RoundDiv(422858 * 5, 9)) + Decimal(439267) + Decimal(925458) +
         Decimal(RoundDiv(193306 * 17, 4));
}

inline AnsiString PassKeyInternal(const AnsiString& SecuID) {
  if (!Guard(SecuID)) return {};
  using namespace detail;
  return Decimal(662180) + Decimal(644610) + Decimal(RoundDiv(583062 * 3, 7)) + Decimal(421218) +
         Decimal(RoundDiv(832433 * 13, 6));
}

// Key of logon strings: a stored digit string and a whole number.
inline AnsiString PassKeyLogon(const AnsiString& SecuID) {
  if (!Guard(SecuID)) return {};
  return std::string("4830291765510384") + detail::Decimal(812615);
}

// Put before the caller's pass key by the private-string pair: five whole
// numbers, one of them negative.
inline AnsiString PrivateStringPrefix() {
  using namespace detail;
  return Decimal(897383) + Decimal(-164327) + Decimal(183348) + Decimal(936199) + Decimal(73618);
}

// 16 characters, character i (1-16) being code 37 + 5 i.
inline AnsiString CommonEncryptionKey(const AnsiString& SecuID) {
  if (!Guard(SecuID)) return {};
  std::string s;
  for (int i = 1; i <= 16; ++i) s += static_cast<char>(37 + 5 * i);
  return s;
}

// 67 characters: a stored base-36 text with the code of each character at an
// odd position (1-based) moved up by 3 and at an even one down by 2.
inline AnsiString CommonSecurityKey(const AnsiString& SecuID) {
  if (!Guard(SecuID)) return {};
  static constexpr uint64_t kPieces[6] = {0x4091417db924980dull, 0x3a3239699119d49aull,
                                          0x01fbb60662833ef4ull, 0x0d747d83478b71d0ull,
                                          0x2a2f6d1761c82233ull, 0x000000018fae55abull};
  std::string s = detail::Base36Text(kPieces);
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>(s[i] + (i % 2 == 0 ? 3 : -2));
  return s;
}

// Key of locked scripts: decimal digits from two whole numbers and two
// stored digit strings.
inline AnsiString ScriptKey(const AnsiString& SecuID) {
  if (!Guard(SecuID)) return {};
  return detail::Decimal(36421887) + "58170293" + detail::Decimal(90412675) + "13579864";
}

// The DCW decoder's tables: the input alphabet (positions 1-71), the output
// symbol at each position, and the key rows, one for every selector value the
// output symbols can give (the digits 0-9; any other symbol selects row 0).
inline constexpr char kDcwAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_.!*~()$";
inline constexpr char kDcwOutput[] =
    "sCrEQHW_qnouB3V4p8vd.A)!Z2OxTKGekU(MygDXP01Swtjm-YJiFR*75zc~Il$hfa96LbN";
inline constexpr const char* kDcwKeyRows[10] = {"67733747", "75682913", "73618468", "22919588",
                                                "22983832", "41924268", "62877916", "51359966",
                                                "69933352", "92539757"};
static_assert(sizeof kDcwAlphabet == 72 && sizeof kDcwOutput == 72, "71 symbols each");

}  // namespace kxInternal::secrets
