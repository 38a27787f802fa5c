#include "platform/rtl/Clock.h"

#include <time.h>

#include <memory>
#include <mutex>

namespace kx::platform {
namespace {

std::mutex& ClockMutex() {
  static std::mutex m;
  return m;
}

// Shared so that a clock being replaced on one thread stays alive for a
// caller on another thread that fetched it just before.
std::shared_ptr<const std::function<TDateTime()>>& TestClock() {
  static std::shared_ptr<const std::function<TDateTime()>> clock;
  return clock;
}

TDateTime SystemNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  // tzset() re-reads TZ, so a zone changed while the process runs is honoured.
  tzset();
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  TDateTime date, time;
  if (!TryEncodeDate(static_cast<uint16_t>(local.tm_year + 1900),
                     static_cast<uint16_t>(local.tm_mon + 1),
                     static_cast<uint16_t>(local.tm_mday), date))
    return TDateTime(0.0);
  // A leap second (tm_sec 60) is shown as the last second of the minute.
  const int sec = local.tm_sec > 59 ? 59 : local.tm_sec;
  TryEncodeTime(static_cast<uint16_t>(local.tm_hour), static_cast<uint16_t>(local.tm_min),
                static_cast<uint16_t>(sec), static_cast<uint16_t>(ts.tv_nsec / 1'000'000), time);
  return TDateTime(date.Val + time.Val);
}

}  // namespace

TDateTime Now() {
  std::shared_ptr<const std::function<TDateTime()>> clock;
  {
    std::lock_guard<std::mutex> lock(ClockMutex());
    clock = TestClock();
  }
  return clock ? (*clock)() : SystemNow();
}

void SetClockForTesting(std::function<TDateTime()> clock) {
  auto next = clock ? std::make_shared<const std::function<TDateTime()>>(std::move(clock))
                    : nullptr;
  std::lock_guard<std::mutex> lock(ClockMutex());
  TestClock() = std::move(next);
}

}  // namespace kx::platform

TDateTime Date() { return DateOf(kx::platform::Now()); }

TDateTime Time() { return TimeOf(kx::platform::Now()); }
