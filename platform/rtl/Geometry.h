// platform/rtl/Geometry.h — the platform's integer rectangle and point.
//
// Plain 32-bit coordinates, y growing downwards. A TRect does not normalise
// itself: Left > Right or Top > Bottom is kept as given, and whether its right
// and bottom edges belong to it is for each operation to say.
#pragma once

#include <cstdint>

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;

  constexpr TPoint() = default;
  constexpr TPoint(int32_t x, int32_t y) : X(x), Y(y) {}

  friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;

  constexpr TRect() = default;
  constexpr TRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
      : Left(left), Top(top), Right(right), Bottom(bottom) {}
  // The rectangle spanned by two corners, taken as given (not normalised).
  constexpr TRect(const TPoint& topLeft, const TPoint& bottomRight)
      : Left(topLeft.X), Top(topLeft.Y), Right(bottomRight.X), Bottom(bottomRight.Y) {}

  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};
