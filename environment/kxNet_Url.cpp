#include "environment/kxNet_Url.h"

#include <array>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "system/kxToolsEvo2_Identity.h"
#include "text/kxConversion.h"
#include "text/kxStrings.h"

kxInternal::TkxCipherEncoding CheckEncoding(TkxEncoding Encoding) {
  if (static_cast<unsigned>(Encoding) > kxENC_Internal) throw Exception("invalid encoding");
  return static_cast<kxInternal::TkxCipherEncoding>(Encoding);
}

TkxEncoding CheckEncoding(kxInternal::TkxCipherEncoding Encoding) {
  if (static_cast<unsigned>(Encoding) > kxInternal::kxCIPHENC_Internal) {
    throw Exception("invalid encoding");
  }
  return static_cast<TkxEncoding>(Encoding);
}

namespace TkxNet {

namespace {

using KeptSet = std::array<bool, 256>;

constexpr KeptSet MakeKept(std::string_view Extra) {
  KeptSet kept{};
  for (int c = '0'; c <= '9'; ++c) kept[c] = true;
  for (int c = 'A'; c <= 'Z'; ++c) kept[c] = true;
  for (int c = 'a'; c <= 'z'; ++c) kept[c] = true;
  for (char c : Extra) kept[static_cast<unsigned char>(c)] = true;
  return kept;
}

constexpr KeptSet kUrlPart = MakeKept("-._");
constexpr KeptSet kUrlPartW = MakeKept("-._*");
constexpr KeptSet kPercent = MakeKept("-._~/:");

AnsiString Escape(std::string_view Bytes, const KeptSet& Kept) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  AnsiString out;
  out.reserve(Bytes.size());
  for (const char ch : Bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (Kept[c]) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The value of Count hexadecimal digits at Text[At], or -1.
int32_t HexAt(std::string_view Text, size_t At, size_t Count) {
  if (At + Count > Text.size()) return -1;
  int32_t value = 0;
  for (size_t i = 0; i < Count; ++i) {
    const int d = HexDigit(Text[At + i]);
    if (d < 0) return -1;
    value = value * 16 + d;
  }
  return value;
}

AnsiString Query(const std::vector<UnicodeString>& Parameters, TkxEncoding Encoding) {
  const kxInternal::TkxCipherEncoding mapped = CheckEncoding(Encoding);
  const AnsiString q = kxInternal::TkxCipher::EncodeUrlParams(Parameters, mapped);
  return q.empty() ? q : "?" + q;
}

AnsiString Base(bool HTTPS, const UnicodeString& Host, int32_t Port) {
  AnsiString base = HTTPS ? "https://" : "http://";
  base += ToUtf8(Host.empty() ? TkxTools::GetComputerNameEx(TkxTools::ComputerNameDnsFullyQualified)
                              : Host);
  if (Port > 0) base += ":" + ToUtf8(IntToStr(Port));
  return base;
}

// The text after the first "//", or the whole text.
std::u16string_view Rest(const UnicodeString& AUrl) {
  const size_t slashes = AUrl.find(u"//");
  std::u16string_view rest(AUrl);
  if (slashes != UnicodeString::npos) rest.remove_prefix(slashes + 2);
  return rest;
}

std::u16string_view Authority(const UnicodeString& AUrl) {
  const std::u16string_view rest = Rest(AUrl);
  return rest.substr(0, rest.find(u'/'));
}

const TkxUrlParam* Find(const UnicodeString& Param, const TkxUrlParams& UrlParams) {
  const UnicodeString wanted = UpperText(Param);
  for (const TkxUrlParam& p : UrlParams) {
    if (p.Param == wanted) return &p;
  }
  return nullptr;
}

}  // namespace

AnsiString BuildUrl(const UnicodeString& RootUrl, const UnicodeString& URI,
                    const std::vector<UnicodeString>& Parameters, TkxEncoding Encoding) {
  const AnsiString query = Query(Parameters, Encoding);
  return ToUtf8(TkxStrings::CheckStringSuffixW(RootUrl, u"/") + URI) + query;
}

AnsiString BuildUrl(const UnicodeString& RootUrl, const UnicodeString& URI) {
  const std::u16string_view uri =
      !URI.empty() && URI.front() == u'/' ? std::u16string_view(URI).substr(1) : URI;
  return ToUtf8(TkxStrings::CheckStringSuffixW(RootUrl, u"/") + UnicodeString(uri));
}

AnsiString BuildUrl(bool HTTPS, const UnicodeString& Host, int32_t Port, const UnicodeString& URI,
                    const std::vector<UnicodeString>& Parameters, TkxEncoding Encoding) {
  const AnsiString base = Base(HTTPS, Host, Port);
  if (URI.empty()) return base;
  const UnicodeString path = URI.front() == u'/' ? URI : u"/" + URI;
  const AnsiString query = Query(Parameters, Encoding);
  return base + ToUtf8(path) + query;
}

AnsiString BuildUrl(bool HTTPS, const UnicodeString& Host, int32_t Port, const AnsiString& URI) {
  return Base(HTTPS, Host, Port) + "/" + URI;
}

UnicodeString CheckRootUrlSuffix(const UnicodeString& Url) {
  if (Url.empty() || Url.back() == u'/') return Url;
  return Url + u"/";
}

bool IsHTTPSUrl(const UnicodeString& AUrl) { return LowerText(AUrl).starts_with(u"https://"); }

UnicodeString GetServerFromUrl(const UnicodeString& AUrl) {
  const std::u16string_view authority = Authority(AUrl);
  return UnicodeString(authority.substr(0, authority.find(u':')));
}

uint16_t GetPortFromUrl(const UnicodeString& AUrl) {
  const std::u16string_view authority = Authority(AUrl);
  const size_t colon = authority.find(u':');
  if (colon == std::u16string_view::npos) return 0;
  const int64_t port = TkxConversion::StrToInt(UnicodeString(authority.substr(colon + 1)), 0);
  return static_cast<uint16_t>(static_cast<uint64_t>(port) & 0xFFFF);
}

UnicodeString GetPathFromUrl(const UnicodeString& AUrl) {
  const std::u16string_view rest = Rest(AUrl);
  const size_t slash = rest.find(u'/');
  if (slash == std::u16string_view::npos) return u"/";
  return UnicodeString(rest.substr(slash));
}

bool CheckHTTPResponseCode(int32_t Code) { return Code / 100 == 2; }

AnsiString EncodeUrlPart(const AnsiString& Url) { return Escape(Url, kUrlPart); }

AnsiString EncodeUrlPartW(const UnicodeString& Url) { return Escape(ToUtf8(Url), kUrlPartW); }

AnsiString PercentEncode(const UnicodeString& Text) { return Escape(ToUtf8(Text), kPercent); }

AnsiString DecodeUrlPart(const AnsiString& Text) {
  return kxInternal::TkxCipher::detail::UrlUnescapeBytes(Text);
}

UnicodeString PercentDecode(const AnsiString& Text) {
  // Decoded bytes are appended to out and never looked at again, which is
  // the "search on from one after the escape" rule.
  AnsiString out;
  out.reserve(Text.size());
  size_t at = 0;
  while (at < Text.size()) {
    const size_t percent = Text.find('%', at);
    if (percent == AnsiString::npos) {
      out.append(Text, at, AnsiString::npos);
      break;
    }
    out.append(Text, at, percent - at);
    const bool wide = percent + 1 < Text.size() && (Text[percent + 1] == 'u' || Text[percent + 1] == 'U');
    const int32_t unit = wide ? HexAt(Text, percent + 2, 4) : -1;
    if (unit >= 0) {
      UnicodeString chars(1, static_cast<char16_t>(unit));
      size_t next = percent + 6;
      if (unit >= 0xD800 && unit <= 0xDBFF && next + 1 < Text.size() && Text[next] == '%' &&
          (Text[next + 1] == 'u' || Text[next + 1] == 'U')) {
        const int32_t low = HexAt(Text, next + 2, 4);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          chars += static_cast<char16_t>(low);
          next += 6;
        }
      }
      out += ToUtf8(chars);
      at = next;
      continue;
    }
    const int32_t byte = HexAt(Text, percent + 1, 2);
    if (byte >= 0) {
      out += static_cast<char>(byte);
      at = percent + 3;
    } else {
      out += '%';
      at = percent + 1;
    }
  }
  return ToUtf16(out);
}

TkxUrlParams ParseUrlParams(const AnsiString& UrlParamStr, TkxEncoding& Encoding) {
  kxInternal::TkxCipherEncoding encoding = kxInternal::kxCIPHENC_None;
  const kxInternal::TkxCipherUrlParams decoded =
      kxInternal::TkxCipher::DecodeUrlParams(UrlParamStr, encoding);
  Encoding = CheckEncoding(encoding);
  TkxUrlParams params;
  params.reserve(decoded.size());
  for (const kxInternal::TkxCipherUrlParam& p : decoded) {
    params.push_back({p.Param, p.Value, p.RawValue, CheckEncoding(p.Encoding)});
  }
  return params;
}

UnicodeString GetUrlParamValue(const UnicodeString& Param, const TkxUrlParams& UrlParams,
                               const UnicodeString& Default, bool RawValue) {
  const TkxUrlParam* p = Find(Param, UrlParams);
  if (p == nullptr) return Default;
  return RawValue ? ToUtf16(p->RawValue) : p->Value;
}

AnsiString GetRawUrlParamValue(const UnicodeString& Param, const TkxUrlParams& UrlParams,
                               const AnsiString& Default) {
  const TkxUrlParam* p = Find(Param, UrlParams);
  return p != nullptr ? p->RawValue : Default;
}

bool UrlParamExists(const UnicodeString& Param, const TkxUrlParams& UrlParams) {
  return Find(Param, UrlParams) != nullptr;
}

}  // namespace TkxNet
