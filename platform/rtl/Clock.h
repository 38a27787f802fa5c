// platform/rtl/Clock.h — the only place that reads the wall clock.
#pragma once

#include <functional>

#include "platform/rtl/DateTime.h"

namespace kx::platform {
TDateTime Now();  // local time
void SetClockForTesting(std::function<TDateTime()> clock);  // nullptr restores
}  // namespace kx::platform

// Local date and time now, today at midnight, and the time of day.
inline TDateTime Now() { return kx::platform::Now(); }
TDateTime Date();
TDateTime Time();
