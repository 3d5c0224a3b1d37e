// The local time as the Windows platform tests read it, to hold the
// library's time-stamped answers between the times before and after a call.
#ifndef ORVDB_TESTS_SUPPORT_LOCAL_TIME_WIN32_H_
#define ORVDB_TESTS_SUPPORT_LOCAL_TIME_WIN32_H_

#include <windows.h>

#include <cstdio>
#include <string>

namespace orv::testing {

// The time as the set-time block writes it: fourteen digits, YYYYMMDDhhmmss.
// Digit strings of equal width order as the times do.
inline std::string Stamp(const SYSTEMTIME& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond);
  return text;
}

// The minute of the day, 0 to 1439, as the silent-mode window counts it.
inline int MinuteOfDay(const SYSTEMTIME& t) { return t.wHour * 60 + t.wMinute; }

}  // namespace orv::testing

#endif  // ORVDB_TESTS_SUPPORT_LOCAL_TIME_WIN32_H_
