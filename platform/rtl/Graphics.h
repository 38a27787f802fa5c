// platform/rtl/Graphics.h — the platform's colour values and font record,
// without any drawing: what forms, styles and controls store.
//
// A colour (TColor) is a 32-bit number whose lowest byte is red, the next
// green and the next blue; a value whose highest byte is 0xFF is a system
// colour (clBtnFace), and clNone means "no colour". ColorToRGB turns every
// value into plain red, green and blue.
//
// A font keeps its size in pixels (Height) as the platform does at 96 dots
// per inch: a negative Height is the character height, and Size (points) is
// derived from it, so a font set by Height still has a Size:
//   Size = MulDiv(-Height, 72, 96);  Height = -MulDiv(Size, 96, 72)
//   Size 8 <-> Height -11;  Height -12 -> Size 9
#pragma once

#include <cstdint>
#include <functional>

#include "platform/rtl/Text.h"

using TColor = int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;
// System colours: 0xFF000000 + the system's colour index.
inline constexpr TColor clScrollBar = TColor(0xFF000000);
inline constexpr TColor clWindow = TColor(0xFF000005);
inline constexpr TColor clWindowText = TColor(0xFF000008);
inline constexpr TColor clBtnFace = TColor(0xFF00000F);
inline constexpr TColor clBtnShadow = TColor(0xFF000010);
inline constexpr TColor clGrayText = TColor(0xFF000011);
inline constexpr TColor clBtnText = TColor(0xFF000012);
inline constexpr TColor clHighlight = TColor(0xFF00000D);
inline constexpr TColor clHighlightText = TColor(0xFF00000E);
inline constexpr TColor clBtnHighlight = TColor(0xFF000014);

// The plain red, green and blue of Color (0x00BBGGRR). A system colour gives
// its standard value (clBtnFace 0xF0F0F0, clWindow white, clWindowText
// black, ...); what IsColor refuses gives black; the highest byte of any
// other value is dropped (clDefault is black).
int32_t ColorToRGB(TColor Color);
// False for clNone and for a system colour the table lacks.
bool IsColor(TColor Color);
inline constexpr uint8_t GetRValue(int32_t Rgb) { return uint8_t(Rgb & 0xFF); }
inline constexpr uint8_t GetGValue(int32_t Rgb) { return uint8_t((Rgb >> 8) & 0xFF); }
inline constexpr uint8_t GetBValue(int32_t Rgb) { return uint8_t((Rgb >> 16) & 0xFF); }
inline constexpr TColor RGB(uint8_t R, uint8_t G, uint8_t B) {
  return TColor(R) | (TColor(G) << 8) | (TColor(B) << 16);
}

// Number × Numerator / Denominator through a 64-bit product, rounded to the
// nearest integer, halves away from zero. -1 when Denominator is 0 or the
// result does not fit 32 bits.
//   MulDiv(1, 1, 2) == 1;  MulDiv(-1, 1, 2) == -1;  MulDiv(8, 96, 72) == 11
int32_t MulDiv(int32_t Number, int32_t Numerator, int32_t Denominator);

enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
// A set of TFontStyle: bit (1 << style).
using TFontStyles = uint8_t;
inline constexpr TFontStyles FontStyle(TFontStyle Style) { return TFontStyles(1u << Style); }

inline constexpr int32_t kScreenPixelsPerInch = 96;

// A font record: name, height (size), colour and style. OnChange runs after
// every change that alters a value (a panel repaints). Assign copies the
// values, never the handler.
class TFont {
 public:
  TFont() = default;
  TFont(const TFont& Other) : name_(Other.name_), height_(Other.height_), color_(Other.color_), style_(Other.style_) {}
  TFont& operator=(const TFont& Other) {
    Assign(Other);
    return *this;
  }

  const UnicodeString& Name() const { return name_; }
  void SetName(const UnicodeString& Value);
  int32_t Height() const { return height_; }
  void SetHeight(int32_t Value);
  int32_t Size() const { return MulDiv(-height_, 72, kScreenPixelsPerInch); }
  void SetSize(int32_t Value) { SetHeight(-MulDiv(Value, kScreenPixelsPerInch, 72)); }
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles Value);

  void Assign(const TFont& Other);
  std::function<void()> OnChange;

  friend bool operator==(const TFont& A, const TFont& B) {
    return A.name_ == B.name_ && A.height_ == B.height_ && A.color_ == B.color_ && A.style_ == B.style_;
  }

 private:
  void Changed() {
    if (OnChange) OnChange();
  }
  // The platform's default font: "Tahoma" 8 (our choice of a common face).
  UnicodeString name_ = u"Tahoma";
  int32_t height_ = -11;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
};
