#include "platform/rtl/Text.h"

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Length of the valid UTF-8 sequence at s[i], or 0 when the byte there does not
// start one. Rejects overlong forms, encoded surrogates and values above U+10FFFF.
size_t ValidSequenceLength(std::string_view s, size_t i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  size_t len;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
    cp = b0 & 0x1F;
    min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    cp = b0 & 0x0F;
    min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    cp = b0 & 0x07;
    min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string Encode(std::u16string_view text, bool strict) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
    } else if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      const char32_t cp = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
      AppendUtf8(out, cp);
      ++i;
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      if (!strict && u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF)
        out.push_back(static_cast<char>(u - kEscapeBase));
      else
        out.push_back('?');
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

}  // namespace

UnicodeString ToUtf16(std::string_view bytes) {
  UnicodeString out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    char32_t cp;
    const size_t len = ValidSequenceLength(bytes, i, cp);
    if (len == 0) {
      out.push_back(static_cast<char16_t>(kEscapeBase + b));
      ++i;
    } else if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
      i += len;
    } else {
      out.push_back(static_cast<char16_t>(cp));
      i += len;
    }
  }
  return out;
}

std::string ToUtf8(std::u16string_view text) { return Encode(text, false); }

std::string ToUtf8Strict(std::u16string_view text) { return Encode(text, true); }

bool IsValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    char32_t cp;
    const size_t len = ValidSequenceLength(bytes, i, cp);
    if (len == 0) return false;
    i += len;
  }
  return true;
}
