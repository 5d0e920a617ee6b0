#include "core/DosTime.h"

#include <ctime>

namespace zipcore {
namespace {

bool ToLocal(std::int64_t unixTime, std::tm& out) {
#ifdef _WIN32
  __time64_t t = unixTime;
  return _localtime64_s(&out, &t) == 0;
#else
  std::time_t t = static_cast<std::time_t>(unixTime);
  return localtime_r(&t, &out) != nullptr;
#endif
}

std::int64_t FromLocal(std::tm& local) {
#ifdef _WIN32
  return _mktime64(&local);
#else
  return std::mktime(&local);
#endif
}

} // namespace

DosDateTime UnixToDos(std::int64_t unixTime) {
  std::tm t{};
  if (!ToLocal(unixTime, t) || t.tm_year < 80) return {(0 << 9) | (1 << 5) | 1, 0}; // 1980-01-01
  if (t.tm_year > 207) return {(127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29};
  DosDateTime dos;
  dos.date = static_cast<std::uint16_t>(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
  dos.time = static_cast<std::uint16_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
  return dos;
}

std::int64_t DosToUnix(DosDateTime dos) {
  std::tm t{};
  t.tm_year = ((dos.date >> 9) & 0x7F) + 80;
  t.tm_mon = ((dos.date >> 5) & 0x0F) - 1;
  t.tm_mday = dos.date & 0x1F;
  t.tm_hour = (dos.time >> 11) & 0x1F;
  t.tm_min = (dos.time >> 5) & 0x3F;
  t.tm_sec = (dos.time & 0x1F) * 2;
  t.tm_isdst = -1;
  // mktime normalises out-of-range fields (month 0, day 0) rather than failing.
  std::int64_t result = FromLocal(t);
  return result == -1 ? 0 : result;
}

} // namespace zipcore
