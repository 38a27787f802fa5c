#include "system/internal/kxBase64.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "platform/rtl/LargeBuffer.h"

namespace kxInternal {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kLineChars = 76;
constexpr size_t kLineBytes = 57;

// Two characters for every 12 bits, so a group of 3 bytes takes two look-ups.
struct PairTable {
  std::array<char, 2 * 4096> chars{};
  constexpr PairTable() {
    for (int i = 0; i < 4096; ++i) {
      chars[2 * i] = kAlphabet[i >> 6];
      chars[2 * i + 1] = kAlphabet[i & 63];
    }
  }
};
constexpr PairTable kPairs;

// 0..63 for the alphabet, 0xFF for every byte that is skipped.
struct DecodeTable {
  std::array<uint8_t, 256> values{};
  constexpr DecodeTable() {
    for (auto& v : values) v = 0xFF;
    for (int i = 0; i < 64; ++i) values[static_cast<uint8_t>(kAlphabet[i])] = static_cast<uint8_t>(i);
  }
};
constexpr DecodeTable kDecode;

uint64_t CeilDiv(uint64_t a, uint64_t b) { return a / b + (a % b != 0 ? 1 : 0); }

}  // namespace

uint64_t Base64EncodedLength(uint64_t Bytes, bool Format) {
  if (Bytes == 0) return 0;
  const uint64_t chars = 4 * CeilDiv(Bytes, 3);
  return Format ? chars + 2 * ((Bytes - 1) / 57) : chars;
}

// ---- Encoder ------------------------------------------------------------------

namespace {

inline void PutPair(char* out, uint32_t twelveBits) {
  std::memcpy(out, &kPairs.chars[2 * twelveBits], 2);
}

inline uint64_t LoadBigEndian64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
  return v;
}

// Encodes groups x 3 bytes from in and reads nothing beyond them. Two groups
// at a time through one 8-byte load while at least 9 bytes are left, so the
// load never reaches past the input.
inline char* EncodeGroups(const uint8_t* in, size_t groups, char* out) {
  for (; groups >= 3; groups -= 2, in += 6, out += 8) {
    const uint64_t v = LoadBigEndian64(in);
    PutPair(out, static_cast<uint32_t>(v >> 52) & 0xFFF);
    PutPair(out + 2, static_cast<uint32_t>(v >> 40) & 0xFFF);
    PutPair(out + 4, static_cast<uint32_t>(v >> 28) & 0xFFF);
    PutPair(out + 6, static_cast<uint32_t>(v >> 16) & 0xFFF);
  }
  for (; groups > 0; --groups, in += 3, out += 4) {
    const uint32_t v = (uint32_t{in[0]} << 16) | (uint32_t{in[1]} << 8) | in[2];
    PutPair(out, v >> 12);
    PutPair(out + 2, v & 0xFFF);
  }
  return out;
}

}  // namespace

size_t Base64Encoder::MaxUpdateLength(size_t Size) {
  const size_t chars = 4 * ((Size + 2) / 3);
  return chars + 2 * (chars / kLineChars + 1);
}

size_t Base64Encoder::UpdateLength(size_t Size) const {
  const size_t groups = (static_cast<size_t>(pendingCount_) + Size) / 3;
  size_t chars = 4 * groups;
  if (format_ && groups > 0) {
    // A CR LF before every line after the first one of the stream.
    const size_t total = static_cast<size_t>(column_) + chars;
    const size_t linesOpen = column_ == 0 ? 1 : CeilDiv(static_cast<size_t>(column_), kLineChars);
    chars += 2 * (CeilDiv(total, kLineChars) - linesOpen);
  }
  return chars;
}

void Base64Encoder::Update(std::string_view Data, std::string& Out) {
  const size_t start = Out.size();
  const size_t grow = UpdateLength(Data.size());
  if (grow > 0) {
    kx::platform::ReserveLarge(Out, start + grow);
    Out.resize(start + grow);
  }
  Update(Data, Out.data() + start);
}

char* Base64Encoder::Update(std::string_view Data, char* Out) {
  const auto* in = reinterpret_cast<const uint8_t*>(Data.data());
  size_t left = Data.size();
  char* out = Out;
  if (static_cast<size_t>(pendingCount_) + left < 3) {
    for (size_t i = 0; i < left; ++i) pending_[pendingCount_++] = in[i];
    return out;
  }
  auto lineBreak = [&] {
    if (format_ && column_ == kLineChars) {
      *out++ = '\r';
      *out++ = '\n';
      column_ = 0;
    }
  };
  if (pendingCount_ > 0) {
    uint8_t group[3] = {pending_[0], pending_[1], 0};
    const size_t take = static_cast<size_t>(3 - pendingCount_);
    for (size_t i = 0; i < take; ++i) group[static_cast<size_t>(pendingCount_) + i] = in[i];
    in += take;
    left -= take;
    pendingCount_ = 0;
    lineBreak();
    out = EncodeGroups(group, 1, out);
    column_ = format_ ? column_ + 4 : 1;
  }
  if (!format_) {
    const size_t groups = left / 3;
    out = EncodeGroups(in, groups, out);
    in += 3 * groups;
    left -= 3 * groups;
    if (groups > 0) column_ = 1;  // any value but 0: the stream has begun
  } else {
    while (left >= 3) {
      lineBreak();
      if (column_ == 0 && left >= kLineBytes) {
        // A whole line at once: the usual case, as blob blocks are whole
        // lines.
        out = EncodeGroups(in, kLineBytes / 3, out);
        in += kLineBytes;
        left -= kLineBytes;
        column_ = kLineChars;
        continue;
      }
      const size_t n = std::min(left / 3, static_cast<size_t>((kLineChars - column_) / 4));
      out = EncodeGroups(in, n, out);
      in += 3 * n;
      left -= 3 * n;
      column_ += static_cast<int>(4 * n);
    }
  }
  for (size_t i = 0; i < left; ++i) pending_[pendingCount_++] = in[i];
  return out;
}

void Base64Encoder::Finish(std::string& Out) {
  char text[kMaxFinishLength];
  Out.append(text, static_cast<size_t>(Finish(text) - text));
}

char* Base64Encoder::Finish(char* Out) {
  char* out = Out;
  if (pendingCount_ > 0) {
    if (format_ && column_ == kLineChars) {
      *out++ = '\r';
      *out++ = '\n';
    }
    const uint32_t v = (uint32_t{pending_[0]} << 16) | (pendingCount_ == 2 ? uint32_t{pending_[1]} << 8 : 0);
    *out++ = kAlphabet[v >> 18];
    *out++ = kAlphabet[(v >> 12) & 63];
    *out++ = pendingCount_ == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    *out++ = '=';
  }
  pendingCount_ = 0;
  column_ = 0;
  return out;
}

// ---- Decoder ------------------------------------------------------------------

void Base64Decoder::Update(std::string_view Text, std::string& Out) {
  const auto* in = reinterpret_cast<const uint8_t*>(Text.data());
  const auto* end = in + Text.size();
  const size_t start = Out.size();
  const size_t most = start + 3 * ((static_cast<size_t>(count_) + Text.size()) / 4);
  kx::platform::ReserveLarge(Out, most);
  Out.resize(most);
  auto* out = reinterpret_cast<uint8_t*>(Out.data() + start);
  while (in < end) {
    // Whole clean groups in one step; anything else one byte at a time.
    if (count_ == 0) {
      while (end - in >= 4) {
        const uint32_t a = kDecode.values[in[0]], b = kDecode.values[in[1]];
        const uint32_t c = kDecode.values[in[2]], d = kDecode.values[in[3]];
        if ((a | b | c | d) > 63) break;
        const uint32_t v = (a << 18) | (b << 12) | (c << 6) | d;
        out[0] = static_cast<uint8_t>(v >> 16);
        out[1] = static_cast<uint8_t>(v >> 8);
        out[2] = static_cast<uint8_t>(v);
        out += 3;
        in += 4;
      }
      if (in == end) break;
    }
    const uint8_t value = kDecode.values[*in++];
    if (value > 63) continue;
    bits_ = (bits_ << 6) | value;
    if (++count_ == 4) {
      out[0] = static_cast<uint8_t>(bits_ >> 16);
      out[1] = static_cast<uint8_t>(bits_ >> 8);
      out[2] = static_cast<uint8_t>(bits_);
      out += 3;
      bits_ = 0;
      count_ = 0;
    }
  }
  Out.resize(static_cast<size_t>(reinterpret_cast<char*>(out) - Out.data()));
}

void Base64Decoder::Finish(std::string& Out) {
  if (count_ == 2) {
    Out.push_back(static_cast<char>(bits_ >> 4));
  } else if (count_ == 3) {
    Out.push_back(static_cast<char>(bits_ >> 10));
    Out.push_back(static_cast<char>(bits_ >> 2));
  }
  bits_ = 0;
  count_ = 0;
}

// ---- One-shot forms -----------------------------------------------------------------

namespace TkxBase64 {

AnsiString StrToBase64(const AnsiString& InText, bool Format) {
  AnsiString out;
  kx::platform::ReserveLarge(out, Base64EncodedLength(InText.size(), Format));
  Base64Encoder encoder(Format);
  encoder.Update(InText, out);
  encoder.Finish(out);
  return out;
}

AnsiString Base64ToStr(const AnsiString& InText) {
  AnsiString out;
  kx::platform::ReserveLarge(out, 3 * ((InText.size() + 3) / 4));
  Base64Decoder decoder;
  decoder.Update(InText, out);
  decoder.Finish(out);
  return out;
}

}  // namespace TkxBase64
}  // namespace kxInternal
