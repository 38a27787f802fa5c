#include "platform/rtl/StringList.h"

#include <charconv>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Stream.h"

namespace kx::platform::detail {

namespace {

// Text, with Number in place of "%d" when it has one.
[[noreturn]] void RaiseListError(std::u16string_view text, int32_t number) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  UnicodeString message;
  const size_t at = text.find(u"%d");
  if (at == std::u16string_view::npos) {
    message = text;
  } else {
    message = text.substr(0, at);
    message.append(digits, end);  // ASCII digits and "-"
    message += text.substr(at + 2);
  }
  throw EStringListError(std::move(message));
}

int32_t Sign(int32_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// Two bytes per unit in the order the byte-order mark gave; an odd last byte
// is kept the codec's way, as U+DC00 + byte.
UnicodeString DecodeUtf16(const std::string& bytes, size_t from, bool bigEndian) {
  UnicodeString text;
  text.reserve((bytes.size() - from) / 2 + 1);
  size_t p = from;
  for (; p + 1 < bytes.size(); p += 2) {
    const auto b0 = static_cast<uint8_t>(bytes[p]);
    const auto b1 = static_cast<uint8_t>(bytes[p + 1]);
    text += static_cast<char16_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0);
  }
  if (p < bytes.size()) text += static_cast<char16_t>(0xDC00 + static_cast<uint8_t>(bytes[p]));
  return text;
}

}  // namespace

void StringListKind<UnicodeString>::RaiseIndexError(int32_t Index) {
  RaiseListError(u"List index out of bounds (%d)", Index);
}
void StringListKind<UnicodeString>::RaiseCapacityError(int32_t Capacity) {
  RaiseListError(u"List capacity out of bounds (%d)", Capacity);
}
void StringListKind<UnicodeString>::RaiseSortedError() {
  RaiseListError(u"Operation not allowed on sorted list", 0);
}
void StringListKind<UnicodeString>::RaiseDuplicateError() {
  RaiseListError(u"String list does not allow duplicates", 0);
}
int32_t StringListKind<UnicodeString>::Compare(const UnicodeString& S1, const UnicodeString& S2,
                                               bool CaseSensitive) {
  return Sign(CaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2));
}
UnicodeString StringListKind<UnicodeString>::FromBytes(const std::string& Bytes) {
  if (Bytes.starts_with("\xEF\xBB\xBF")) return ToUtf16(std::string_view(Bytes).substr(3));
  if (Bytes.starts_with("\xFF\xFE")) return DecodeUtf16(Bytes, 2, false);
  if (Bytes.starts_with("\xFE\xFF")) return DecodeUtf16(Bytes, 2, true);
  return ToUtf16(Bytes);
}
std::string StringListKind<UnicodeString>::ToBytes(const UnicodeString& Text) { return ToUtf8(Text); }

void StringListKind<AnsiString>::RaiseIndexError(int32_t Index) {
  RaiseListError(u"Listenindex \u00FCberschreitet das Maximum (%d)", Index);
}
void StringListKind<AnsiString>::RaiseCapacityError(int32_t Capacity) {
  RaiseListError(u"Listenkapazit\u00E4t au\u00DFerhalb des zul\u00E4ssigen Bereichs (%d)", Capacity);
}
void StringListKind<AnsiString>::RaiseSortedError() {
  RaiseListError(u"Operation f\u00FCr sortierte Listen nicht zul\u00E4ssig", 0);
}
void StringListKind<AnsiString>::RaiseDuplicateError() {
  RaiseListError(u"In der Stringliste sind Duplikate nicht erlaubt", 0);
}
int32_t StringListKind<AnsiString>::Compare(const AnsiString& S1, const AnsiString& S2,
                                            bool CaseSensitive) {
  // Collation.h decodes 8-bit texts through the codec, whole length.
  return Sign(CaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2));
}

}  // namespace kx::platform::detail

template <class S>
void TStringsT<S>::LoadFromStream(Stream& Source) {
  Updating([&] {
    std::string bytes;
    int64_t hint = 0;
    try {
      hint = Source.Size() - Source.Position();
    } catch (const EStreamError&) {
      // A stream without a size (a pipe) is read to its end all the same.
    }
    constexpr int64_t kChunk = 1 << 16;
    if (hint > 0) bytes.reserve(static_cast<size_t>(hint));
    for (;;) {
      const size_t at = bytes.size();
      bytes.resize(at + static_cast<size_t>(std::max(kChunk, hint)));
      const int64_t got = Source.Read(bytes.data() + at, static_cast<int64_t>(bytes.size() - at));
      bytes.resize(at + static_cast<size_t>(got));
      if (got == 0) break;
      hint = 0;
    }
    SetTextStr(Kind::FromBytes(bytes));
  });
}

template <class S>
void TStringsT<S>::LoadFromFile(const UnicodeString& FileName) {
  FileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

template <class S>
void TStringsT<S>::SaveToStream(Stream& Target) const {
  const std::string bytes = Kind::ToBytes(GetTextStr());
  Target.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

template <class S>
void TStringsT<S>::SaveToFile(const UnicodeString& FileName) const {
  FileStream file(FileName, fmCreate);
  SaveToStream(file);
}

template <class S>
int32_t TStringsT<S>::toTStrings(TStringListT<UnicodeString>& Destination) const
  requires std::is_same_v<S, AnsiString>
{
  // (The test repeats the constraint for compilers that instantiate this body
  // for the UTF-16 list too.)
  if constexpr (std::is_same_v<S, AnsiString>) {
    const int32_t n = GetCount();
    for (int32_t i = 0; i < n; ++i) Destination.Add(ToUtf16(Get(i)));
  }
  return Destination.Count();
}

template class TStringsT<UnicodeString>;
template class TStringsT<AnsiString>;
template class TStringListT<UnicodeString>;
template class TStringListT<AnsiString>;
