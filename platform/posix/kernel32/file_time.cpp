// FILETIME conversions: to local time with the bias in force now, and to the
// packed DOS date and time that file searches of old reported.
#include <cstdint>
#include <ctime>

#include "platform/posix/include/win32_subset.h"

namespace {

constexpr int64_t TicksPerSecond = 10000000LL;
constexpr int64_t SecondsPerDay = 86400;
constexpr int64_t DaysFrom1601To1970 = 134774;

uint64_t Ticks(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

struct CivilDate {
  int64_t year;
  unsigned month;  // 1-12
  unsigned day;    // 1-31
};

// Proleptic Gregorian date of a day count from 1970-01-01.
CivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
  const unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  const int64_t year = static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
  return CivilDate{year, month, day};
}

}  // namespace

// Windows applies the bias and daylight state in force now, not those of the
// stamp's own date, so stamps of old files move by an hour when DST changes.
WINSUB_API BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
  if (fileTime == nullptr || localFileTime == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  tzset();  // a zone changed while running counts from now on, as on Windows
  const time_t now = time(nullptr);
  struct tm local {};
  if (localtime_r(&now, &local) == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const int64_t offset = static_cast<int64_t>(local.tm_gmtoff) * TicksPerSecond;
  const uint64_t utc = Ticks(*fileTime);
  if (offset < 0 && utc < static_cast<uint64_t>(-offset)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const uint64_t shifted = utc + static_cast<uint64_t>(offset);  // wraps back for negative offsets
  if (offset > 0 && shifted < utc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  localFileTime->dwLowDateTime = static_cast<DWORD>(shifted & 0xFFFFFFFFu);
  localFileTime->dwHighDateTime = static_cast<DWORD>(shifted >> 32);
  return TRUE;
}

// date: bits 0-4 day, 5-8 month, 9-15 year - 1980; time: bits 0-4 seconds / 2,
// 5-10 minutes, 11-15 hours. Only 1980-01-01 to 2107-12-31 fit.
WINSUB_API BOOL WINAPI FileTimeToDosDateTime(const FILETIME* fileTime, LPWORD fatDate, LPWORD fatTime) {
  if (fileTime == nullptr || fatDate == nullptr || fatTime == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto seconds = static_cast<int64_t>(Ticks(*fileTime) / static_cast<uint64_t>(TicksPerSecond));
  const int64_t days = seconds / SecondsPerDay;
  const int64_t secondOfDay = seconds % SecondsPerDay;
  const CivilDate date = CivilFromDays(days - DaysFrom1601To1970);
  if (date.year < 1980 || date.year > 2107) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto hour = static_cast<unsigned>(secondOfDay / 3600);
  const auto minute = static_cast<unsigned>(secondOfDay % 3600 / 60);
  const auto second = static_cast<unsigned>(secondOfDay % 60);
  *fatDate = static_cast<WORD>((static_cast<unsigned>(date.year - 1980) << 9) | (date.month << 5) | date.day);
  *fatTime = static_cast<WORD>((hour << 11) | (minute << 5) | (second / 2));
  return TRUE;
}
