#include "linedb/record_time.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <string_view>

#include "files/file_system.h"

namespace ctrlprog {
namespace {

using namespace std::chrono;

// Reads exactly `digits` decimal digits from the front of `text`.
std::optional<int> Take(std::string_view& text, size_t digits) {
  if (text.size() < digits) return std::nullopt;
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + digits, value);
  if (error != std::errc() || end != text.data() + digits) return std::nullopt;
  text.remove_prefix(digits);
  return value;
}

bool Skip(std::string_view& text, char c) {
  if (!text.starts_with(c)) return false;
  text.remove_prefix(1);
  return true;
}

}  // namespace

std::optional<int64_t> EpochMs(const std::string& time) {
  std::string_view t = time;
  const auto y = Take(t, 4);
  if (!y || !Skip(t, '-')) return std::nullopt;
  const auto mo = Take(t, 2);
  if (!mo || !Skip(t, '-')) return std::nullopt;
  const auto d = Take(t, 2);
  if (!d || !Skip(t, 'T')) return std::nullopt;
  const auto h = Take(t, 2);
  if (!h || !Skip(t, ':')) return std::nullopt;
  const auto mi = Take(t, 2);
  if (!mi) return std::nullopt;
  int s = 0, ms = 0;
  if (Skip(t, ':')) {
    const auto sec = Take(t, 2);
    if (!sec) return std::nullopt;
    s = *sec;
    if (Skip(t, '.')) {
      const auto milli = Take(t, 3);
      if (!milli) return std::nullopt;
      ms = *milli;
    }
  }
  minutes offset{0};
  if (!t.empty() && t != "Z") {
    const char sign = t.front();
    t.remove_prefix(1);
    const auto oh = Take(t, 2);
    if ((sign != '+' && sign != '-') || !oh || !Skip(t, ':')) return std::nullopt;
    const auto om = Take(t, 2);
    if (!om || !t.empty() || *oh > 15 || *om > 59) return std::nullopt;
    offset = minutes((sign == '+' ? 1 : -1) * (*oh * 60 + *om));
  }
  const year_month_day date{year{*y}, month{static_cast<unsigned>(*mo)},
                            day{static_cast<unsigned>(*d)}};
  if (!date.ok() || *h > 23 || *mi > 59 || s > 59) return std::nullopt;
  const sys_time<milliseconds> at =
      sys_days{date} + hours{*h} + minutes{*mi} + seconds{s} + milliseconds{ms} - offset;
  return at.time_since_epoch().count();
}

std::string UtcHour(const std::string& recordTime) {
  // A record's own time only: the date, the time with milliseconds, and its offset.
  const std::optional<int64_t> ms = recordTime.size() == 29 ? EpochMs(recordTime) : std::nullopt;
  if (!ms) return {};
  const sys_time<milliseconds> at{milliseconds{*ms}};
  const sys_days day = floor<days>(at);
  const year_month_day date{day};
  const hh_mm_ss<milliseconds> clock{at - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:00Z", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()));
  return text;
}

std::string UtcIso(int64_t epochMs) {
  const sys_time<milliseconds> at{milliseconds{epochMs}};
  const sys_days day = floor<days>(at);
  const year_month_day date{day};
  const hh_mm_ss<milliseconds> clock{at - day};
  char text[40];
  std::snprintf(
      text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
      static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
      static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
      static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
  return text;
}

std::string LocalClockTime(int64_t epochMs, int64_t nowMs) {
  long offset = 0;
  const tm at = LocalTime(static_cast<time_t>(epochMs / 1000), offset);
  const tm now = LocalTime(static_cast<time_t>(nowMs / 1000), offset);
  char text[64];
  if (at.tm_year == now.tm_year && at.tm_yday == now.tm_yday) {
    std::snprintf(text, sizeof text, "%02d:%02d", at.tm_hour, at.tm_min);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", at.tm_year + 1900, at.tm_mon + 1,
                  at.tm_mday, at.tm_hour, at.tm_min);
  }
  return text;
}

}  // namespace ctrlprog
