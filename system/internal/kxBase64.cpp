#include "system/internal/kxBase64.h"

#include <array>

#include "platform/rtl/LargeBuffer.h"

namespace kxInternal {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kLineChars = 76;

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

inline char* EncodeGroups(const uint8_t* in, size_t groups, char* out) {
  for (size_t g = 0; g < groups; ++g, in += 3, out += 4) {
    const uint32_t v = (uint32_t{in[0]} << 16) | (uint32_t{in[1]} << 8) | in[2];
    const char* hi = &kPairs.chars[2 * (v >> 12)];
    const char* lo = &kPairs.chars[2 * (v & 0xFFF)];
    out[0] = hi[0];
    out[1] = hi[1];
    out[2] = lo[0];
    out[3] = lo[1];
  }
  return out;
}

uint64_t CeilDiv(uint64_t a, uint64_t b) { return a / b + (a % b != 0 ? 1 : 0); }

}  // namespace

uint64_t Base64EncodedLength(uint64_t Bytes, bool Format) {
  if (Bytes == 0) return 0;
  const uint64_t chars = 4 * CeilDiv(Bytes, 3);
  return Format ? chars + 2 * ((Bytes - 1) / 57) : chars;
}

// ---- Encoder ------------------------------------------------------------------

void Base64Encoder::Update(std::string_view Data, std::string& Out) {
  const auto* in = reinterpret_cast<const uint8_t*>(Data.data());
  size_t left = Data.size();
  const size_t groups = (static_cast<size_t>(pendingCount_) + left) / 3;
  if (groups == 0) {
    for (size_t i = 0; i < left; ++i) pending_[pendingCount_++] = in[i];
    return;
  }
  // Exact growth: the characters, and a CR LF before every line after the
  // first one of the stream.
  size_t grow = 4 * groups;
  if (format_) {
    const size_t total = static_cast<size_t>(column_) + grow;
    const size_t linesOpen = column_ == 0 ? 1 : CeilDiv(static_cast<size_t>(column_), kLineChars);
    grow += 2 * (CeilDiv(total, kLineChars) - linesOpen);
  }
  const size_t start = Out.size();
  kx::platform::ReserveLarge(Out, start + grow);
  Out.resize(start + grow);
  char* out = Out.data() + start;

  auto lineBreak = [&] {
    if (format_ && column_ == kLineChars) {
      *out++ = '\r';
      *out++ = '\n';
      column_ = 0;
    }
  };
  size_t remaining = groups;
  if (pendingCount_ > 0) {
    uint8_t group[3] = {pending_[0], pending_[1], 0};
    const size_t take = static_cast<size_t>(3 - pendingCount_);
    for (size_t i = 0; i < take; ++i) group[pendingCount_ + static_cast<int>(i)] = in[i];
    in += take;
    left -= take;
    pendingCount_ = 0;
    lineBreak();
    out = EncodeGroups(group, 1, out);
    column_ += 4;
    --remaining;
  }
  if (!format_) {
    out = EncodeGroups(in, remaining, out);
    in += 3 * remaining;
    left -= 3 * remaining;
    column_ = 1;  // any value but 0: the stream has begun
  } else {
    while (remaining > 0) {
      lineBreak();
      const size_t n = std::min(remaining, static_cast<size_t>((kLineChars - column_) / 4));
      out = EncodeGroups(in, n, out);
      in += 3 * n;
      left -= 3 * n;
      column_ += static_cast<int>(4 * n);
      remaining -= n;
    }
  }
  for (size_t i = 0; i < left; ++i) pending_[pendingCount_++] = in[i];
}

void Base64Encoder::Finish(std::string& Out) {
  if (pendingCount_ > 0) {
    if (format_ && column_ == kLineChars) Out += "\r\n";
    const uint32_t v = (uint32_t{pending_[0]} << 16) | (pendingCount_ == 2 ? uint32_t{pending_[1]} << 8 : 0);
    const char text[4] = {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63],
                          pendingCount_ == 2 ? kAlphabet[(v >> 6) & 63] : '=', '='};
    Out.append(text, 4);
  }
  pendingCount_ = 0;
  column_ = 0;
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
