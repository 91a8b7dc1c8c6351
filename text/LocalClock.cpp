#include "text/LocalClock.h"

std::string CurrentMinute() {
  // Read straight from the local clock. A round trip through seconds since 1970
  // would cancel its own time-zone offset and fail for years outside 1970-2038.
  SYSTEMTIME now;
  GetLocalTime(&now);
  return MinuteText(now);
}

std::string MinuteText(const SYSTEMTIME& localTime) {
  const unsigned minute = localTime.wMinute % 60;
  return std::string{static_cast<char>('0' + minute / 10), static_cast<char>('0' + minute % 10)};
}
