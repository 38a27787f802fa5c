// platform/rtl/ThreadPriority.h — the platform's thread priorities.
//
// The ordinals (0 idle ... 6 time-critical) are stored in configuration and
// written as text by their table, so their order is fixed.
#pragma once

#include <cstdint>

enum TThreadPriority : uint8_t {
  tpIdle,
  tpLowest,
  tpLower,
  tpNormal,
  tpHigher,
  tpHighest,
  tpTimeCritical
};
