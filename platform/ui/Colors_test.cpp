#include "platform/ui/Colors.h"

#include <gtest/gtest.h>

namespace {

using namespace kx::platform::ui;

TEST(Colors, PlatformValuesAndQtColours) {
  struct Case {
    TColor value;
    QColor want;
  };
  const Case cases[] = {
      {15132390, QColor(0xE6, 0xE6, 0xE6)},
      {0x0000FF, QColor(255, 0, 0)},  // the lowest byte is red
      {0xFF0000, QColor(0, 0, 255)},
      {0x00123456, QColor(0x56, 0x34, 0x12)},
      {clBtnFace, QColor(0xF0, 0xF0, 0xF0)},  // system colours from our table
      {clWindow, QColor(255, 255, 255)},
      {clWindowText, QColor(0, 0, 0)},
      {clNone, QColor()},
      {static_cast<TColor>(0xFF000063), QColor()},  // no such system colour
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToQColor(c.value), c.want) << std::hex << c.value;
    if (c.want.isValid() && (static_cast<uint32_t>(c.value) >> 24) == 0) {
      EXPECT_EQ(FromQColor(c.want), c.value) << std::hex << c.value;
    }
  }
  EXPECT_EQ(FromQColor(QColor()), clNone);
  EXPECT_EQ(FromQColor(QColor(0xEF, 0xEF, 0xEF)), 15724527);
}

}  // namespace
