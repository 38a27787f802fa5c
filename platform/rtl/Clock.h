// platform/rtl/Clock.h — the only place that reads the wall clock, and the
// conversions between local time and UTC.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/rtl/DateTime.h"

namespace kx::platform {
TDateTime Now();  // local time
void SetClockForTesting(std::function<TDateTime()> clock);  // nullptr restores

// Milliseconds since 1970-01-01 00:00 <-> date-time, both on the same clock
// (no zone is applied), as file times and the zone conversions need them.
// DateTimeToUnixMs answers false for NaN, infinities and values outside
// 0001-01-01..9999-12-31; UnixMsToDateTime takes any count.
//   DateTimeToUnixMs(TDateTime(25569.5), ms) sets ms == 43'200'000
bool DateTimeToUnixMs(TDateTime Value, int64_t& Ms);
TDateTime UnixMsToDateTime(int64_t Ms);
}  // namespace kx::platform

// Local date and time now, today at midnight, and the time of day.
inline TDateTime Now() { return kx::platform::Now(); }
TDateTime Date();
TDateTime Time();

// Local time <-> UTC by the process's time-zone rules (TZ, else the system
// zone; a TZ changed while the process runs is honoured). The offset is the
// one in force at the given instant, so a summer date converts with the summer
// offset even in winter. Milliseconds are carried unchanged.
// A local time that a clock change skips (02:30 on the spring-forward day)
// is normalised by the C library: it moves forward by the size of the gap. A
// local time that occurs twice takes the C library's choice.
// A value outside 0001-01-01..9999-12-31 converts with the offset in force
// now; NaN stays NaN.
// Raise EOSError when the C library cannot convert the instant.
//   under TZ=Europe/Berlin: LocalTimeToUtc(2024-07-01 12:00) == 2024-07-01 10:00
TDateTime LocalTimeToUtc(TDateTime Local);
TDateTime UtcToLocalTime(TDateTime Utc);
