#include "linedb/journal.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <fstream>

namespace ctrlprog {
namespace {

// Splits one CSV row (without its CR LF) into fields, as RFC 4180 has them.
std::optional<std::vector<std::string>> SplitRow(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields.back() += c;
      }
    } else if (c == '"' && fields.back().empty()) {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  if (quoted) return std::nullopt;
  return fields;
}

bool IsHexByte(std::string_view s) {
  const auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
  return s.size() == 2 && hex(s[0]) && hex(s[1]);
}

// Days since 1970-01-01 of a civil date (Howard Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

}  // namespace

std::optional<int64_t> EpochMs(const std::string& t) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0;
  int consumed = 0;
  if (std::sscanf(t.c_str(), "%4d-%2d-%2dT%2d:%2d%n", &y, &mo, &d, &h, &mi, &consumed) != 5 ||
      mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59) {
    return std::nullopt;
  }
  std::string_view rest = std::string_view(t).substr(static_cast<size_t>(consumed));
  int s = 0, ms = 0;
  if (rest.starts_with(':')) {
    int n = 0;
    if (std::sscanf(rest.data(), ":%2d%n", &s, &n) != 1) return std::nullopt;
    rest.remove_prefix(static_cast<size_t>(n));
    if (rest.starts_with('.')) {
      if (std::sscanf(rest.data(), ".%3d%n", &ms, &n) != 1) return std::nullopt;
      rest.remove_prefix(static_cast<size_t>(n));
    }
  }
  int64_t offset = 0;
  if (rest == "Z" || rest.empty()) {
    offset = 0;
  } else {
    int oh = 0, om = 0;
    char sign = 0;
    if (std::sscanf(std::string(rest).c_str(), "%c%2d:%2d", &sign, &oh, &om) != 3 ||
        (sign != '+' && sign != '-') || rest.size() != 6) {
      return std::nullopt;
    }
    offset = (sign == '+' ? 1 : -1) * (int64_t{oh} * 60 + om);
  }
  const int64_t minutes =
      DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 1440 +
      int64_t{h} * 60 + mi - offset;
  return (minutes * 60 + s) * 1000 + ms;
}

std::string UtcHour(const std::string& t) {
  // A record's own time only: the date, the time with milliseconds, and its offset.
  const std::optional<int64_t> ms = t.size() == 29 ? EpochMs(t) : std::nullopt;
  if (!ms) return {};
  const auto seconds = static_cast<std::time_t>(*ms / 1000);
  std::tm utc{};
  ::gmtime_r(&seconds, &utc);
  char hour[64];
  std::snprintf(hour, sizeof hour, "%04d-%02d-%02dT%02d:00Z", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour);
  return hour;
}

std::optional<std::string> CheckRow(const JournalRow& row) {
  if (UtcHour(row.time).empty()) return "the time \"" + row.time + "\" does not parse";
  bool frameOk = row.frame.size() == 26 * 3 - 1;
  for (size_t i = 0; frameOk && i < 26; ++i) {
    frameOk = IsHexByte(std::string_view(row.frame).substr(i * 3, 2)) &&
              (i == 25 || row.frame[i * 3 + 2] == ' ');
  }
  if (!frameOk) return "the frame is not 26 bytes";
  for (const char* result : {"PASS", "FAIL", "UNCONFIRMED", "LOST", "RESTORED"}) {
    if (row.result == result) return std::nullopt;
  }
  return "the result \"" + row.result + "\" is none of the record's";
}

JournalChunk ReadJournal(const std::string& path, uint64_t offset, int64_t lastNumber,
                         uint64_t limit, size_t maxRows) {
  JournalChunk chunk;
  chunk.lastNumber = lastNumber;
  chunk.endOffset = offset;
  std::ifstream in(path, std::ios::binary);
  if (!in || limit <= offset) return chunk;
  in.seekg(static_cast<std::streamoff>(offset));
  std::string buffer(static_cast<size_t>(std::min<uint64_t>(limit - offset, 8u << 20)), '\0');
  in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
  buffer.resize(static_cast<size_t>(in.gcount()));

  size_t at = 0;
  bool quoted = false;
  for (size_t i = 0; i + 1 < buffer.size() && chunk.rows.size() < maxRows; ++i) {
    if (buffer[i] == '"') quoted = !quoted;
    if (quoted || buffer[i] != '\r' || buffer[i + 1] != '\n') continue;
    const std::string_view line(buffer.data() + at, i - at);
    const uint64_t lineStart = offset + at;
    at = i + 2;
    ++i;
    chunk.endOffset = offset + at;
    if (lineStart == 0 && line.starts_with("time,station,")) continue;  // the header
    const int64_t number = ++chunk.lastNumber;
    const auto fields = SplitRow(line);
    if (!fields || fields->size() != 7) {
      chunk.problems.push_back({number, "it does not have the record's seven fields"});
      continue;
    }
    JournalRow row{number,       (*fields)[0], (*fields)[1], (*fields)[2],
                   (*fields)[3], (*fields)[4], (*fields)[5], std::nullopt};
    const std::string& cycle = (*fields)[6];
    if (!cycle.empty()) {
      int64_t ms = 0;
      const auto [end, error] = std::from_chars(cycle.data(), cycle.data() + cycle.size(), ms);
      if (error != std::errc() || end != cycle.data() + cycle.size()) {
        chunk.problems.push_back({number, "cycle_ms \"" + cycle + "\" is no number"});
        continue;
      }
      row.cycleMs = ms;
    }
    if (const auto problem = CheckRow(row)) {
      chunk.problems.push_back({number, *problem});
      continue;
    }
    chunk.rows.push_back(std::move(row));
  }
  return chunk;
}

}  // namespace ctrlprog
