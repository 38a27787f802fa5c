#include "platform/rtl/Graphics.h"

#include <gtest/gtest.h>

TEST(MulDiv, RoundsHalvesAwayFromZeroThroughA64BitProduct) {
  struct Case { int32_t n, num, den, want; };
  const Case cases[] = {
      {1, 1, 2, 1},          // a half goes away from zero
      {-1, 1, 2, -1},
      {3, 1, -2, -2},
      {5, 1, 3, 2},          // 1.67
      {4, 1, 3, 1},          // 1.33
      {8, 96, 72, 11},       // 10.67: size 8 is 11 pixels
      {11, 72, 96, 8},       // 8.25
      {65536, 65536, 65536, 65536},  // the product needs 64 bits
      {1, 1, 0, -1},         // no denominator
      {INT32_MAX, 4, 1, -1}, // the result does not fit
  };
  for (const auto& c : cases)
    EXPECT_EQ(MulDiv(c.n, c.num, c.den), c.want) << c.n << " * " << c.num << " / " << c.den;
}

TEST(TFont, SizeAndHeightKeepThe96DotRelation) {
  struct Case { int32_t size, height; };
  for (const Case c : {Case{8, -11}, Case{9, -12}, Case{10, -13}, Case{12, -16}, Case{1, -1}}) {
    TFont font;
    font.SetSize(c.size);
    EXPECT_EQ(font.Height(), c.height) << c.size;
    TFont byHeight;
    byHeight.SetHeight(c.height);
    EXPECT_EQ(byHeight.Size(), c.size) << c.height;
  }
  TFont font;
  font.SetHeight(-11);  // the dialog's font: a size, never -1
  EXPECT_EQ(font.Size(), 8);
}

TEST(TFont, ChangesNotifyAndAssignCopiesValuesOnly) {
  int changes = 0;
  TFont font;
  font.OnChange = [&] { ++changes; };
  font.SetName(u"Arial");
  font.SetName(u"");  // an empty name is ignored
  font.SetName(u"Arial");
  font.SetSize(12);
  font.SetColor(clGray);
  font.SetStyle(FontStyle(fsBold));
  EXPECT_EQ(font.Name(), u"Arial");
  EXPECT_EQ(changes, 4);

  TFont other;
  other.OnChange = [] {};
  other.Assign(font);
  EXPECT_EQ(other, font);
  font.Assign(font);
  EXPECT_EQ(changes, 4);
  TFont copy = font;
  EXPECT_FALSE(copy.OnChange);
}

TEST(ColorToRGB, SystemColoursAndNoColour) {
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xF0F0F0);
  EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFF);
  EXPECT_EQ(ColorToRGB(clWindowText), 0);
  EXPECT_EQ(ColorToRGB(clNone), 0);
  EXPECT_EQ(ColorToRGB(12217663), 12217663);
  EXPECT_EQ(GetRValue(12217663), 63);
  EXPECT_EQ(GetGValue(12217663), 109);
  EXPECT_EQ(GetBValue(12217663), 186);
  EXPECT_EQ(RGB(63, 109, 186), 12217663);
}
