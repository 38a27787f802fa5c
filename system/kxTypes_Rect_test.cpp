#include "system/kxTypes_Rect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using namespace TkxTypes;

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(TypesRect, BuildingAndConverting) {
  EXPECT_EQ(FloatRect(1, 2, 11, 7), (TRelRect{1, 2, 11, 7, 10, 5}));
  EXPECT_EQ(AdvRect(0, 0, 9, 9), (TAdvRect{0, 0, 9, 9, 10, 10}));
  EXPECT_EQ(TRectToFloatRect(TRect(10, 10, 20, 20)), (TRelRect{10, 10, 19, 19, 10, 10}));
  EXPECT_EQ(TRectToFloatRect(TRect(10, 10, 10, 5)), (TRelRect{10, 10, 10, 5, 0, -5}));

  // Left, Top, Width, Height rounded half to even; the source's Right and
  // Bottom are not read.
  struct Case { TRelRect from; TAdvRect want; };
  const Case cases[] = {
      {{2.5, 3.5, 999, 999, 0, 0}, {2, 4, 2, 4, 0, 0}},
      {{10, 20, 0, 0, 5, 2.5}, {10, 20, 14, 21, 5, 2}},
      {{10, 20, 0, 0, -3, 1}, {10, 20, 7, 20, -3, 1}},
      // Not-a-number is 0, values beyond 32 bits the nearest limit, and the
      // last column wraps as 32-bit arithmetic does.
      {{NAN, 0, 0, 0, NAN, 3}, {0, 0, 0, 2, 0, 3}},
      {{1e300, -1e300, 0, 0, INFINITY, -INFINITY}, {kMax, kMin, -3, 0, kMax, kMin}},
      {{2147483647.5, -2147483648.5, 0, 0, 0, 0}, {kMax, kMin, kMax, kMin, 0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FloatRectToAdvRect(c.from), c.want) << c.from.Left;
    EXPECT_EQ(FloatRectToTRect(c.from),
              TRect(c.want.Left, c.want.Top, c.want.Right, c.want.Bottom));
  }

  // 32-bit sums and differences wrap instead of overflowing.
  EXPECT_EQ(AdvRect(0, kMin, kMax, kMax), (TAdvRect{0, kMin, kMax, kMax, kMin, 0}));
}

TEST(TypesRect, EmptyMeansEveryFieldZero) {
  EXPECT_TRUE(IsRectEmpty(TRect()));
  EXPECT_FALSE(IsRectEmpty(TRect(0, 0, 0, 1)));
  EXPECT_TRUE(IsRectEmpty(TAdvRect()));
  EXPECT_FALSE(IsRectEmpty(TAdvRect{0, 0, 0, 0, 0, 1}));
  EXPECT_TRUE(IsRectEmpty(TRelRect()));
  EXPECT_TRUE(IsRectEmpty(TRelRect{-0.0, 0, 0, 0, 0, -0.0}));
  EXPECT_FALSE(IsRectEmpty(TRelRect{0, 0, 0, 0, 0, NAN}));
  EXPECT_FALSE(IsRectEmpty(TRelRect{0, 0, 0, 0, 1e-300, 0}));
}

TEST(TypesRect, Texts) {
  EXPECT_EQ(AdvRectToStr(AdvRect(0, 0, 9, 9)), "0,0,9,9");
  EXPECT_EQ(AdvRectToStr(TAdvRect{-1, kMin, kMax, 0, 5, 5}), "-1,-2147483648,2147483647,0");
  EXPECT_EQ(RectToStr(TRect(1, -2, 3, -4)), "1,-2,3,-4");

  struct RelCase { const char16_t* text; TRelRect plain, ltwh; };
  const RelCase rel[] = {
      {u"10,20,100,50", {10, 20, 100, 50, 90, 30}, {10, 20, 109, 69, 100, 50}},
      {u"10,20,0,0", {10, 20, 0, 0, -10, -20}, {10, 20, 10, 20, 0, 0}},
      {u"10", {10, 0, 0, 0, -10, 0}, {10, 0, 10, 0, 0, 0}},
      {u"", {}, {}},
      {u"1.5,x,,2.5,99", {1.5, 0, 0, 2.5, -1.5, 2.5}, {1.5, 0, 1.5, 1.5, 0, 2.5}},
      {u"-1,-2,-3,-4", {-1, -2, -3, -4, -2, -2}, {-1, -2, -4, -6, -3, -4}},
  };
  for (const auto& c : rel) {
    EXPECT_EQ(StrToFloatRect(c.text), c.plain) << ToUtf8(c.text);
    EXPECT_EQ(StrToFloatRectLTWH(c.text), c.ltwh) << ToUtf8(c.text);
  }

  // The integer readers: an unreadable part is 0 for StrToAdvRect, -1 for
  // StrToRect, and a missing part is 0 for both.
  struct IntCase { const char16_t* text; TAdvRect adv; TRect rect; };
  const IntCase ints[] = {
      {u"0,0,9,9", {0, 0, 9, 9, 9, 9}, {0, 0, 9, 9}},
      {u"1,,3", {1, 0, 3, 0, 2, 0}, {1, -1, 3, 0}},
      {u" 1,$10,0x20,x", {1, 16, 32, 0, 31, -16}, {1, 16, 32, -1}},
      {u"1 ,2.5,3000000000,-4,5", {0, 0, 0, -4, 0, -4}, {-1, -1, -1, -4}},
      {u"", {}, {}},
      {u",", {}, {-1, -1, 0, 0}},
      {u"-2147483648,0,2147483647,0", {kMin, 0, kMax, 0, -1, 0}, {kMin, 0, kMax, 0}},
  };
  for (const auto& c : ints) {
    EXPECT_EQ(StrToAdvRect(c.text), c.adv) << ToUtf8(c.text);
    EXPECT_EQ(StrToRect(c.text), c.rect) << ToUtf8(c.text);
  }
  EXPECT_EQ(StrToAdvRect(u"0,0,9,9").Width, 9);  // no + 1, unlike AdvRect
}

TEST(TypesRect, SetsAsNameLists) {
  const TkxSetInfo& info = CryptingMethodSetInfo();
  EXPECT_EQ(info.Size, 1);

  struct Case { uint8_t set; bool brackets; const char* text; };
  const Case cases[] = {
      {0b101, true, "[kxCM_None,kxCM_AES256]"},
      {0b101, false, "kxCM_None,kxCM_AES256"},
      {0b010, false, "kxCM_3DES"},
      {0, true, "[]"},
      {0, false, ""},
      {0b11111010, false, "kxCM_3DES"},  // bits without a name are left out
  };
  for (const auto& c : cases) EXPECT_EQ(SetToString(info, &c.set, c.brackets), c.text);

  struct ReadCase { const char* text; uint8_t want; };
  const ReadCase reads[] = {
      {"[kxCM_None,kxCM_AES256]", 0b101},
      {"kxCM_None,kxCM_AES256", 0b101},
      {"  [kxcm_3des kxCM_AES256]", 0b110},  // any case, blanks separate
      {"[ kxCM_3DES , ]", 0b010},
      {"kxCM_3DES]kxCM_None", 0b011},
      {"", 0},
      {"[]", 0},
      {"kxCM_3DES,,kxCM_None", 0b011},
      {"kxCM_3DES,kxCM_Bogus", 0},  // one unknown name: the empty set
      {"kxCM_3DES,[kxCM_None", 0},  // "[" only at the start
      {",kxCM_3DES", 0},            // an empty first name ends the list
  };
  for (const auto& c : reads) {
    uint8_t set = 0xFF;
    EXPECT_TRUE(StringToSet(info, &set, c.text)) << c.text;
    EXPECT_EQ(set, c.want) << c.text;
  }
}

TEST(TypesRect, SetStorageSizes) {
  TkxSetInfo wide;
  for (int i = 0; i < 40; ++i) wide.Names.push_back("v" + std::to_string(i));
  for (int32_t size : {2, 4}) {
    wide.Size = size;
    uint32_t set = 0;
    ASSERT_TRUE(StringToSet(wide, &set, "[v0,v15,v31,v39]")) << size;
    // Ordinals from 32 on are ignored; a 2-byte set keeps its 16 bits.
    const uint32_t want = size == 2 ? 0x8001u : 0x80008001u;
    EXPECT_EQ(set, want);
    EXPECT_EQ(SetToString(wide, &set, false), size == 2 ? "v0,v15" : "v0,v15,v31");
  }

  // Another size: nothing written, false; as a source the empty set.
  wide.Size = 3;
  uint32_t untouched = 0xDEADBEEF;
  EXPECT_FALSE(StringToSet(wide, &untouched, "v1"));
  EXPECT_FALSE(StringToSet(wide, &untouched, ""));
  EXPECT_EQ(untouched, 0xDEADBEEFu);
  EXPECT_EQ(SetToString(wide, &untouched, true), "[]");
}

}  // namespace
