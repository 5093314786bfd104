#include "files/record_periods.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "files/file_system.h"

namespace ctrlprog {
namespace {

namespace fs = std::filesystem;

// Paths are UTF-8 here, whatever the platform's own encoding.
fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}
std::string Utf8Of(const fs::path& path) {
  const std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

bool Digits(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether `date` is YYYY-MM or YYYY-MM-DD.
bool IsPeriod(std::string_view date) {
  if (date.size() != 7 && date.size() != 10) return false;
  if (!Digits(date.substr(0, 4)) || date[4] != '-' || !Digits(date.substr(5, 2))) return false;
  return date.size() == 7 || (date[7] == '-' && Digits(date.substr(8, 2)));
}

}  // namespace

std::optional<RecordRotation> RotationNamed(std::string_view word) {
  if (word == "daily") return RecordRotation::Daily;
  if (word == "monthly") return RecordRotation::Monthly;
  return std::nullopt;
}

std::string PeriodFile(const std::string& recordPath, RecordRotation rotation,
                       std::chrono::system_clock::time_point time) {
  if (rotation == RecordRotation::None) return recordPath;
  long offsetMinutes = 0;
  const tm local = LocalTime(std::chrono::system_clock::to_time_t(time), offsetMinutes);
  char date[32];
  if (rotation == RecordRotation::Daily) {
    std::snprintf(date, sizeof date, "-%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday);
  } else {
    std::snprintf(date, sizeof date, "-%04d-%02d", local.tm_year + 1900, local.tm_mon + 1);
  }
  const fs::path path = PathOf(recordPath);
  return Utf8Of(path.parent_path() / PathOf(Utf8Of(path.stem()) + date + Utf8Of(path.extension())));
}

std::vector<std::string> RecordFiles(const std::string& recordPath) {
  const fs::path path = PathOf(recordPath);
  const std::string stem = Utf8Of(path.stem()) + "-", extension = Utf8Of(path.extension());
  std::vector<std::pair<std::string, std::string>> periods;  // date, path
  std::error_code ec;
  const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = Utf8Of(it->path().filename());
    if (!name.starts_with(stem) || !name.ends_with(extension)) continue;
    const std::string date = name.substr(stem.size(), name.size() - stem.size() - extension.size());
    if (IsPeriod(date)) {
      periods.emplace_back(date, Utf8Of(path.parent_path() / PathOf(name)));
    }
  }
  // A month's file holds the days before the first day's file of the same month.
  std::sort(periods.begin(), periods.end());
  std::vector<std::string> files;
  if (fs::exists(path, ec)) files.push_back(recordPath);
  for (auto& [date, file] : periods) files.push_back(std::move(file));
  return files;
}

}  // namespace ctrlprog
