#include "report/report_words.h"

#include <algorithm>

#include "model/say.h"
#include "model/utf8.h"

namespace ctrlprog {
namespace {

struct TimeParts {
  std::string_view year, month, day, clock, offset;
};

bool IsDigits(std::string_view s) {
  for (const char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return !s.empty();
}

// "YYYY-MM-DDThh:mm[:ss[.mmm]]" and an offset ("Z", "+08:00"), or nothing.
bool Split(std::string_view iso, TimeParts& parts) {
  if (iso.size() < 17 || iso[4] != '-' || iso[7] != '-' || iso[10] != 'T') return false;
  parts.year = iso.substr(0, 4);
  parts.month = iso.substr(5, 2);
  parts.day = iso.substr(8, 2);
  const size_t offset = iso.find_first_of("Z+-", 11);
  if (offset == std::string_view::npos) return false;
  parts.clock = iso.substr(11, offset - 11);
  parts.offset = iso.substr(offset);
  return IsDigits(parts.year) && IsDigits(parts.month) && IsDigits(parts.day) &&
         parts.clock.size() >= 5 && parts.clock[2] == ':';
}

bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6);
}

}  // namespace

std::string TimeSaid(std::string_view iso) {
  TimeParts p;
  if (!Split(iso, p)) return std::string(iso);
  return Say("%1-%2-%3T%4%5", {p.year, p.month, p.day, p.clock, p.offset});
}

std::string ShortHourSaid(std::string_view iso) {
  TimeParts p;
  if (!Split(iso, p)) return std::string(iso);
  return Say("%2-%3 %4", {p.year, p.month, p.day, p.clock.substr(0, 5)});
}

std::string ResultWordSaid(std::string_view result) {
  if (result == "PASS") return Say("PASS");
  if (result == "FAIL") return Say("FAIL");
  if (result == "UNCONFIRMED") return Say("UNCONFIRMED");
  if (result == "LOST") return Say("LOST");
  if (result == "RESTORED") return Say("RESTORED");
  return std::string(result);
}

std::string PageLanguage() {
  // The translation names its own language, so the attribute follows the texts it describes.
  return Say("en");
}

int DisplayWidth(std::string_view text) {
  int width = 0;
  for (const char32_t c : DecodeUtf8(text)) width += IsWide(c) ? 2 : 1;
  return width;
}

std::string Padded(std::string_view text, int width, bool right) {
  const std::string pad(static_cast<size_t>(std::max(0, width - DisplayWidth(text))), ' ');
  return right ? pad + std::string(text) : std::string(text) + pad;
}

}  // namespace ctrlprog
