#include "linedb/journal.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <tuple>
#include <variant>

#include "linedb/record_time.h"
#include "model/say.h"

namespace ctrlprog {
namespace {

constexpr size_t kBlock = size_t{256} * 1024;
constexpr size_t kMaxNameBytes = 4096;  // a port or a file path

bool IsHexByte(std::string_view s) {
  const auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
  return s.size() == 2 && hex(s[0]) && hex(s[1]);
}

bool IsJournalId(std::string_view s) {
  return s.size() == 32 && std::all_of(s.begin(), s.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

std::optional<int64_t> Number(std::string_view text) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

bool IsHeader(std::string_view line) {
  return line.starts_with("time,station,");
}

// One line of the journal as a row, or why it is none.
std::variant<JournalRow, RowReason> ParseLine(std::string_view line, int64_t number,
                                              const std::string& oldJournal) {
  const auto fields = SplitCsvRow(line);
  if (!fields || (fields->size() != 7 && fields->size() < 9)) {
    return RowReason{SayLater("it does not have the record's fields"), {}};
  }
  const std::vector<std::string>& f = *fields;
  JournalRow row{number, oldJournal, number,       f[0], f[1], f[2], f[3],
                 f[4],   f[5],       std::nullopt, {},   0,    {},   std::string(line)};
  if (f.size() >= 9) {
    const auto journalRow = Number(f[8]);
    if (!IsJournalId(f[7]) || !journalRow || *journalRow < 1) {
      return RowReason{SayLater("its journal \"%1\" and row \"%2\" are none"), {f[7], f[8]}};
    }
    row.journal = f[7];
    row.journalRow = *journalRow;
  }
  if (f.size() >= 11) {
    row.serial = f[9];
    if (!f[10].empty()) {
      const auto attempt = Number(f[10]);
      if (!attempt || *attempt < 1) {
        return RowReason{SayLater("its attempt \"%1\" is no number"), {f[10]}};
      }
      row.attempt = *attempt;
    }
  }
  if (f.size() >= 12) {
    row.checked = f[11];
    if (!row.checked.empty() && row.checked != "line" && row.checked != "record") {
      return RowReason{SayLater("its check \"%1\" is neither line nor record"), {f[11]}};
    }
  }
  if (!f[6].empty()) {
    row.cycleMs = Number(f[6]);
    if (!row.cycleMs) return RowReason{SayLater("cycle_ms \"%1\" is no number"), {f[6]}};
  }
  if (auto problem = CheckRow(row)) return *problem;
  return row;
}

uint64_t Fnv1a(std::string_view bytes, uint64_t hash) {
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

}  // namespace

std::optional<std::vector<std::string>> SplitCsvRow(std::string_view line) {
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

uint64_t LineHash(std::string_view line) {
  return Fnv1a(line, 0xcbf29ce484222325ULL);
}

std::string RowReason::English() const {
  return Substitute(format, args);
}

std::string RowReason::Said() const {
  return Say(format, args);
}

std::optional<RowReason> CheckRow(const JournalRow& row) {
  if (UtcHour(row.time).empty()) {
    return RowReason{SayLater("the time \"%1\" is no record time"), {row.time}};
  }
  bool frameOk = row.frame.size() == 26 * 3 - 1;
  for (size_t i = 0; frameOk && i < 26; ++i) {
    frameOk = IsHexByte(std::string_view(row.frame).substr(i * 3, 2)) &&
              (i == 25 || row.frame[i * 3 + 2] == ' ');
  }
  if (!frameOk) return RowReason{SayLater("the frame is not 26 bytes"), {}};
  if (row.cycleMs && (*row.cycleMs < 0 || *row.cycleMs > INT32_MAX)) {
    return RowReason{SayLater("cycle_ms %1 is out of range"), {std::to_string(*row.cycleMs)}};
  }
  if (row.station.empty() || row.station.size() > kMaxStationBytes) {
    return RowReason{SayLater("the station name is empty or longer than %1 bytes"),
                     {std::to_string(kMaxStationBytes)}};
  }
  if (row.port.size() > kMaxNameBytes || row.file.size() > kMaxNameBytes) {
    return RowReason{SayLater("the port or file name is longer than %1 bytes"),
                     {std::to_string(kMaxNameBytes)}};
  }
  if (row.serial.size() > kMaxSerialBytes || (!row.serial.empty() && row.attempt < 1)) {
    return RowReason{SayLater("the serial is longer than %1 bytes, or has no attempt"),
                     {std::to_string(kMaxSerialBytes)}};
  }
  for (const char* result : {"PASS", "FAIL", "UNCONFIRMED", "LOST", "RESTORED"}) {
    if (row.result == result) return std::nullopt;
  }
  return RowReason{SayLater("the result \"%1\" is none of the record's"), {row.result}};
}

JournalChunk ReadJournal(const std::string& path, JournalPlace from, uint64_t limit, size_t maxRows,
                         const std::string& oldJournal) {
  JournalChunk chunk;
  chunk.lastNumber = from.rows;
  chunk.endOffset = from.offset;
  std::ifstream in(path, std::ios::binary);
  if (!in || limit <= from.offset) return chunk;
  in.seekg(static_cast<std::streamoff>(from.offset));
  std::string buffer;  // bytes from chunk.endOffset on
  size_t lines = 0;
  for (uint64_t readTo = from.offset; lines < maxRows && readTo < limit;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kBlock, limit - readTo));
    const size_t had = buffer.size();
    buffer.resize(had + want);
    in.read(buffer.data() + had, static_cast<std::streamsize>(want));
    const auto got = static_cast<size_t>(in.gcount());
    buffer.resize(had + got);
    readTo += got;
    size_t at = 0;
    for (size_t end; lines < maxRows && (end = buffer.find("\r\n", at)) != std::string::npos;) {
      const std::string_view line(buffer.data() + at, end - at);
      const uint64_t lineStart = chunk.endOffset;
      chunk.endOffset += end + 2 - at;
      at = end + 2;
      chunk.lastLineHash = LineHash(line);
      if (lineStart == 0 && IsHeader(line)) continue;
      ++lines;
      const int64_t number = ++chunk.lastNumber;
      auto parsed = ParseLine(line, number, oldJournal);
      if (auto* row = std::get_if<JournalRow>(&parsed)) {
        row->offset = lineStart;
        chunk.rows.push_back(std::move(*row));
      } else {
        chunk.problems.push_back({number, std::get<RowReason>(parsed), std::string(line)});
      }
    }
    buffer.erase(0, at);
    if (got < want) break;  // the end of the file
  }
  return chunk;
}

void ForEachJournalRow(const std::string& path, const std::function<void(const JournalRow&)>& row,
                       const std::function<void(const JournalProblem&)>& problem) {
  JournalPlace place;
  const std::string oldJournal = OldJournalId(path);
  for (;;) {
    const JournalChunk chunk = ReadJournal(path, place, UINT64_MAX, 10000, oldJournal);
    if (problem) {
      for (const JournalProblem& p : chunk.problems) problem(p);
    }
    for (const JournalRow& r : chunk.rows) row(r);
    if (chunk.endOffset == place.offset) break;
    place = {chunk.endOffset, chunk.lastNumber};
  }
}

std::string OldJournalId(const std::string& path) {
  const JournalChunk first = ReadJournal(path, {}, UINT64_MAX, 1, {});
  if (first.lastNumber == 0) return {};
  // The first row's bytes with its CR LF, hashed twice for 128 bits.
  const std::string row =
      (first.rows.empty() ? first.problems.front().line : first.rows.front().line) + "\r\n";
  char id[33];
  std::snprintf(id, sizeof id, "%016llx%016llx",
                static_cast<unsigned long long>(Fnv1a(row, 0xcbf29ce484222325ULL)),
                static_cast<unsigned long long>(Fnv1a(row, 0x84222325cbf29ce4ULL)));
  return id;
}

std::optional<uint64_t> LineHashBefore(const std::string& path, uint64_t offset) {
  if (offset == 0) return 0;
  if (offset < 2) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  // The row before `offset`: read back until the CR LF before it, or the file's start.
  std::string tail;
  for (uint64_t span = 512;; span *= 2) {
    const uint64_t start = offset > span ? offset - span : 0;
    tail.assign(static_cast<size_t>(offset - start), '\0');
    in.clear();
    in.seekg(static_cast<std::streamoff>(start));
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    if (static_cast<size_t>(in.gcount()) != tail.size() || !tail.ends_with("\r\n")) {
      return std::nullopt;
    }
    const size_t before = tail.rfind("\r\n", tail.size() - 3);
    if (before != std::string::npos) {
      return LineHash(std::string_view(tail).substr(before + 2, tail.size() - before - 4));
    }
    if (start == 0) return LineHash(std::string_view(tail).substr(0, tail.size() - 2));
    if (span > (64u << 20)) return std::nullopt;
  }
}

std::optional<std::string> LineEndProblem(const std::string& path) {
  // The first line tells: the header, or the first row of an older record.
  std::ifstream in(path, std::ios::binary);
  std::string head(kBlock, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  const size_t lf = head.find('\n');
  if (lf == std::string::npos || (lf > 0 && head[lf - 1] == '\r')) return std::nullopt;
  return Say(
      "its lines end in LF alone, not in CR LF as the record writes them (was it "
      "converted?), so none of its rows can be read");
}

JournalPlace CountRows(const std::string& path, JournalPlace from, uint64_t to) {
  JournalPlace place = from;
  if (to <= from.offset) return place;
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(from.offset));
  char previous = 0;
  std::string first;  // the first line's start, to pass over the header
  std::string buffer(kBlock, '\0');
  uint64_t at = from.offset;
  for (uint64_t left = to - from.offset; left > 0 && in;) {
    in.read(buffer.data(), static_cast<std::streamsize>(std::min<uint64_t>(left, buffer.size())));
    const auto got = static_cast<size_t>(in.gcount());
    if (got == 0) break;
    if (from.offset == 0 && first.size() < 16)
      first.append(buffer.data(), std::min<size_t>(got, 16));
    for (size_t i = 0; i < got; ++i) {
      if (buffer[i] == '\n' && previous == '\r') {
        const bool header = place.offset == 0 && IsHeader(first);
        place.offset = at + i + 1;
        if (!header) ++place.rows;
      }
      previous = buffer[i];
    }
    at += got;
    left -= got;
  }
  return place;
}

std::vector<std::pair<std::string, int>> StationsWritingAtOnce(std::vector<JournalSpan> spans) {
  std::sort(spans.begin(), spans.end(), [](const JournalSpan& a, const JournalSpan& b) {
    return std::tie(a.station, a.first) < std::tie(b.station, b.first);
  });
  std::vector<std::pair<std::string, int>> found;
  for (size_t i = 0; i < spans.size();) {
    // One station's journals by their first row: a journal that begins before the latest end so
    // far overlaps one before it.
    size_t end = i;
    int overlapping = 0;
    int64_t latest = spans[i].last;
    for (end = i + 1; end < spans.size() && spans[end].station == spans[i].station; ++end) {
      if (spans[end].first <= latest) overlapping += overlapping == 0 ? 2 : 1;
      latest = std::max(latest, spans[end].last);
    }
    if (overlapping > 0) found.emplace_back(spans[i].station, overlapping);
    i = end;
  }
  return found;
}

}  // namespace ctrlprog
