// Palm dates: unsigned seconds since 1904-01-01 00:00 (the handheld's local
// time, which the desktop takes as its own). The one place that converts.
#pragma once

#include <cstdint>
#include <ctime>

namespace oq::palm {

// Seconds from 1904-01-01 to 1970-01-01.
constexpr int64_t kPalmEpochOffset = 2082844800;

inline uint32_t PalmTimeFromUnix(int64_t unixSeconds) { return static_cast<uint32_t>(unixSeconds + kPalmEpochOffset); }

inline int64_t UnixTimeFromPalm(uint32_t palmSeconds) { return static_cast<int64_t>(palmSeconds) - kPalmEpochOffset; }

inline uint32_t PalmNow() { return PalmTimeFromUnix(static_cast<int64_t>(std::time(nullptr))); }

// A date as the Desktop Link Protocol carries it: the fields of the
// handheld's wall clock. A year of 0 means "never".
struct CalendarTime {
  uint16_t year = 0;
  uint8_t month = 0;  // 1-12
  uint8_t day = 0;    // 1-31
  uint8_t hour = 0;
  uint8_t minute = 0;
  uint8_t second = 0;
};

// Days from 1970-01-01 to a proleptic Gregorian date, and back (the civil
// calendar algorithms of H. Hinnant, valid for every Palm date).
inline int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

inline CalendarTime CalendarFromPalm(uint32_t palmSeconds) {
  const int64_t unixSeconds = UnixTimeFromPalm(palmSeconds);
  int64_t days = unixSeconds / 86400;
  int64_t rest = unixSeconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  const unsigned month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  CalendarTime time;
  time.year = static_cast<uint16_t>(static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2));
  time.month = static_cast<uint8_t>(month);
  time.day = static_cast<uint8_t>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  time.hour = static_cast<uint8_t>(rest / 3600);
  time.minute = static_cast<uint8_t>(rest / 60 % 60);
  time.second = static_cast<uint8_t>(rest % 60);
  return time;
}

// 0 for "never" and for a date before the Palm epoch.
inline uint32_t PalmFromCalendar(const CalendarTime& time) {
  if (time.year < 1904 || time.month < 1 || time.month > 12) return 0;
  const int64_t seconds =
      DaysFromCivil(time.year, time.month, time.day) * 86400 + time.hour * 3600 + time.minute * 60 + time.second;
  return PalmTimeFromUnix(seconds);
}

}  // namespace oq::palm
