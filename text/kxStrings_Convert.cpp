#include "text/kxStrings_Convert.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Trim.h"
#include "platform/xml/HtmlText.h"
#include "text/kxStrings_Replace.h"
#include "text/kxStrings_Search.h"

namespace TkxStrings {

namespace {

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

void AppendUnicodeEscape(UnicodeString& out, char16_t c) {
  out += u"\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHexDigits[(c >> shift) & 0xF];
}

bool IsFlatChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
         c == u'_';
}

// The umlaut replacements of FlatStringW; nullptr for every other unit.
const char16_t* UmlautReplacement(char16_t c) {
  switch (c) {
    case u'\u00F6': return u"oe";
    case u'\u00FC': return u"ue";
    case u'\u00E4': return u"ae";
    case u'\u00D6': return u"OE";
    case u'\u00DC': return u"UE";
    case u'\u00C4': return u"AE";
    case u'\u00DF': return u"ss";
    default: return nullptr;
  }
}

template <class S>
S MapUnits(const S& text, typename S::value_type (*map)(typename S::value_type)) {
  S out = text;
  for (auto& c : out) c = map(c);
  return out;
}

template <class C>
C ControlToBlank(C c) {
  return static_cast<std::make_unsigned_t<C>>(c) < 0x20 ? C(' ') : c;
}

// CR LF to one blank, then the remaining LF to blanks, in one scan.
template <class S>
S BreaksToBlanks(const S& text) {
  using C = typename S::value_type;
  S out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const C c = text[i];
    if (c == C('\r') && i + 1 < text.size() && text[i + 1] == C('\n')) {
      out += C(' ');
      ++i;
    } else {
      out += c == C('\n') ? C(' ') : c;
    }
  }
  return out;
}

// Membership of UTF-16 units in a charset given as text.
class UnitSet {
 public:
  explicit UnitSet(std::u16string_view chars) : bits_(65536) {
    for (const char16_t c : chars) bits_[c] = true;
  }
  bool Has(char16_t c) const { return bits_[c]; }

 private:
  std::vector<bool> bits_;
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// One entry of the simple quoted-printable table: "=" + two hexadecimal
// digits (letters in either case) and what replaces them.
struct QuotedCode {
  char Code[2];
  std::string_view Replacement;
};

// The 163 entries in the order they are applied.
const std::vector<QuotedCode>& SimpleQuotedTable() {
  static const std::vector<QuotedCode> table = [] {
    static const std::array<std::string, 256> bytes = [] {
      std::array<std::string, 256> b;
      for (size_t i = 0; i < b.size(); ++i) b[i] = std::string(1, static_cast<char>(i));
      return b;
    }();
    auto code = [](unsigned value, std::string_view replacement) {
      return QuotedCode{{static_cast<char>(kHexDigits[value >> 4]),
                         static_cast<char>(kHexDigits[value & 0xF])},
                        replacement};
    };
    std::vector<QuotedCode> t;
    for (unsigned v = 0x00; v <= 0x1F; ++v) t.push_back(code(v, std::string_view()));
    for (const unsigned v : {0x20u, 0x2Cu, 0x2Eu, 0x3Du, 0x7Eu}) t.push_back(code(v, bytes[v]));
    for (unsigned v = 0x7F; v <= 0xFF; ++v)
      if (v != 0xDD && v != 0xED && v != 0xFD) t.push_back(code(v, bytes[v]));
    return t;
  }();
  return table;
}

bool SameHexDigit(char text, char code) {
  return text == code || (code >= 'A' && code <= 'F' && text == code - 'A' + 'a');
}

// One pass of ReplaceA(Text, "=" + code, Replacement, true): left to right,
// inserted text not scanned again. Text is untouched when the code does not
// occur.
void ReplaceQuotedCode(std::string& Text, const QuotedCode& Code) {
  std::string out;
  size_t done = 0;
  bool found = false;
  for (size_t at = Text.find('='); at != std::string::npos && at + 2 < Text.size();
       at = Text.find('=', at)) {
    if (SameHexDigit(Text[at + 1], Code.Code[0]) && SameHexDigit(Text[at + 2], Code.Code[1])) {
      if (!found) {
        out.reserve(Text.size());
        found = true;
      }
      out.append(Text, done, at - done);
      out.append(Code.Replacement);
      done = at + 3;
      at = done;
    } else {
      ++at;
    }
  }
  if (!found) return;
  out.append(Text, done, std::string::npos);
  Text.swap(out);
}

}  // namespace

TkxCharSet TkxCharSetOf(std::u16string_view Chars) {
  TkxCharSet set;
  for (const char16_t c : Chars)
    if (c <= 0xFF) set.set(c);
  return set;
}

// ---- Script strings ----------------------------------------------------------

UnicodeString StringToJScriptString(const UnicodeString& AValue) {
  UnicodeString out;
  out.reserve(AValue.size() + AValue.size() / 4);
  for (const char16_t c : AValue) {
    switch (c) {
      case u'\b': out += u"\\b"; break;
      case u'\t': out += u"\\t"; break;
      case u'\n': out += u"\\n"; break;
      case u'\f': out += u"\\f"; break;
      case u'\r': out += u"\\r"; break;
      case u'"':
      case u'/':
      case u'\\':
        out += u'\\';
        out += c;
        break;
      default:
        if (c < 0x20 || c >= 0x80)
          AppendUnicodeEscape(out, c);
        else
          out += c;
    }
  }
  return out;
}

// ---- Flat identifiers --------------------------------------------------------

UnicodeString FlatStringW(const UnicodeString& Str, char16_t Delimiter, bool ConvertUmlauts) {
  // The three steps in one scan: blanks and other characters both become
  // Delimiter, and the umlaut replacements are plain letters.
  UnicodeString out;
  out.reserve(Str.size());
  for (const char16_t c : Str) {
    const char16_t* umlaut = ConvertUmlauts ? UmlautReplacement(c) : nullptr;
    if (umlaut != nullptr)
      out += umlaut;
    else
      out += IsFlatChar(c) ? c : Delimiter;
  }
  return out;
}

AnsiString FlatString(const AnsiString& Str, char Delimiter, bool ConvertUmlauts) {
  const UnicodeString delimiter = ToUtf16(std::string_view(&Delimiter, 1));
  return ToUtf8(FlatStringW(ToUtf16(Str), delimiter[0], ConvertUmlauts));
}

// ---- Control characters, blanks and line breaks ------------------------------

AnsiString DeleteControlChars(const AnsiString& Str) { return MapUnits(Str, ControlToBlank<char>); }

UnicodeString DeleteControlChars(const UnicodeString& Str) {
  return MapUnits(Str, ControlToBlank<char16_t>);
}

UnicodeString DeleteControlCharsW(const UnicodeString& Str) { return DeleteControlChars(Str); }

UnicodeString BlanksToUnderScore(const UnicodeString& Str) {
  return MapUnits(Str, +[](char16_t c) { return c == u' ' ? u'_' : c; });
}

UnicodeString FormatTechnicalName(const UnicodeString& Name) {
  return MapUnits(Name, +[](char16_t c) { return c == u' ' || c == u',' || c == u'/' ? u'_' : c; });
}

AnsiString Breaks2Blanks(const AnsiString& Text) { return BreaksToBlanks(Text); }

UnicodeString Breaks2BlanksW(const UnicodeString& Text) { return BreaksToBlanks(Text); }

// ---- Character sets ----------------------------------------------------------

bool VerifyCharset(const UnicodeString& Charset, const UnicodeString& Str) {
  if (Str.empty()) return true;
  if (Charset.empty()) return false;
  const UnitSet allowed(Charset);
  return std::all_of(Str.begin(), Str.end(), [&](char16_t c) { return allowed.Has(c); });
}

UnicodeString ApplyCharset(const UnicodeString& Charset, const UnicodeString& Str) {
  if (Charset.empty()) return Str;
  const UnitSet allowed(Charset);
  UnicodeString out;
  out.reserve(Str.size());
  for (const char16_t c : Str)
    if (allowed.Has(c)) out += c;
  return out;
}

UnicodeString ApplyTkxCharset(const UnicodeString& AString, const TkxCharSet& ACharset,
                              bool AInverted) {
  UnicodeString out;
  out.reserve(AString.size());
  for (const char16_t c : AString) {
    const bool member = c <= 0xFF && ACharset[c];
    if (member != AInverted) out += c;
  }
  return out;
}

AnsiString ApplyCharsetA(const AnsiString& Str, const AnsiString& Charset,
                         bool RemoveControlChars, bool RemoveBlanks) {
  const UnitSet allowed(ToUtf16(Charset));
  UnicodeString text = ToUtf16(Str);
  for (char16_t& c : text) {
    if (RemoveControlChars) c = ControlToBlank(c);
    if (!allowed.Has(c)) c = u' ';
  }
  UnicodeString out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    if (c == u' ' && (RemoveBlanks || (!out.empty() && out.back() == u' '))) continue;
    out += c;
  }
  return ToUtf8(TrimBlanks(out));
}

// ---- Quoted-printable --------------------------------------------------------

AnsiString ReplaceQuotedPrintableSimple(const AnsiString& Content) {
  std::string text = Content;
  if (text.find('=') != std::string::npos)
    for (const QuotedCode& code : SimpleQuotedTable()) ReplaceQuotedCode(text, code);
  return FastReplaceA(text, "=\r\n", "");
}

AnsiString ReplaceQuotedPrintable(const AnsiString& Content) {
  std::string text = FastReplaceA(Content, "=\r\n", "");
  text = FastReplaceA(text, "=\n", "");
  text = FastReplaceA(text, "=\r", "");
  std::string out;
  out.reserve(text.size());
  size_t done = 0;
  for (size_t at = text.find('='); at != std::string::npos; at = text.find('=', done)) {
    out.append(text, done, at - done);
    // One or two characters after "=", all of them hexadecimal digits.
    const size_t digits = std::min<size_t>(2, text.size() - at - 1);
    int value = 0;
    bool valid = digits > 0;
    for (size_t i = 1; i <= digits && valid; ++i) {
      const int d = HexValue(text[at + i]);
      valid = d >= 0;
      value = value * 16 + d;
    }
    if (valid) out += static_cast<char>(value);
    done = at + 1 + digits;
  }
  out.append(text, done, std::string::npos);
  return out;
}

// ---- HTML --------------------------------------------------------------------

UnicodeString HtmlToText(const UnicodeString& _html) { return kx::platform::HtmlBodyText(_html); }

}  // namespace TkxStrings
