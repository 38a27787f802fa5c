#include "system/internal/kxCipherToolsEvo3.h"

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Trim.h"
#include "system/internal/kxBase64.h"
#include "system/internal/kxCipherSecrets.h"
#include "system/internal/kxDES.h"
#include "system/internal/kxInternalDateTime.h"

namespace kxInternal::TkxCipher {

namespace {

const char* EncodingName(TkxCipherEncoding Encoding) {
  switch (Encoding) {
    case kxCIPHENC_Base64: return "base64";
    case kxCIPHENC_Strong: return "strong";
    case kxCIPHENC_Mega: return "mega";
    case kxCIPHENC_DCW: return "dcw";
    case kxCIPHENC_Service: return "service";
    case kxCIPHENC_Internal: return "internal";
    default: return "";
  }
}

TkxCipherEncoding EncodingFromName(const UnicodeString& Upper) {
  struct Entry {
    const char16_t* name;
    TkxCipherEncoding encoding;
  };
  static constexpr Entry kNames[] = {{u"MEGA", kxCIPHENC_Mega},     {u"INTERNAL", kxCIPHENC_Internal},
                                     {u"BASE64", kxCIPHENC_Base64}, {u"STRONG", kxCIPHENC_Strong},
                                     {u"SERVICE", kxCIPHENC_Service}, {u"B64", kxCIPHENC_Base64},
                                     {u"DCW", kxCIPHENC_DCW}};
  for (const auto& e : kNames)
    if (Upper == e.name) return e.encoding;
  return kxCIPHENC_None;
}

bool IsEnciphered(TkxCipherEncoding Encoding) {
  return Encoding == kxCIPHENC_Mega || Encoding == kxCIPHENC_Service || Encoding == kxCIPHENC_Internal;
}

AnsiString PassKeyOf(TkxCipherEncoding Encoding) {
  const AnsiString id = secrets::DefaultKeyString();
  switch (Encoding) {
    case kxCIPHENC_Mega: return secrets::PassKeyMega(id);
    case kxCIPHENC_Service: return secrets::PassKeyService(id);
    default: return secrets::PassKeyInternal(id);
  }
}

void ReplaceAll(AnsiString& Text, char From, char To) {
  for (char& c : Text)
    if (c == From) c = To;
}

// Splits at the first "=": name and value, and whether there was one.
template <typename S>
bool SplitParameter(const S& Text, S& Name, S& Value) {
  const size_t eq = Text.find(static_cast<typename S::value_type>('='));
  if (eq == S::npos) {
    Name = Text;
    Value.clear();
    return false;
  }
  Name = Text.substr(0, eq);
  Value = Text.substr(eq + 1);
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower-case digits are not escapes here
}

// The first entry named Name (already upper-cased), or null.
const TkxCipherUrlParam* Find(const TkxCipherUrlParams& Params, const char16_t* Name) {
  for (const auto& p : Params)
    if (p.Param == Name) return &p;
  return nullptr;
}

}  // namespace

// ---- Strings -------------------------------------------------------------------------------

namespace {

// The component every string operation makes for itself.
void Prepare(TDES& Des, const AnsiString& PassKey) {
  Des.CipherMode = ECB;
  Des.StringMode = smEncode;
  Des.InitialiseString(PassKey);
}

}  // namespace

AnsiString EncodeString(const AnsiString& EncString, const AnsiString& PassKey) {
  if (EncString.empty() || PassKey.empty()) return {};
  TDES des;
  Prepare(des, PassKey);
  AnsiString out;
  des.EncString(EncString, out);
  return out;
}

AnsiString DecodeString(const AnsiString& EncString, const AnsiString& PassKey) {
  if (EncString.empty() || PassKey.empty()) return {};
  TDES des;
  Prepare(des, PassKey);
  AnsiString out;
  des.DecString(EncString, out);
  return out;
}

AnsiString EncodePrivateString(const AnsiString& EncString, const AnsiString& PassKey) {
  if (PassKey.empty()) return {};
  return EncodeString(EncString, secrets::PrivateStringPrefix() + PassKey);
}

AnsiString DecodePrivateString(const AnsiString& EncString, const AnsiString& PassKey) {
  if (PassKey.empty()) return {};
  return DecodeString(EncString, secrets::PrivateStringPrefix() + PassKey);
}

AnsiString EncodeLogon(const AnsiString& EncString) {
  if (EncString.empty()) return {};
  return EncodeString("$$$" + EncString, GenPassKeyLogon(secrets::DefaultKeyString()));
}

AnsiString DecodeLogon(const AnsiString& EncString) {
  try {
    const AnsiString plain = DecodeString(EncString, GenPassKeyLogon(secrets::DefaultKeyString()));
    if (plain.compare(0, 3, "$$$") == 0) return plain.substr(3);
    return EncString;
  } catch (const Exception&) {
    return {};
  }
}

AnsiString DCWEncDecoder(const AnsiString& Value) {
  const std::string_view alphabet(secrets::kDcwAlphabet, sizeof secrets::kDcwAlphabet - 1);
  const std::string_view output(secrets::kDcwOutput, sizeof secrets::kDcwOutput - 1);
  const int32_t size = static_cast<int32_t>(alphabet.size());

  const std::string_view text = TrimBlanks(Value);
  if (text.empty()) return {};

  // The selector: the output symbol at the last character's position, as a
  // number; 0 when it is none or the character is not in the alphabet.
  int row = 0;
  const size_t last = alphabet.find(text.back());
  if (last != std::string_view::npos && output[last] >= '0' && output[last] <= '9') row = output[last] - '0';
  const char* key = secrets::kDcwKeyRows[row];

  AnsiString out;
  int counter = 0;
  for (const char c : text) {
    const size_t found = alphabet.find(c);
    if (found == std::string_view::npos) continue;
    counter = counter % 8 + 1;
    const int32_t k = static_cast<int32_t>(found) + 1;
    int32_t j = k - (key[counter - 1] - '0');
    if (j <= 0) j += size;
    out += output[static_cast<size_t>(j - 1)];
  }
  return out;
}

// ---- Keys --------------------------------------------------------------------------------------

AnsiString GenPassKeyMega(const AnsiString& SecuID) { return secrets::PassKeyMega(SecuID); }
AnsiString GenPassKeyService(const AnsiString& SecuID) { return secrets::PassKeyService(SecuID); }
AnsiString GenPassKeyInternal(const AnsiString& SecuID) { return secrets::PassKeyInternal(SecuID); }
AnsiString GenPassKeyLogon(const AnsiString& SecuID) { return secrets::PassKeyLogon(SecuID); }
AnsiString GenerateCommonEncryptionKey(const AnsiString& SecuID) { return secrets::CommonEncryptionKey(SecuID); }
AnsiString GenerateCommonSecurityKey(const AnsiString& SecuID) { return secrets::CommonSecurityKey(SecuID); }

// ---- Queries -------------------------------------------------------------------------------------

namespace detail {

AnsiString UrlEscapeBytes(const AnsiString& Text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  AnsiString out;
  out.reserve(Text.size());
  for (const char ch : Text) {
    const auto c = static_cast<uint8_t>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' || c == '-' ||
        c == '.' || c == '_') {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

AnsiString UrlUnescapeBytes(const AnsiString& Text) {
  AnsiString text = Text;
  if (text.find('%') == AnsiString::npos) return text;
  // One pass per byte value, highest first, each over the text as the
  // earlier passes left it.
  for (int value = 255; value >= 0; --value) {
    size_t at = text.find('%');
    AnsiString next;
    size_t copied = 0;
    bool changed = false;
    while (at != AnsiString::npos && at + 2 < text.size()) {
      const int high = HexValue(text[at + 1]), low = HexValue(text[at + 2]);
      if (high >= 0 && low >= 0 && high * 16 + low == value) {
        next.append(text, copied, at - copied);
        next += static_cast<char>(value);
        copied = at + 3;
        changed = true;
        at = text.find('%', copied);
      } else {
        at = text.find('%', at + 1);
      }
    }
    if (changed) {
      next.append(text, copied, AnsiString::npos);
      text = std::move(next);
    }
  }
  return text;
}

}  // namespace detail

AnsiString EncodeUrlParams(const std::vector<UnicodeString>& Parameters, TkxCipherEncoding Encoding) {
  AnsiString body;
  if (IsEnciphered(Encoding)) {
    const AnsiString inner = EncodeUrlParams(Parameters, kxCIPHENC_Base64);
    const AnsiString stamp = TkxDateTime::DateTimeToTimeStampStr(Now(), false);
    const AnsiString plain = inner + "&buildtime=" + TkxBase64::StrToBase64(stamp, false);
    body = "data=" + TkxBase64::StrToBase64(EncodeString(plain, PassKeyOf(Encoding)), false);
  } else {
    for (size_t i = 0; i < Parameters.size(); ++i) {
      UnicodeString name, value;
      const bool hasValue = SplitParameter(Parameters[i], name, value);
      AnsiString bytes = ToUtf8(value);
      switch (Encoding) {
        case kxCIPHENC_Base64:
          bytes = TkxBase64::StrToBase64(bytes, false);
          break;
        case kxCIPHENC_Strong:
          bytes = TkxBase64::StrToBase64(EncodeLogon(bytes), false);
          break;
        case kxCIPHENC_DCW:
          throw Exception("unsupported encoding");
        default:
          break;
      }
      if (i > 0) body += '&';
      body += detail::UrlEscapeBytes(ToUtf8(name));
      if (hasValue) body += '=';
      if (!bytes.empty()) body += detail::UrlEscapeBytes(bytes);
    }
  }
  AnsiString prefix = EncodingName(Encoding);
  if (!prefix.empty()) prefix = "encoding=" + prefix;
  if (!prefix.empty() && !body.empty()) prefix += '&';
  return prefix + body;
}

TkxCipherUrlParams DecodeUrlParams(const AnsiString& UrlParamStr, TkxCipherEncoding& Encoding) {
  TkxCipherUrlParams params;
  if (UrlParamStr.empty()) return params;

  AnsiString text = UrlParamStr;
  ReplaceAll(text, '+', ' ');
  text += '&';
  for (size_t start = 0, amp; (amp = text.find('&', start)) != AnsiString::npos; start = amp + 1) {
    AnsiString name, raw;
    SplitParameter(text.substr(start, amp - start), name, raw);
    TkxCipherUrlParam p;
    p.Param = UnicodeString(TrimBlanks(UpperText(ToUtf16(detail::UrlUnescapeBytes(name)))));
    p.RawValue = detail::UrlUnescapeBytes(raw);
    p.Value = ToUtf16(p.RawValue);
    params.push_back(std::move(p));
  }

  const TkxCipherUrlParam* named = Find(params, u"ENCODING");
  Encoding = named != nullptr ? EncodingFromName(UpperText(named->Value)) : kxCIPHENC_None;

  if (IsEnciphered(Encoding)) {
    if (params.size() < 2) return params;
    const TkxCipherUrlParam* data = Find(params, u"DATA");
    AnsiString base64 = data != nullptr ? data->RawValue : AnsiString();
    // A "+" of the Base64 text that the sender did not escape arrived as a
    // blank; Base64 text holds no blanks of its own.
    ReplaceAll(base64, ' ', '+');
    const AnsiString inner = DecodeString(TkxBase64::Base64ToStr(base64), PassKeyOf(Encoding));
    TkxCipherEncoding innerEncoding = kxCIPHENC_None;
    TkxCipherUrlParams result = DecodeUrlParams(inner, innerEncoding);
    if (Encoding == kxCIPHENC_Internal) {
      const TkxCipherUrlParam* built = Find(result, u"BUILDTIME");
      const TDateTime stamp =
          TkxDateTime::TimeStampStrToDateTime(built != nullptr ? built->Value : UnicodeString());
      if (Now().Val - stamp.Val >= 1.0) {
        result.clear();
        throw Exception("url expired");
      }
    }
    return result;
  }

  for (TkxCipherUrlParam& p : params) {
    if (p.Param == u"ENCODING") continue;
    p.Encoding = Encoding;
    switch (Encoding) {
      case kxCIPHENC_Base64:
        p.Value = ToUtf16(TkxBase64::Base64ToStr(p.RawValue));
        break;
      case kxCIPHENC_Strong:
        p.Value = ToUtf16(DecodeLogon(TkxBase64::Base64ToStr(p.RawValue)));
        break;
      case kxCIPHENC_DCW:
        p.Value = ToUtf16(DCWEncDecoder(p.RawValue));
        break;
      default:
        p.Value = ToUtf16(p.RawValue);
        break;
    }
    p.Value = UnicodeString(TrimBlanks(p.Value));
  }
  return params;
}

}  // namespace kxInternal::TkxCipher
