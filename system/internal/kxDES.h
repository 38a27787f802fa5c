// system/internal/kxDES.h — the DES component: blocks, 8-bit strings, files
// and streams enciphered with DES in one of four modes of operation.
//
// A component starts with no key and no IV. InitialiseString/InitialiseByte
// load the key, LoadIVString/LoadIVByte the IV (needed in every mode but ECB).
// Every block, string and file operation, CBCMACBlock, and each 4096-byte
// piece of a stream operation first checks that the component is ready:
//   no key                -> EKeyError "DES: Key not set"
//   no IV outside ECB     -> EKeyError "DES: IV not set"
//
// Modes, with E/D one DES block and R the chaining register:
//   ECB  C = E(P)                    P = D(C)
//   CBC  C = E(P xor R), R = C       P = D(C) xor R, R = C
//   CFB  C = P xor E(R), R = C       P = C xor E(R), R = C      (64-bit feedback)
//   OFB  R = E(R), C = P xor R       the same operation deciphers
// R keeps its value between calls: successive operations continue one chain
// until the IV is loaded again. Changing CipherMode needs no re-keying. No
// operation restores R after an error.
//
// Enciphered data is always padded with n bytes of value n, n = 1..8 (a whole
// block of 8s when the length is already a multiple of 8). String results in
// smEncode are written in the component's own radix-64 text (alphabet
// "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", no
// padding character); it is not the RFC 2045 Base64.
//   EncString of 7 bytes -> 8 cipher bytes -> 11 characters;
//   EncString of 8 bytes -> 16 cipher bytes -> 22 characters.
//
// Cipher input whose length is not a multiple of 8, and a final padding count
// larger than the final deciphered piece, are rejected with EInputError
// before anything outside the data is read or written.
#pragma once

#include <array>
#include <cstdint>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/Text.h"

namespace kxInternal {

// Key, IV or mode missing or wrong.
KX_DECLARE_EXCEPTION(EKeyError, Exception);
// A file that cannot be opened, created or written.
KX_DECLARE_EXCEPTION(EFileError, Exception);
// Cipher input that cannot be deciphered (too short, bad length, bad padding).
KX_DECLARE_EXCEPTION(EInputError, Exception);

using TBlock = std::array<uint8_t, 8>;
using PBlock = TBlock*;

enum TCipherMode : uint8_t { CBC, ECB, CFB, OFB };
enum TStringMode : uint8_t { smEncode, smNormal };

// The cipher context. FEncKey/FDecKey hold the 16 subkeys of the key
// schedule, two 32-bit words each, FDecKey in reverse order.
struct Tdes_ctx {
  bool KeyInit;
  bool IVInit;
  TBlock IV;  // the chaining register
  TBlock ct;  // scratch block of the modes
  uint32_t FEncKey[32];
  uint32_t FDecKey[32];
  TBlock ByteBuffer;  // the work block, transformed in place
};

class TDES {
 public:
  TDES();

  // Read and written directly; setting them has no side effect.
  TCipherMode CipherMode = CBC;
  // smEncode: string results are radix-64 text, and DecString reads its input
  // as radix-64 text; smNormal: raw bytes both ways.
  TStringMode StringMode = smEncode;
  // The stream operations add the plain bytes to Crc32Value (EncStream: the
  // bytes read, before padding; DecStream: the bytes written, after it).
  bool CrcCaclFlage = false;
  // Running CRC-32 (system/internal/kxCRC.h), carried from call to call until
  // the caller sets it.
  int32_t Crc32Value = 0;
  // The stream operations work on the input from its current position to its
  // end and move neither stream; without the flag they work on the whole
  // input and first set both streams to position 0.
  bool EncDecNoPosFlage = false;

  // "DES 1.15".
  static AnsiString GetVersion();

  // Key from a string: an 8-byte key block is zeroed, then byte i of Key is
  // written to position i mod 8, each write replacing the last, so only the
  // last byte falling on each position counts; "" gives eight zero bytes.
  // Parity bits are ignored. Clears the scratch and work blocks; the IV is
  // not touched.
  //   InitialiseString("12345678") keys as InitialiseString("1234567812345678")
  void InitialiseString(const AnsiString& Key);
  // The same with the first Keylength bytes of Key (none when Keylength < 1).
  void InitialiseByte(const uint8_t* Key, int32_t Keylength);

  // IV: the chaining register is zeroed, then byte i is combined into
  // position i mod 8 by exclusive or.
  void LoadIVString(const AnsiString& IVString);
  void LoadIVByte(const uint8_t* IVByte, int32_t IVLength);

  // One block in the current mode.
  void EncBlock(const TBlock& Input, TBlock& Output);
  void DecBlock(const TBlock& Input, TBlock& Output);

  // Whole string, padded. An empty Input gives an empty Output, no block.
  void EncString(const AnsiString& Input, AnsiString& Output);
  // Whole string, unpadded: when the last deciphered byte b is 1..8 the last
  // b bytes go, otherwise only the last byte. An empty Input gives an empty
  // Output. Raises EConvertError "DES: Error converting from Base64 - invalid
  // character" for a foreign radix-64 character (smEncode), EInputError
  // "DES: Input not valid - too short" under 8 bytes and "DES: Input not
  // valid - length not a multiple of 8".
  void DecString(const AnsiString& Input, AnsiString& Output);

  // Whole files, in pieces of 4096 bytes. The input is opened for reading
  // (others may read, not write), the output created or emptied. An empty
  // input file enciphers to one block of padding.
  // EFileError: "DES: Input file not found", "DES: Could not open output
  // file", "DES: Error writing output file". DecFile also raises EInputError
  // "DES: Input not valid - length not a multiple of 8" (checked before the
  // output is touched) and "DES: Input not valid - bad padding" (an empty
  // input, or a padding count beyond the final piece; the pieces before it
  // are already written).
  void EncFile(const UnicodeString& InputFileName, const UnicodeString& OutputFileName);
  void DecFile(const UnicodeString& InputFileName, const UnicodeString& OutputFileName);

  // Stream contents, in pieces of 4096 bytes; see EncDecNoPosFlage for which
  // bytes. An empty input writes nothing (and needs no key). DecStream raises
  // EInputError as DecFile does; a short write raises EFileError "DES: Error
  // writing output file".
  void EncStream(Stream& Input, Stream& Output);
  void DecStream(Stream& Input, Stream& Output);

  // The CBC-MAC: the chaining register, i.e. the last cipher block since the
  // IV was loaded. MAC is zeroed first; outside CBC raises EKeyError "DES:
  // Mode must be CBC for CBCMAC", then the readiness test runs.
  void CBCMACBlock(TBlock& MAC);
  // The same as 16 upper-case hexadecimal digits, first byte first.
  void CBCMACString(AnsiString& MAC);

  // Zeroes the whole context, flags included: key and IV must be loaded again.
  void Burn();

 private:
  void CheckReady() const;
  void EncipherWork();  // ctx.ByteBuffer in the current mode
  void DecipherWork();
  void EncipherRun(uint8_t* Data, size_t Length);  // Length a multiple of 8
  void DecipherRun(uint8_t* Data, size_t Length);
  void Process(Stream& Input, Stream& Output, bool Encipher);
  void WritePiece(Stream& Output, const uint8_t* Data, int64_t Length);

  static constexpr int64_t kPieceSize = 4096;

  Tdes_ctx ctx{};
  std::array<uint8_t, kPieceSize + 8> FBuffer{};
};

namespace detail {
// The component's radix-64 text, exposed for tests. RadixToBytes raises
// EConvertError for a foreign character; a single trailing character reads
// as nothing.
AnsiString BytesToRadix(const uint8_t* Data, size_t Length);
AnsiString RadixToBytes(const AnsiString& Text);
}  // namespace detail

}  // namespace kxInternal
