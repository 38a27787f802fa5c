#include "system/internal/kxDES.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "system/internal/kxCRC.h"

namespace kxInternal {

namespace {

// ---- The standard's tables (bit 1 is the most significant) -------------------------------

constexpr uint8_t kIP[64] = {58, 50, 42, 34, 26, 18, 10, 2,  60, 52, 44, 36, 28, 20, 12, 4,
                             62, 54, 46, 38, 30, 22, 14, 6,  64, 56, 48, 40, 32, 24, 16, 8,
                             57, 49, 41, 33, 25, 17, 9,  1,  59, 51, 43, 35, 27, 19, 11, 3,
                             61, 53, 45, 37, 29, 21, 13, 5,  63, 55, 47, 39, 31, 23, 15, 7};

constexpr uint8_t kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                            2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

constexpr uint8_t kS[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0, 7,  0, 15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5,  3,  8,  4,  1,  14, 8,  13, 6, 2, 11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2,  4,  9,  1,  7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7, 2,  13, 12, 0, 5,  10, 3,  13, 4,  7,  15, 2,
     8,  14, 12, 0,  1,  10, 6,  9,  11, 5, 0,  14, 7,  11, 10, 4, 13, 1,  5,  8,  12, 6,
     9,  3,  2,  15, 13, 8,  10, 1,  3,  15, 4,  2,  11, 6,  7,  12, 0, 5,  14, 9},
    {10, 0,  9,  14, 6,  3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,  13, 7,  0,  9, 3,  4,
     6,  10, 2,  8,  5,  14, 12, 11, 15, 1,  13, 6,  4,  9,  8,  15, 3,  0,  11, 1, 2,  12,
     5,  10, 14, 7,  1,  10, 13, 0,  6,  9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3,  0,  6,  9,  10, 1,  2, 8,  5,  11, 12, 4,  15, 13, 8,  11, 5, 6,  15,
     0,  3,  4,  7,  2,  12, 1,  10, 14, 9, 10, 6,  9,  0,  12, 11, 7,  13, 15, 1, 3,  14,
     5,  2,  8,  4,  3,  15, 0,  6,  10, 1, 13, 8,  9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0, 14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5,  0,  15, 10, 3,  9,  8,  6,  4,  2,  1,  11, 10, 13, 7,  8, 15, 9,  12, 5,
     6,  3,  0,  14, 11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4, 5,  3},
    {12, 1,  10, 15, 9,  2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11, 10, 15, 4,  2, 7, 12,
     9,  5,  6,  1,  13, 14, 0,  11, 3,  8,  9,  14, 15, 5,  2,  8,  12, 3,  7,  0, 4, 10,
     1,  13, 11, 6,  4,  3,  2,  12, 9,  5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0,  8,  13, 3,  12, 9,  7,  5,  10, 6,  1,  13, 0,  11, 7,  4, 9,
     1,  10, 14, 3,  5,  12, 2,  15, 8,  6,  1,  4,  11, 13, 12, 3,  7,  14, 10, 15, 6, 8,
     0,  5,  9,  2,  6,  11, 13, 8,  1,  4,  10, 7,  9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2,  8,  4,  6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,  1,  15, 13, 8, 10, 3,
     7,  4,  12, 5,  6,  11, 0,  14, 9,  2,  7,  11, 4,  1,  9,  12, 14, 2,  0,  6, 10, 13,
     15, 3,  5,  8,  2,  1,  14, 7,  4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11}};

constexpr uint8_t kPC1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                              10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                              63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                              14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr uint8_t kPC2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10,
                              23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
                              41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48,
                              44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr uint8_t kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

// ---- Combined S-box and permutation tables, made at compile time ------------------------

// SP[i][b]: the 4-bit output of S-box i for the 6-bit input b (first bit most
// significant; row from the outer bits, column from the inner four), placed
// at its position in the 32-bit round output and permuted by P.
struct SPTables {
  uint32_t t[8][64];
};

constexpr SPTables MakeSP() {
  SPTables sp{};
  for (int i = 0; i < 8; ++i) {
    for (int b = 0; b < 64; ++b) {
      const int row = ((b >> 4) & 2) | (b & 1);
      const int col = (b >> 1) & 15;
      const uint32_t s = kS[i][row * 16 + col];
      // Before P, S-box i writes bits 4i+1..4i+4.
      const uint32_t before = s << (28 - 4 * i);
      uint32_t after = 0;
      for (int k = 0; k < 32; ++k)  // output bit k+1 is input bit P[k]
        if ((before >> (32 - kP[k])) & 1u) after |= 1u << (31 - k);
      sp.t[i][b] = after;
    }
  }
  return sp;
}

constexpr SPTables kSP = MakeSP();

// ---- Initial and final permutations -------------------------------------------------------

// Exchanges the bits of a selected by Mask << Shift with the bits of b
// selected by Mask.
constexpr void SwapBits(uint32_t& a, uint32_t& b, int Shift, uint32_t Mask) {
  const uint32_t t = ((a >> Shift) ^ b) & Mask;
  b ^= t;
  a ^= t << Shift;
}

// IP as five bit-swap steps: in are the block's halves (most significant
// byte first), out L0 in l and R0 in r.
constexpr void InitialPermutation(uint32_t& l, uint32_t& r) {
  SwapBits(l, r, 4, 0x0f0f0f0fu);
  SwapBits(l, r, 16, 0x0000ffffu);
  SwapBits(r, l, 2, 0x33333333u);
  SwapBits(r, l, 8, 0x00ff00ffu);
  SwapBits(l, r, 1, 0x55555555u);
}

// The inverse, the same steps in reverse order: in the preoutput R16 in l
// and L16 in r, out the cipher block's halves.
constexpr void FinalPermutation(uint32_t& l, uint32_t& r) {
  SwapBits(l, r, 1, 0x55555555u);
  SwapBits(r, l, 8, 0x00ff00ffu);
  SwapBits(r, l, 2, 0x33333333u);
  SwapBits(l, r, 16, 0x0000ffffu);
  SwapBits(l, r, 4, 0x0f0f0f0fu);
}

// The table form of IP, only to prove the swap steps at compile time.
constexpr uint64_t TableIP(uint64_t in) {
  uint64_t out = 0;
  for (int k = 0; k < 64; ++k)
    if ((in >> (64 - kIP[k])) & 1u) out |= uint64_t{1} << (63 - k);
  return out;
}

constexpr bool SwapStepsAreIP() {
  // Both are bit permutations, so agreeing on every single bit is enough.
  for (int bit = 0; bit < 64; ++bit) {
    const uint64_t in = uint64_t{1} << bit;
    uint32_t l = static_cast<uint32_t>(in >> 32), r = static_cast<uint32_t>(in);
    InitialPermutation(l, r);
    if (((uint64_t{l} << 32) | r) != TableIP(in)) return false;
    FinalPermutation(l, r);
    if (((uint64_t{l} << 32) | r) != in) return false;
  }
  return true;
}
static_assert(SwapStepsAreIP(), "the bit-swap steps must be the standard's IP and its inverse");

// ---- Key schedule and block function --------------------------------------------------------

// Subkey i is kept as two words matching the two views of R in Round: word 0
// holds the 6-bit groups for S-boxes 1, 3, 5, 7, word 1 those for 2, 4, 6, 8,
// each at bit offsets 26, 18, 10, 2.
void KeySchedule(const uint8_t Key[8], uint32_t Enc[32], uint32_t Dec[32]) {
  uint64_t key = 0;
  for (int i = 0; i < 8; ++i) key = (key << 8) | Key[i];
  uint32_t c = 0, d = 0;  // 28 bits each
  for (int k = 0; k < 28; ++k) {
    c = (c << 1) | static_cast<uint32_t>((key >> (64 - kPC1[k])) & 1u);
    d = (d << 1) | static_cast<uint32_t>((key >> (64 - kPC1[k + 28])) & 1u);
  }
  for (int round = 0; round < 16; ++round) {
    for (int s = 0; s < kShifts[round]; ++s) {
      c = ((c << 1) | (c >> 27)) & 0x0fffffffu;
      d = ((d << 1) | (d >> 27)) & 0x0fffffffu;
    }
    const uint64_t cd = (uint64_t{c} << 28) | d;  // bits 1..56 of C||D
    uint32_t groups[8] = {};
    for (int k = 0; k < 48; ++k)
      groups[k / 6] = (groups[k / 6] << 1) | static_cast<uint32_t>((cd >> (56 - kPC2[k])) & 1u);
    Enc[2 * round] = (groups[0] << 26) | (groups[2] << 18) | (groups[4] << 10) | (groups[6] << 2);
    Enc[2 * round + 1] = (groups[1] << 26) | (groups[3] << 18) | (groups[5] << 10) | (groups[7] << 2);
  }
  for (int round = 0; round < 16; ++round) {
    Dec[2 * round] = Enc[2 * (15 - round)];
    Dec[2 * round + 1] = Enc[2 * (15 - round) + 1];
  }
}

// f(R, K). E takes for S-box j the bits 4j..4j+5 of R (bit 0 being bit 32):
// rotating R right by 1 puts those of S-boxes 1, 3, 5, 7 at offsets 26, 18,
// 10, 2, and rotating that left by 4 does the same for S-boxes 2, 4, 6, 8.
inline uint32_t Round(uint32_t r, const uint32_t* k) {
  const uint32_t a = std::rotr(r, 1) ^ k[0];
  const uint32_t b = std::rotr(r, 29) ^ k[1];
  return kSP.t[0][(a >> 26) & 63] ^ kSP.t[2][(a >> 18) & 63] ^ kSP.t[4][(a >> 10) & 63] ^
         kSP.t[6][(a >> 2) & 63] ^ kSP.t[1][(b >> 26) & 63] ^ kSP.t[3][(b >> 18) & 63] ^
         kSP.t[5][(b >> 10) & 63] ^ kSP.t[7][(b >> 2) & 63];
}

// One DES block in place with the given subkeys (encipher or decipher).
void Crypt(uint8_t Block[8], const uint32_t Keys[32]) {
  uint32_t l = (uint32_t{Block[0]} << 24) | (uint32_t{Block[1]} << 16) | (uint32_t{Block[2]} << 8) |
               Block[3];
  uint32_t r = (uint32_t{Block[4]} << 24) | (uint32_t{Block[5]} << 16) | (uint32_t{Block[6]} << 8) |
               Block[7];
  InitialPermutation(l, r);
  for (int round = 0; round < 16; round += 2) {
    l ^= Round(r, Keys + 2 * round);
    r ^= Round(l, Keys + 2 * round + 2);
  }
  FinalPermutation(r, l);  // the preoutput is R16 L16
  Block[0] = static_cast<uint8_t>(r >> 24);
  Block[1] = static_cast<uint8_t>(r >> 16);
  Block[2] = static_cast<uint8_t>(r >> 8);
  Block[3] = static_cast<uint8_t>(r);
  Block[4] = static_cast<uint8_t>(l >> 24);
  Block[5] = static_cast<uint8_t>(l >> 16);
  Block[6] = static_cast<uint8_t>(l >> 8);
  Block[7] = static_cast<uint8_t>(l);
}

inline void Xor8(uint8_t* Into, const uint8_t* From) {
  for (int i = 0; i < 8; ++i) Into[i] ^= From[i];
}

// ---- Radix-64 text ----------------------------------------------------------------------------

constexpr char kRadix[] = "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

struct RadixValues {
  int8_t v[256];
};
constexpr RadixValues MakeRadixValues() {
  RadixValues r{};
  for (int i = 0; i < 256; ++i) r.v[i] = -1;
  for (int i = 0; i < 64; ++i) r.v[static_cast<uint8_t>(kRadix[i])] = static_cast<int8_t>(i);
  return r;
}
constexpr RadixValues kRadixValues = MakeRadixValues();

void RaiseInput(const char* What) { throw EInputError(std::string("DES: Input not valid - ") + What); }

void CheckMultipleOf8(int64_t Length) {
  if (Length % 8 != 0) RaiseInput("length not a multiple of 8");
}

// Padding of n bytes of value n after Length bytes of Data; answers n.
size_t Pad(uint8_t* Data, size_t Length) {
  const size_t n = 8 - Length % 8;
  std::memset(Data + Length, static_cast<int>(n), n);
  return n;
}

}  // namespace

namespace detail {

AnsiString BytesToRadix(const uint8_t* Data, size_t Length) {
  AnsiString out;
  out.reserve((Length + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= Length; i += 3) {
    const uint32_t v = (uint32_t{Data[i]} << 16) | (uint32_t{Data[i + 1]} << 8) | Data[i + 2];
    out += kRadix[(v >> 18) & 63];
    out += kRadix[(v >> 12) & 63];
    out += kRadix[(v >> 6) & 63];
    out += kRadix[v & 63];
  }
  if (Length - i == 1) {
    out += kRadix[Data[i] >> 2];
    out += kRadix[(Data[i] & 3) << 4];
  } else if (Length - i == 2) {
    const uint32_t v = (uint32_t{Data[i]} << 8) | Data[i + 1];
    out += kRadix[(v >> 10) & 63];
    out += kRadix[(v >> 4) & 63];
    out += kRadix[(v << 2) & 63];
  }
  return out;
}

AnsiString RadixToBytes(const AnsiString& Text) {
  AnsiString out;
  out.reserve(Text.size() / 4 * 3 + 2);
  uint32_t acc = 0;
  int count = 0;
  for (const char c : Text) {
    const int v = kRadixValues.v[static_cast<uint8_t>(c)];
    if (v < 0) throw EConvertError("DES: Error converting from Base64 - invalid character");
    acc = (acc << 6) | static_cast<uint32_t>(v);
    if (++count == 4) {
      out += static_cast<char>(acc >> 16);
      out += static_cast<char>(acc >> 8);
      out += static_cast<char>(acc);
      acc = 0;
      count = 0;
    }
  }
  if (count == 2) {
    out += static_cast<char>(acc >> 4);
  } else if (count == 3) {
    out += static_cast<char>(acc >> 10);
    out += static_cast<char>(acc >> 2);
  }
  return out;
}

}  // namespace detail

// ---- TDES -----------------------------------------------------------------------------------

TDES::TDES() = default;

AnsiString TDES::GetVersion() { return "DES 1.15"; }

namespace {

// Byte i of the Length bytes at Data lands on position i mod 8 of Block,
// replacing (Xor false) or combining with (Xor true) what is there.
void FoldInto(TBlock& Block, const uint8_t* Data, size_t Length, bool Xor) {
  Block.fill(0);
  if (Data == nullptr) return;
  for (size_t i = 0; i < Length; ++i) Block[i % 8] = Xor ? Block[i % 8] ^ Data[i] : Data[i];
}

const uint8_t* Bytes(const AnsiString& S) { return reinterpret_cast<const uint8_t*>(S.data()); }

}  // namespace

void TDES::InitialiseByte(const uint8_t* Key, int32_t Keylength) {
  TBlock block;
  FoldInto(block, Key, static_cast<size_t>(std::max(Keylength, 0)), false);
  KeySchedule(block.data(), ctx.FEncKey, ctx.FDecKey);
  block.fill(0);
  ctx.ct.fill(0);
  ctx.ByteBuffer.fill(0);
  ctx.KeyInit = true;
}

void TDES::InitialiseString(const AnsiString& Key) {
  InitialiseByte(Bytes(Key), static_cast<int32_t>(std::min<size_t>(Key.size(), INT32_MAX)));
}

void TDES::LoadIVByte(const uint8_t* IVByte, int32_t IVLength) {
  FoldInto(ctx.IV, IVByte, static_cast<size_t>(std::max(IVLength, 0)), true);
  ctx.IVInit = true;
}

void TDES::LoadIVString(const AnsiString& IVString) {
  LoadIVByte(Bytes(IVString), static_cast<int32_t>(std::min<size_t>(IVString.size(), INT32_MAX)));
}

void TDES::CheckReady() const {
  if (!ctx.KeyInit) throw EKeyError("DES: Key not set");
  if (CipherMode != ECB && !ctx.IVInit) throw EKeyError("DES: IV not set");
}

void TDES::EncipherWork() {
  uint8_t* p = ctx.ByteBuffer.data();
  switch (CipherMode) {
    case ECB:
      Crypt(p, ctx.FEncKey);
      break;
    case CBC:
      Xor8(p, ctx.IV.data());
      Crypt(p, ctx.FEncKey);
      ctx.IV = ctx.ByteBuffer;
      break;
    case CFB:
      ctx.ct = ctx.IV;
      Crypt(ctx.ct.data(), ctx.FEncKey);
      Xor8(p, ctx.ct.data());
      ctx.IV = ctx.ByteBuffer;
      break;
    case OFB:
    default:
      Crypt(ctx.IV.data(), ctx.FEncKey);
      Xor8(p, ctx.IV.data());
      break;
  }
}

void TDES::DecipherWork() {
  uint8_t* p = ctx.ByteBuffer.data();
  switch (CipherMode) {
    case ECB:
      Crypt(p, ctx.FDecKey);
      break;
    case CBC:
      ctx.ct = ctx.ByteBuffer;
      Crypt(p, ctx.FDecKey);
      Xor8(p, ctx.IV.data());
      ctx.IV = ctx.ct;
      break;
    case CFB:
      ctx.ct = ctx.ByteBuffer;
      Crypt(ctx.IV.data(), ctx.FEncKey);
      Xor8(p, ctx.IV.data());
      ctx.IV = ctx.ct;
      break;
    case OFB:
    default:
      Crypt(ctx.IV.data(), ctx.FEncKey);
      Xor8(p, ctx.IV.data());
      break;
  }
}

void TDES::EncipherRun(uint8_t* Data, size_t Length) {
  for (size_t i = 0; i < Length; i += 8) {
    std::memcpy(ctx.ByteBuffer.data(), Data + i, 8);
    EncipherWork();
    std::memcpy(Data + i, ctx.ByteBuffer.data(), 8);
  }
}

void TDES::DecipherRun(uint8_t* Data, size_t Length) {
  for (size_t i = 0; i < Length; i += 8) {
    std::memcpy(ctx.ByteBuffer.data(), Data + i, 8);
    DecipherWork();
    std::memcpy(Data + i, ctx.ByteBuffer.data(), 8);
  }
}

void TDES::EncBlock(const TBlock& Input, TBlock& Output) {
  CheckReady();
  ctx.ByteBuffer = Input;
  EncipherWork();
  Output = ctx.ByteBuffer;
}

void TDES::DecBlock(const TBlock& Input, TBlock& Output) {
  CheckReady();
  ctx.ByteBuffer = Input;
  DecipherWork();
  Output = ctx.ByteBuffer;
}

void TDES::EncString(const AnsiString& Input, AnsiString& Output) {
  CheckReady();
  if (Input.empty()) {
    Output.clear();
    return;
  }
  AnsiString data = Input;  // Input and Output may be one string
  const size_t length = data.size();
  data.resize(length + 8 - length % 8);
  Pad(reinterpret_cast<uint8_t*>(data.data()), length);
  EncipherRun(reinterpret_cast<uint8_t*>(data.data()), data.size());
  if (StringMode == smEncode)
    Output = detail::BytesToRadix(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  else
    Output = std::move(data);
}

void TDES::DecString(const AnsiString& Input, AnsiString& Output) {
  CheckReady();
  if (Input.empty()) {
    Output.clear();
    return;
  }
  AnsiString data = StringMode == smEncode ? detail::RadixToBytes(Input) : Input;
  if (data.size() < 8) RaiseInput("too short");
  CheckMultipleOf8(static_cast<int64_t>(data.size()));
  DecipherRun(reinterpret_cast<uint8_t*>(data.data()), data.size());
  const uint8_t last = static_cast<uint8_t>(data.back());
  data.resize(data.size() - (last >= 1 && last <= 8 ? last : 1));
  Output = std::move(data);
}

void TDES::WritePiece(Stream& Output, const uint8_t* Data, int64_t Length) {
  int64_t written = 0;
  try {
    written = Output.Write(Data, Length);
  } catch (const EStreamError&) {
    written = -1;
  }
  if (written != Length) throw EFileError("DES: Error writing output file");
}

namespace {

std::unique_ptr<FileStream> OpenInput(const UnicodeString& Name) {
  try {
    return std::make_unique<FileStream>(Name, fmOpenRead | fmShareDenyWrite);
  } catch (const EStreamError&) {
    throw EFileError("DES: Input file not found");
  }
}

std::unique_ptr<FileStream> CreateOutput(const UnicodeString& Name) {
  try {
    return std::make_unique<FileStream>(Name, fmCreate);
  } catch (const EStreamError&) {
    throw EFileError("DES: Could not open output file");
  }
}

}  // namespace

void TDES::EncFile(const UnicodeString& InputFileName, const UnicodeString& OutputFileName) {
  CheckReady();
  const auto input = OpenInput(InputFileName);
  const auto output = CreateOutput(OutputFileName);
  const int64_t size = input->Size();
  int64_t position = 0;
  for (;;) {
    const int64_t n = input->Read(FBuffer.data(), kPieceSize);
    position += n;
    // The piece that reaches the end is padded; so is a short one, should
    // the file shrink while it is read.
    const bool last = position >= size || n < kPieceSize;
    const size_t length = static_cast<size_t>(n) + (last ? Pad(FBuffer.data(), static_cast<size_t>(n)) : 0);
    EncipherRun(FBuffer.data(), length);
    WritePiece(*output, FBuffer.data(), static_cast<int64_t>(length));
    if (last) break;
  }
}

void TDES::DecFile(const UnicodeString& InputFileName, const UnicodeString& OutputFileName) {
  CheckReady();
  const auto input = OpenInput(InputFileName);
  const int64_t size = input->Size();
  CheckMultipleOf8(size);
  const auto output = CreateOutput(OutputFileName);
  if (size == 0) RaiseInput("bad padding");
  int64_t position = 0;
  for (;;) {
    int64_t n = input->Read(FBuffer.data(), kPieceSize);
    position += n;
    const bool last = position >= size || n < kPieceSize;
    CheckMultipleOf8(n);  // a file that shrank while it was read
    DecipherRun(FBuffer.data(), static_cast<size_t>(n));
    if (last) {
      const int64_t pad = n > 0 ? FBuffer[static_cast<size_t>(n - 1)] : 1;
      if (pad > n) RaiseInput("bad padding");
      n -= pad;
    }
    WritePiece(*output, FBuffer.data(), n);
    if (last) break;
  }
}

void TDES::Process(Stream& Input, Stream& Output, bool Encipher) {
  int64_t length;
  if (EncDecNoPosFlage) {
    length = std::max<int64_t>(Input.Size() - Input.Position(), 0);
  } else {
    length = Input.Size();
    Input.SetPosition(0);
    Output.SetPosition(0);
  }
  if (length == 0) return;
  if (!Encipher) CheckMultipleOf8(length);
  const int64_t full = length / kPieceSize;
  const int64_t rest = length % kPieceSize;
  // Enciphering always ends with the rest (0 to 4095 bytes, then padded);
  // deciphering ends with the last full piece when there is no rest.
  const int64_t pieces = full + (Encipher || rest != 0 ? 1 : 0);
  for (int64_t piece = 0; piece < pieces; ++piece) {
    CheckReady();
    const bool last = piece == pieces - 1;
    int64_t n = piece < full ? kPieceSize : rest;
    Input.ReadBuffer(FBuffer.data(), n);
    uint32_t crc = static_cast<uint32_t>(Crc32Value);
    if (Encipher) {
      if (CrcCaclFlage) crc = UpdateCrc32(crc, FBuffer.data(), static_cast<size_t>(n));
      if (last) n += static_cast<int64_t>(Pad(FBuffer.data(), static_cast<size_t>(n)));
      EncipherRun(FBuffer.data(), static_cast<size_t>(n));
    } else {
      DecipherRun(FBuffer.data(), static_cast<size_t>(n));
      if (last) {
        const int64_t pad = FBuffer[static_cast<size_t>(n - 1)];
        if (pad > n) RaiseInput("bad padding");
        n -= pad;
      }
      if (CrcCaclFlage) crc = UpdateCrc32(crc, FBuffer.data(), static_cast<size_t>(n));
    }
    WritePiece(Output, FBuffer.data(), n);
    Crc32Value = static_cast<int32_t>(crc);
  }
}

void TDES::EncStream(Stream& Input, Stream& Output) { Process(Input, Output, true); }

void TDES::DecStream(Stream& Input, Stream& Output) { Process(Input, Output, false); }

void TDES::CBCMACBlock(TBlock& MAC) {
  MAC.fill(0);
  if (CipherMode != CBC) throw EKeyError("DES: Mode must be CBC for CBCMAC");
  CheckReady();
  MAC = ctx.IV;
}

void TDES::CBCMACString(AnsiString& MAC) {
  MAC.clear();
  TBlock block;
  CBCMACBlock(block);
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const uint8_t b : block) {
    MAC += kHex[b >> 4];
    MAC += kHex[b & 15];
  }
}

void TDES::Burn() {
  volatile uint8_t* p = reinterpret_cast<volatile uint8_t*>(&ctx);
  for (size_t i = 0; i < sizeof ctx; ++i) p[i] = 0;
}

}  // namespace kxInternal
