#include "environment/kxNet_Multipart.h"

#include <string.h>

#include <algorithm>
#include <string_view>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Trim.h"
#include "text/kxStrings.h"

namespace TkxNet {

namespace {


// Every position of Needle in Haystack, overlapping ones included.
std::vector<size_t> Occurrences(std::string_view Haystack, std::string_view Needle) {
  std::vector<size_t> found;
  const char* start = Haystack.data();
  const char* end = start + Haystack.size();
  const char* at = start;
  while (static_cast<size_t>(end - at) >= Needle.size()) {
    const void* hit = ::memmem(at, static_cast<size_t>(end - at), Needle.data(), Needle.size());
    if (hit == nullptr) break;
    const char* p = static_cast<const char*>(hit);
    found.push_back(static_cast<size_t>(p - start));
    at = p + 1;
  }
  return found;
}

// The first of the sorted Positions at or after From, or npos.
size_t NextAt(const std::vector<size_t>& Positions, size_t From) {
  const auto it = std::lower_bound(Positions.begin(), Positions.end(), From);
  return it == Positions.end() ? AnsiString::npos : *it;
}

// The text up to the next double quote, or all of it.
std::u16string_view UpToQuote(std::u16string_view Text) { return Text.substr(0, Text.find(u'"')); }

// Name, SORTL and FileName from a Content-Disposition line. Each value
// starts one character after its "=" (the opening quote) and ends at the
// next double quote.
void ReadDisposition(std::string_view Line, TMultiPart& Part) {
  const UnicodeString line = ToUtf16(Line);
  const size_t name = UpperText(line).find(u"NAME=");
  if (name == UnicodeString::npos) return;
  std::u16string_view rest = std::u16string_view(line).substr(std::min(line.size(), name + 6));
  const std::u16string_view value = UpToQuote(rest);
  Part.Name = ToUtf8(value);
  Part.SORTL = AsciiUpper(Part.Name);
  rest.remove_prefix(std::min(rest.size(), value.size() + 1));
  const UnicodeString left(rest);
  const size_t file = UpperText(left).find(u"FILENAME=");
  if (file == UnicodeString::npos) return;
  Part.FileName = UnicodeString(UpToQuote(std::u16string_view(left).substr(std::min(left.size(), file + 10))));
}

void ReadHeaderLine(std::string_view Line, TMultiPart& Part, bool LowerCaseContentType) {
  const size_t colon = Line.find(':');
  if (colon == std::string_view::npos) return;
  const std::string_view name = TrimBlanks(Line.substr(0, colon));
  if (name.empty()) return;
  const std::string_view value = TrimBlanks(Line.substr(colon + 1));
  TkxKeyValue pair{UpperText(ToUtf16(name)), ToUtf16(value)};
  if (pair.Key == u"CONTENT-DISPOSITION") {
    ReadDisposition(Line, Part);
  } else if (pair.Key == u"CONTENT-TYPE") {
    Part.CType.assign(value);
    if (LowerCaseContentType) Part.CType = AsciiLower(Part.CType);
  }
  Part.Header.push_back(std::move(pair));
}

bool Parse(const AnsiString& Data, TMultiParts& MultiParts, bool LowerCaseContentType) {
  if (Data.empty()) return false;
  MultiParts.clear();
  const size_t firstLineEnd = Data.find('\n');
  if (firstLineEnd == AnsiString::npos) return false;
  const std::string_view boundary = TrimBlanks(std::string_view(Data).substr(0, firstLineEnd + 1));
  if (boundary.empty()) return false;

  // One search over the body finds every boundary; the parts are cut along
  // these positions.
  const std::vector<size_t> boundaries = Occurrences(Data, boundary);
  MultiParts.resize(boundaries.size() - 1);

  const auto length = static_cast<int64_t>(Data.size());
  const auto boundaryLength = static_cast<int64_t>(boundary.size());
  size_t p = 0;  // 0-based
  size_t i = 0;
  while (static_cast<int64_t>(p) + 1 < length - boundaryLength &&
         NextAt(boundaries, p) != AnsiString::npos) {
    ++i;
    if (MultiParts.size() < i) MultiParts.resize(i);
    TMultiPart& part = MultiParts[i - 1];
    part = TMultiPart();

    const size_t lineEnd = Data.find('\n', p);
    if (lineEnd == AnsiString::npos) return false;
    p = lineEnd + 1;
    const size_t headersEnd = Data.find("\r\n\r\n", p >= 2 ? p - 2 : 0);
    if (headersEnd == AnsiString::npos) return false;

    std::string_view headers;
    if (headersEnd > p) headers = std::string_view(Data).substr(p, headersEnd - p);
    while (!headers.empty()) {
      const size_t lf = headers.find('\n');
      const std::string_view line = headers.substr(0, lf == std::string_view::npos ? headers.size() : lf + 1);
      ReadHeaderLine(TrimBlanks(line), part, LowerCaseContentType);
      headers.remove_prefix(line.size());
    }

    const size_t bodyStart = headersEnd + 4;
    const size_t next = NextAt(boundaries, bodyStart);
    if (next == AnsiString::npos) return false;
    if (next >= bodyStart + 2) part.Data.assign(Data, bodyStart, next - 2 - bodyStart);
    p = next + boundary.size();
  }
  // The last boundary closes the body ("--" follows) unless a part was
  // opened after it (a line end follows, or nothing): then the body broke
  // off there.
  if (i > 0) {
    size_t after = p;
    while (after < Data.size() && (Data[after] == ' ' || Data[after] == '\t')) ++after;
    if (after >= Data.size() || Data[after] == '\r' || Data[after] == '\n') return false;
  }
  return true;
}

}  // namespace

AnsiString GetHttpRawHeaderValue(const AnsiString& Param, const AnsiString& Header) {
  if (Param.empty()) return AnsiString();
  const size_t match = AsciiUpper(Header).find(AsciiUpper(Param));
  if (match == AnsiString::npos) return AnsiString();
  std::string_view rest = std::string_view(Header).substr(match + 1);
  const size_t colon = rest.find(':');
  if (colon != std::string_view::npos) rest.remove_prefix(colon + 1);
  return AnsiString(TrimBlanks(rest.substr(0, rest.find('\n'))));
}

bool ParseMultiPartData(const AnsiString& Data, TMultiParts& MultiParts, bool LowerCaseContentType) {
  try {
    return Parse(Data, MultiParts, LowerCaseContentType);
  } catch (...) {
    return false;
  }
}

int32_t GetMultiPartId(const TMultiParts& MultiParts, const AnsiString& Param) {
  const AnsiString wanted = AsciiUpper(Param);
  for (size_t i = 0; i < MultiParts.size(); ++i) {
    if (MultiParts[i].SORTL == wanted) return static_cast<int32_t>(i);
  }
  return -1;
}

AnsiString GetMultiPartData(const TMultiParts& MultiParts, const AnsiString& Param,
                            const AnsiString& Default) {
  const int32_t id = GetMultiPartId(MultiParts, Param);
  return id >= 0 ? MultiParts[static_cast<size_t>(id)].Data : Default;
}

UnicodeString GetMultiPartHeaderValue(const TMultiPart& MultiPart, const UnicodeString& HeaderKey,
                                      const UnicodeString& Default) {
  const UnicodeString wanted = UpperText(HeaderKey);
  for (const TkxKeyValue& pair : MultiPart.Header) {
    if (pair.Key == wanted) return pair.Value;
  }
  return Default;
}

}  // namespace TkxNet
