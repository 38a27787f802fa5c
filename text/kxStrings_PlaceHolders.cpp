#include "text/kxStrings_PlaceHolders.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <optional>

#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/NumberText.h"
#include "platform/zlib/Zlib.h"
#include "system/kxDateTime.h"
#include "system/kxToolsEvo2_Identity.h"

namespace TkxStrings {
namespace {

namespace zlib = kx::platform::zlib;

enum class Kind { Format, Quarter, Id, Guid, User, UserPrincipal, Host, HostFullyQualified };

struct PlaceHolder {
  std::u16string_view Lower;
  std::u16string_view Upper;
  Kind What;
  std::u16string_view Format;  // the date-time format letters for Kind::Format
};

// In the order of replacement: every place-holder before the shorter ones
// that it begins with.
constexpr std::array<PlaceHolder, 39> kPlaceHolders = {{
    {u"%timestamp", u"%TIMESTAMP", Kind::Format, u"yyyymmddhhnnsszzz"},
    {u"%date", u"%DATE", Kind::Format, u"ddddd"},
    {u"%longdate", u"%LONGDATE", Kind::Format, u"dddddd"},
    {u"%shortdate", u"%SHORTDATE", Kind::Format, u"ddddd"},
    {u"%time", u"%TIME", Kind::Format, u"tt"},
    {u"%shorttime", u"%SHORTTIME", Kind::Format, u"t"},
    {u"%longtime", u"%LONGTIME", Kind::Format, u"tt"},
    {u"%dayname", u"%DAYNAME", Kind::Format, u"dddd"},
    {u"%day", u"%DAY", Kind::Format, u"dddd"},
    {u"%month", u"%MONTH", Kind::Format, u"mmmm"},
    {u"%year", u"%YEAR", Kind::Format, u"yyyy"},
    {u"%hour", u"%HOUR", Kind::Format, u"hh"},
    {u"%minute", u"%MINUTE", Kind::Format, u"nn"},
    {u"%dddddd", u"%DDDDDD", Kind::Format, u"dddddd"},
    {u"%ddddd", u"%DDDDD", Kind::Format, u"ddddd"},
    {u"%dddd", u"%DDDD", Kind::Format, u"dddd"},
    {u"%ddd", u"%DDD", Kind::Format, u"ddd"},
    {u"%dd", u"%DD", Kind::Format, u"dd"},
    {u"%d", u"%D", Kind::Format, u"d"},
    {u"%mmmm", u"%MMMM", Kind::Format, u"mmmm"},
    {u"%mmm", u"%MMM", Kind::Format, u"mmm"},
    {u"%mm", u"%MM", Kind::Format, u"mm"},
    {u"%m", u"%M", Kind::Format, u"m"},
    {u"%yyyy", u"%YYYY", Kind::Format, u"yyyy"},
    {u"%yy", u"%YY", Kind::Format, u"yy"},
    {u"%hh", u"%HH", Kind::Format, u"hh"},
    {u"%nn", u"%NN", Kind::Format, u"nn"},
    {u"%ss", u"%SS", Kind::Format, u"ss"},
    {u"%zzz", u"%ZZZ", Kind::Format, u"zzz"},
    {u"%quarter", u"%QUARTER", Kind::Quarter, u""},
    {u"%id", u"%ID", Kind::Id, u""},
    {u"%guid", u"%GUID", Kind::Guid, u""},
    {u"%username", u"%USERNAME", Kind::User, u""},
    {u"%userprincipal", u"%USERPRINCIPAL", Kind::UserPrincipal, u""},
    {u"%user", u"%USER", Kind::User, u""},
    {u"%computername", u"%COMPUTERNAME", Kind::Host, u""},
    {u"%computer", u"%COMPUTER", Kind::Host, u""},
    {u"%hostdnsfullqualified", u"%HOSTDNSFULLQUALIFIED", Kind::HostFullyQualified, u""},
    {u"%host", u"%HOST", Kind::Host, u""},
}};

// Every non-overlapping occurrence of From, left to right, case-sensitive;
// what is put in is not searched again. False when From does not occur.
bool ReplaceAll(UnicodeString& text, std::u16string_view from, std::u16string_view to) {
  size_t pos = text.find(from);
  if (pos == UnicodeString::npos) return false;
  UnicodeString out;
  out.reserve(text.size());
  size_t start = 0;
  while (pos != UnicodeString::npos) {
    out.append(text, start, pos - start);
    out.append(to);
    start = pos + from.size();
    pos = text.find(from, start);
  }
  out.append(text, start, UnicodeString::npos);
  text = std::move(out);
  return true;
}

// Raises with zlib's own words when it has any.
[[noreturn]] void RaiseDecompression(const zlib::Inflater& z, const char16_t* what) {
  UnicodeString message = u"Invalid compressed string: ";
  message += what;
  const std::string words = z.Message();
  if (!words.empty()) message += u" (" + ToUtf16(words) + u")";
  throw EZDecompressionError(message);
}

}  // namespace

UnicodeString CheckDefaultPlaceHolders(const UnicodeString& Text, const UnicodeString& UserName,
                                       const UnicodeString& HostName) {
  if (Text.find(u'%') == UnicodeString::npos) return Text;
  std::optional<UnicodeString> user, host;
  UnicodeString w = Text;
  for (const PlaceHolder& p : kPlaceHolders) {
    ReplaceAll(w, p.Lower, p.Upper);
    if (w.find(p.Upper) == UnicodeString::npos) continue;
    UnicodeString value;
    switch (p.What) {
      case Kind::Format:
        value = FormatDateTime(UnicodeString(p.Format), Now());
        break;
      case Kind::Quarter:
        value = IntToStr(TkxDateTime::GetQuarter());
        break;
      case Kind::Id:
        value = ToUtf16(CreateId().View());
        break;
      case Kind::Guid:
        value = ToUtf16(CreateGuidStr());
        break;
      case Kind::User:
        if (!user) user = UserName.empty() ? TkxTools::GetUserName() : UserName;
        value = *user;
        break;
      case Kind::UserPrincipal:
        value = TkxTools::GetUserNameEx(TkxTools::NameUserPrincipal);
        break;
      case Kind::Host:
        if (!host) host = HostName.empty() ? TkxTools::GetComputerName() : HostName;
        value = *host;
        break;
      case Kind::HostFullyQualified:
        value = TkxTools::GetComputerNameEx(TkxTools::ComputerNameDnsFullyQualified);
        break;
    }
    ReplaceAll(w, p.Upper, value);
  }
  return w;
}

AnsiString CreateGuidStr() { return TkxTools::CreateGuidStr(); }

TIdType CreateId() { return TkxTools::CreateId(); }

AnsiString CompressString(const AnsiString& S) {
  if (S.size() > UINT32_MAX) throw EZCompressionError(u"The string is too long to compress");
  const auto n = static_cast<uint32_t>(S.size());
  const char count[4] = {static_cast<char>(n), static_cast<char>(n >> 8),
                         static_cast<char>(n >> 16), static_cast<char>(n >> 24)};
  AnsiString out;
  if (!zlib::DeflateAll({std::string_view(count, sizeof count), S}, 9, false, out))
    throw EZCompressionError(u"Compression failed");
  return out;
}

AnsiString DecompressString(const AnsiString& S) {
  zlib::Inflater z;
  if (!z.IsOpen()) throw EZDecompressionError(u"The decompression stream cannot be opened");

  AnsiString out;                // the content kept: at most the count and its bytes
  size_t have = 0;               // bytes of out filled
  uint64_t wanted = UINT64_MAX;  // 4 + the count, once the count is known
  char scratch[16384];           // inflated bytes after the counted ones
  std::string_view in = S;
  zlib::Result rc = zlib::Result::Ok;
  while (rc != zlib::Result::StreamEnd) {
    const bool keep = have < wanted;
    char* to;
    size_t room;
    if (keep) {
      // Grow with the data, never by the count alone: it is outside input.
      if (have == out.size()) {
        uint64_t next = std::max<uint64_t>(uint64_t{out.size()} * 2, 65536);
        next = std::min(next, wanted);
        out.resize(static_cast<size_t>(next));
      }
      room = out.size() - have;
      to = out.data() + have;
    } else {
      room = sizeof scratch;
      to = scratch;
    }
    size_t made = 0;
    rc = z.Step(in, to, room, made);
    if (keep) {
      have += made;
      if (wanted == UINT64_MAX && have >= 4) {
        const auto* b = reinterpret_cast<const unsigned char*>(out.data());
        wanted = 4 + (uint64_t{b[0]} | uint64_t{b[1]} << 8 | uint64_t{b[2]} << 16 |
                      uint64_t{b[3]} << 24);
      }
      if (have > wanted) have = static_cast<size_t>(wanted);
    }
    if (rc == zlib::Result::StreamEnd) break;
    if (rc == zlib::Result::NoProgress && in.empty())
      RaiseDecompression(z, u"the stream is cut short");
    if (rc != zlib::Result::Ok && rc != zlib::Result::NoProgress)
      RaiseDecompression(z, rc == zlib::Result::NeedDictionary ? u"a dictionary is needed"
                                                                : u"the data is damaged");
  }
  if (wanted == UINT64_MAX || have < wanted)
    throw EZDecompressionError(u"Invalid compressed string: fewer bytes than its count says");
  out.resize(have);
  out.erase(0, 4);
  return out;
}

}  // namespace TkxStrings
