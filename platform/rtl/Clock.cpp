#include "platform/rtl/Clock.h"

#include <time.h>

#include <cerrno>
#include <cmath>
#include <memory>
#include <mutex>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"

namespace {

constexpr int64_t kMSecsPerDay = 86'400'000;
constexpr int64_t kSecsPerDay = 86'400;
// Time-stamp days of 1970-01-01, 0001-01-01 and 9999-12-31.
constexpr int64_t kStampUnixEpoch = 719'163;
constexpr int64_t kStampFirstDay = 1;
constexpr int64_t kStampLastDay = 3'652'059;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

}  // namespace

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

bool DateTimeToUnixMs(TDateTime Value, int64_t& Ms) {
  if (!std::isfinite(Value.Val) || std::fabs(Value.Val) > 1e7) return false;
  const TTimeStamp stamp = DateTimeToTimeStamp(Value);
  if (stamp.Date < kStampFirstDay || stamp.Date > kStampLastDay) return false;
  Ms = (stamp.Date - kStampUnixEpoch) * kMSecsPerDay + stamp.Time;
  return true;
}

TDateTime UnixMsToDateTime(int64_t Ms) {
  const int64_t day = FloorDiv(Ms, kMSecsPerDay);
  const int64_t time = Ms - day * kMSecsPerDay;
  const int64_t t = (day + kStampUnixEpoch - 693'594) * kMSecsPerDay;
  return TDateTime(static_cast<double>(t >= 0 ? t + time : t - time) / kMSecsPerDay);
}

}  // namespace kx::platform

TDateTime Date() { return DateOf(kx::platform::Now()); }

TDateTime Time() { return TimeOf(kx::platform::Now()); }

namespace {

[[noreturn]] void RaiseZoneError(const char16_t* what, TDateTime value, int error) {
  throw EOSError(u"Cannot convert " + UnicodeString(what) + u" " + FloatToStr(value.Val) +
                     u" with the time-zone rules (error " + IntToStr(int32_t{error}) + u")",
                 error);
}

// Seconds east of UTC in force at the Unix time t.
long OffsetAt(time_t t, TDateTime value, const char16_t* what) {
  tm local{};
  if (localtime_r(&t, &local) == nullptr) RaiseZoneError(what, value, errno);
  return local.tm_gmtoff;
}

}  // namespace

TDateTime LocalTimeToUtc(TDateTime Local) {
  tzset();
  int64_t ms;
  if (!kx::platform::DateTimeToUnixMs(Local, ms)) {
    const long offset = OffsetAt(time(nullptr), Local, u"the local time");
    return TDateTime(Local.Val - static_cast<double>(offset) / kSecsPerDay);
  }
  const int64_t secs = FloorDiv(ms, 1000);
  const int64_t msec = ms - secs * 1000;
  // The local clock fields, read back as if they were UTC.
  const time_t asIfUtc = static_cast<time_t>(secs);
  tm fields{};
  if (gmtime_r(&asIfUtc, &fields) == nullptr) RaiseZoneError(u"the local time", Local, errno);
  fields.tm_isdst = -1;  // let the rules of that date decide
  // mktime answers -1 for an error and for 1969-12-31 23:59:59 UTC alike;
  // only a successful call fills tm_wday in.
  fields.tm_wday = -1;
  errno = 0;
  const time_t utc = mktime(&fields);
  if (fields.tm_wday < 0) RaiseZoneError(u"the local time", Local, errno != 0 ? errno : EOVERFLOW);
  return kx::platform::UnixMsToDateTime(static_cast<int64_t>(utc) * 1000 + msec);
}

TDateTime UtcToLocalTime(TDateTime Utc) {
  tzset();
  int64_t ms;
  if (!kx::platform::DateTimeToUnixMs(Utc, ms)) {
    const long offset = OffsetAt(time(nullptr), Utc, u"the UTC time");
    return TDateTime(Utc.Val + static_cast<double>(offset) / kSecsPerDay);
  }
  const time_t t = static_cast<time_t>(FloorDiv(ms, 1000));
  return kx::platform::UnixMsToDateTime(ms + static_cast<int64_t>(OffsetAt(t, Utc, u"the UTC time")) * 1000);
}
