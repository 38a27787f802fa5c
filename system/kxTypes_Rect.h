// system/kxTypes_Rect.h — rectangles: building, converting, writing and
// reading them as text; sets of enumeration values as lists of value names.
//
// Three rectangle records carry corners and size side by side: TRelRect
// (doubles), TAdvRect (32-bit) and the platform's TRect (corners only). Most
// conversions take Right and Bottom as the last column and row inside the
// rectangle: Right = Left + Width - 1 for a positive Width, else
// Left + Width. FloatRect, StrToFloatRect and StrToAdvRect instead set
// Width = Right - Left, and AdvRect Width = Right - Left + 1; mixing the two
// conventions is the caller's business.
//
// 32-bit results never overflow: sums and differences wrap in two's
// complement (AdvRect(0, 0, INT32_MAX, 0).Width == INT32_MIN), and rounding a
// double to 32 bits (half to even) gives 0 for not-a-number and the nearest
// 32-bit limit beyond the range.
//
// Rectangle texts are four numbers joined by "," without blanks. The readers
// never fail.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/Geometry.h"
#include "platform/rtl/Text.h"
#include "system/kxTypes_Records.h"

// How a set type names its values, for SetToString and StringToSet: the
// value names in ordinal order, spelled as declared ("kxCM_None"), and the
// set's storage size in bytes (bit n of the stored number = the value of
// ordinal n is a member).
struct TkxSetInfo {
  std::vector<AnsiString> Names;
  int32_t Size = 0;
};

namespace TkxTypes {

// ---- Building and converting ----------------------------------------------------

// Width = Right - Left, Height = Bottom - Top.
TRelRect FloatRect(double Left, double Top, double Right, double Bottom);
// Left, Top and the rounded Width and Height; Right and Bottom from those (the
// source's Right and Bottom are not read).
//   FloatRectToAdvRect({Left 10, Width 5}).Right == 14;  Left 2.5 -> 2, 3.5 -> 4
TAdvRect FloatRectToAdvRect(const TRelRect& Rect);
// Left and Top rounded; Right and Bottom from the rounded Width and Height.
TRect FloatRectToTRect(const TRelRect& Rect);
// Width = Right - Left of the source, then Right = Left + Width - 1 when
// Width > 0:  TRectToFloatRect(TRect(10, 10, 20, 20)) has Width 10, Right 19.
TRelRect TRectToFloatRect(const TRect& Rect);
// Width = Right - Left + 1, Height = Bottom - Top + 1.
TAdvRect AdvRect(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom);

// True when every field is exactly 0 (-0.0 counts as 0; not-a-number in any
// field makes the rectangle not empty).
bool IsRectEmpty(const TRect& Rect);
bool IsRectEmpty(const TRelRect& Rect);
bool IsRectEmpty(const TAdvRect& Rect);

// ---- Texts ------------------------------------------------------------------------

// Left, Top, Right, Bottom in decimal joined by ",":  "0,0,9,9".
AnsiString AdvRectToStr(const TAdvRect& Rect);
AnsiString RectToStr(const TRect& Rect);

// The first four parts between "," as Left, Top, Right, Bottom, each read with
// TkxConversion::StrToReal ("," or "." decimal separator rules, default 0.0):
// a missing or unreadable part is 0; further parts are ignored.
// Width = Right - Left, Height = Bottom - Top.
TRelRect StrToFloatRect(const UnicodeString& Rect);
// The same four numbers as Left, Top, Width, Height; Right and Bottom follow
// from them:  "10,20,100,50" gives Right 109, Bottom 69.
TRelRect StrToFloatRectLTWH(const UnicodeString& Rect);
// Left, Top, Right, Bottom read with the platform's integer reader (decimal,
// or hexadecimal after "$" or "0x"; leading blanks, nothing after, 32-bit
// range); a missing or unreadable part is 0. Width = Right - Left,
// Height = Bottom - Top (no + 1).
TAdvRect StrToAdvRect(const UnicodeString& Rect);
// The parts read as StrToAdvRect does, but an unreadable part (an empty one
// included) is -1, while a field the text has no part for stays 0:
//   StrToRect(u"1,,3") == TRect(1, -1, 3, 0)
TRect StrToRect(const UnicodeString& Size);

// ---- Sets ---------------------------------------------------------------------------

// The value names of the members, ordinals 0 to 31 ascending, joined by ","
// without blanks; with Brackets enclosed in "[" and "]" ("[]" for the empty
// set). SetParam points to Info.Size bytes holding the set as a number; a
// size other than 1, 2 or 4 reads as the empty set. A member bit without a
// name in Info is left out.
//   SetToString(CryptingMethodSetInfo(), &set, true) == "[kxCM_None,kxCM_AES256]"
AnsiString SetToString(const TkxSetInfo& Info, const void* SetParam, bool Brackets);
// Reads what SetToString writes, with or without brackets: names compared
// without regard to (ASCII) case, separated by blanks or ","; leading blanks
// and "[" are skipped, "]" anywhere after a name too. An unknown name gives
// the empty set; a name of an ordinal above 31 is ignored. The result is true
// when Info.Size is 1, 2 or 4 (the set is written, the empty set for "" or an
// unknown name); any other size gives false and writes nothing.
bool StringToSet(const TkxSetInfo& Info, void* SetParam, const std::string& Value);

// The names of TkxCryptingMethod, stored in one byte.
const TkxSetInfo& CryptingMethodSetInfo();

}  // namespace TkxTypes
