#include "system/kxTypes_Rect.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/StringList.h"
#include "text/kxConversion.h"
#include "text/kxStrings_Edit.h"

namespace TkxTypes {

namespace {

// Two's complement wrap of a 64-bit intermediate result.
int32_t Wrap(int64_t Value) { return static_cast<int32_t>(static_cast<uint32_t>(Value)); }

// The last column or row of a span that starts at Start and has Size units:
// Start + Size - 1 for a positive Size, else Start + Size.
int32_t LastOf(int32_t Start, int32_t Size) {
  return Wrap(int64_t{Start} + Size - (Size > 0 ? 1 : 0));
}
double LastOf(double Start, double Size) { return Size > 0 ? Start + Size - 1 : Start + Size; }

// Nearest 32-bit integer, halves to even; 0 for not-a-number, the nearest
// limit beyond the range.
int32_t Round32(double Value) {
  if (std::isnan(Value)) return 0;
  const double r = std::nearbyint(Value);
  if (r >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (r <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

// The parts of Text between ","; none for an empty text.
void SplitParts(const UnicodeString& Text, TStringList& Parts) {
  TkxStrings::SplitStringW(Text, u",", Parts);
}

// The first four parts read with StrToReal; 0.0 where a part is missing.
void ReadFourReals(const UnicodeString& Text, double (&Out)[4]) {
  TStringList parts;
  SplitParts(Text, parts);
  for (int32_t i = 0; i < 4; ++i)
    Out[i] = i < parts.Count() ? TkxConversion::StrToReal(parts[i], false, 0.0) : 0.0;
}

AnsiString JoinFour(int32_t A, int32_t B, int32_t C, int32_t D) {
  return TkxConversion::IntToStr(A) + "," + TkxConversion::IntToStr(B) + "," +
         TkxConversion::IntToStr(C) + "," + TkxConversion::IntToStr(D);
}

}  // namespace

// ---- Building and converting ----------------------------------------------------

TRelRect FloatRect(double Left, double Top, double Right, double Bottom) {
  return TRelRect{Left, Top, Right, Bottom, Right - Left, Bottom - Top};
}

TAdvRect FloatRectToAdvRect(const TRelRect& Rect) {
  TAdvRect r;
  r.Left = Round32(Rect.Left);
  r.Top = Round32(Rect.Top);
  r.Width = Round32(Rect.Width);
  r.Height = Round32(Rect.Height);
  r.Right = LastOf(r.Left, r.Width);
  r.Bottom = LastOf(r.Top, r.Height);
  return r;
}

TRect FloatRectToTRect(const TRelRect& Rect) {
  const int32_t left = Round32(Rect.Left);
  const int32_t top = Round32(Rect.Top);
  return TRect(left, top, LastOf(left, Round32(Rect.Width)), LastOf(top, Round32(Rect.Height)));
}

TRelRect TRectToFloatRect(const TRect& Rect) {
  TRelRect r;
  r.Left = Rect.Left;
  r.Top = Rect.Top;
  r.Width = static_cast<double>(Rect.Right) - Rect.Left;
  r.Height = static_cast<double>(Rect.Bottom) - Rect.Top;
  r.Right = LastOf(r.Left, r.Width);
  r.Bottom = LastOf(r.Top, r.Height);
  return r;
}

TAdvRect AdvRect(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
  return TAdvRect{Left,
                  Top,
                  Right,
                  Bottom,
                  Wrap(int64_t{Right} - Left + 1),
                  Wrap(int64_t{Bottom} - Top + 1)};
}

bool IsRectEmpty(const TRect& Rect) { return Rect == TRect(); }
bool IsRectEmpty(const TRelRect& Rect) { return Rect == TRelRect(); }  // NaN != 0
bool IsRectEmpty(const TAdvRect& Rect) { return Rect == TAdvRect(); }

// ---- Texts ------------------------------------------------------------------------

AnsiString AdvRectToStr(const TAdvRect& Rect) {
  return JoinFour(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
}

AnsiString RectToStr(const TRect& Rect) {
  return JoinFour(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
}

TRelRect StrToFloatRect(const UnicodeString& Rect) {
  double n[4];
  ReadFourReals(Rect, n);
  return FloatRect(n[0], n[1], n[2], n[3]);
}

TRelRect StrToFloatRectLTWH(const UnicodeString& Rect) {
  double n[4];
  ReadFourReals(Rect, n);
  return TRelRect{n[0], n[1], LastOf(n[0], n[2]), LastOf(n[1], n[3]), n[2], n[3]};
}

TAdvRect StrToAdvRect(const UnicodeString& Rect) {
  TStringList parts;
  SplitParts(Rect, parts);
  int32_t n[4] = {0, 0, 0, 0};
  for (int32_t i = 0; i < 4 && i < parts.Count(); ++i)
    if (!TryStrToInt(parts[i], n[i])) n[i] = 0;
  return TAdvRect{n[0], n[1], n[2], n[3], Wrap(int64_t{n[2]} - n[0]), Wrap(int64_t{n[3]} - n[1])};
}

TRect StrToRect(const UnicodeString& Size) {
  TStringList parts;
  SplitParts(Size, parts);
  int32_t n[4] = {0, 0, 0, 0};
  for (int32_t i = 0; i < 4 && i < parts.Count(); ++i)
    if (!TryStrToInt(parts[i], n[i])) n[i] = -1;
  return TRect(n[0], n[1], n[2], n[3]);
}

// ---- Sets ---------------------------------------------------------------------------

namespace {

bool SupportedSetSize(int32_t Size) { return Size == 1 || Size == 2 || Size == 4; }

// The set's bits; the bytes are the native number of Size bytes.
uint32_t ReadSet(const void* SetParam, int32_t Size) {
  uint8_t b8;
  uint16_t b16;
  uint32_t b32;
  switch (Size) {
    case 1: std::memcpy(&b8, SetParam, 1); return b8;
    case 2: std::memcpy(&b16, SetParam, 2); return b16;
    case 4: std::memcpy(&b32, SetParam, 4); return b32;
    default: return 0;
  }
}

void WriteSet(void* SetParam, int32_t Size, uint32_t Bits) {
  const auto b8 = static_cast<uint8_t>(Bits);
  const auto b16 = static_cast<uint16_t>(Bits);
  switch (Size) {
    case 1: std::memcpy(SetParam, &b8, 1); break;
    case 2: std::memcpy(SetParam, &b16, 2); break;
    case 4: std::memcpy(SetParam, &Bits, 4); break;
    default: break;
  }
}

}  // namespace

AnsiString SetToString(const TkxSetInfo& Info, const void* SetParam, bool Brackets) {
  const uint32_t bits = SupportedSetSize(Info.Size) ? ReadSet(SetParam, Info.Size) : 0;
  AnsiString result;
  for (uint32_t ordinal = 0; ordinal < 32; ++ordinal) {
    if ((bits & (uint32_t{1} << ordinal)) == 0 || ordinal >= Info.Names.size()) continue;
    if (!result.empty()) result += ',';
    result += Info.Names[ordinal];
  }
  return Brackets ? "[" + result + "]" : result;
}

bool StringToSet(const TkxSetInfo& Info, void* SetParam, const std::string& Value) {
  if (!SupportedSetSize(Info.Size)) return false;
  WriteSet(SetParam, Info.Size, 0);
  size_t p = 0;
  const size_t n = Value.size();
  while (p < n && (Value[p] == ' ' || Value[p] == '[')) ++p;
  uint32_t bits = 0;
  while (p < n) {
    const size_t start = p;
    while (p < n && Value[p] != ' ' && Value[p] != ',' && Value[p] != ']') ++p;
    const std::string_view name(Value.data() + start, p - start);
    while (p < n && (Value[p] == ' ' || Value[p] == ',' || Value[p] == ']')) ++p;
    if (name.empty()) break;  // a "," where a name should start ends the list
    size_t ordinal = 0;
    while (ordinal < Info.Names.size() && !SameTextAscii(Info.Names[ordinal], name)) ++ordinal;
    if (ordinal == Info.Names.size()) return true;  // unknown name: the empty set
    if (ordinal < 32) bits |= uint32_t{1} << ordinal;
  }
  WriteSet(SetParam, Info.Size, bits);
  return true;
}

const TkxSetInfo& CryptingMethodSetInfo() {
  static const TkxSetInfo info{{"kxCM_None", "kxCM_3DES", "kxCM_AES256"}, 1};
  return info;
}

}  // namespace TkxTypes
