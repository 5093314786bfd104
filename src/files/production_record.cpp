#include "files/production_record.h"

#include <cstdio>
#include <random>

#include "files/file_system.h"
#include "model/say.h"
#include "model/utf8.h"

namespace ctrlprog {
std::string RecordTime(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(time.time_since_epoch()).count();
  time_t seconds = static_cast<time_t>(ms / 1000);
  long millis = static_cast<long>(ms % 1000);
  if (millis < 0) {
    millis += 1000;
    --seconds;
  }
  long offset = 0;
  const tm local = LocalTime(seconds, offset);
  const long absOffset = offset < 0 ? -offset : offset;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03ld%c%02ld:%02ld",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, millis, offset < 0 ? '-' : '+', absOffset / 60, absOffset % 60);
  return buf;
}

std::string CsvField(std::string_view raw) {
  const std::string escaped = EscapeName(raw);
  const std::string_view text = escaped;
  if (text.find_first_of(",\"") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string FormatRecordRow(const RecordRow& row, std::string_view journal, int64_t journalRow,
                            RecordShape shape) {
  std::string out = CsvField(RecordTime(row.time));
  for (std::string_view field :
       {std::string_view(row.station), std::string_view(row.port), std::string_view(row.file),
        std::string_view(row.frame), std::string_view(row.result)}) {
    out += ',';
    out += CsvField(field);
  }
  out += ',';
  if (row.cycleMs) out += std::to_string(*row.cycleMs);
  out += ',';
  out += journal;
  out += ',';
  out += std::to_string(journalRow);
  if (shape >= RecordShape::Units) {
    out += ',';
    out += CsvField(row.serial);
    out += ',';
    if (row.attempt > 0) out += std::to_string(row.attempt);
  }
  if (shape >= RecordShape::Checks) {
    out += ',';
    out += CsvField(row.checked);
  }
  return out + "\r\n";
}

RecordShape ShapeOfRecord(std::string_view head) {
  if (head.empty() || head.starts_with(kRecordHeader) || !head.starts_with("time,station,")) {
    return RecordShape::Checks;
  }
  return head.starts_with(kUnitRecordHeader) ? RecordShape::Units : RecordShape::Journals;
}

std::string NewJournalId() {
  std::random_device random;
  std::string id;
  for (int i = 0; i < 4; ++i) {
    char word[9];
    std::snprintf(word, sizeof word, "%08x", static_cast<unsigned>(random()));
    id += word;
  }
  return id;
}

std::string StationName() {
  return HostName();
}

std::variant<std::unique_ptr<ProductionRecord>, FileError> ProductionRecord::Open(
    const std::string& path) {
  auto opened = AppendOnlyFile::Open(path);
  if (const auto* error = std::get_if<FileError>(&opened)) return *error;
  return Open(path, std::move(std::get<std::unique_ptr<AppendOnlyFile>>(opened)));
}

std::variant<std::unique_ptr<ProductionRecord>, FileError> ProductionRecord::Open(
    const std::string& path, std::unique_ptr<AppendOnlyFile> file) {
  std::unique_ptr<ProductionRecord> record(new ProductionRecord(path, std::move(file)));
  if (const auto error = record->file_->WriteIfEmpty(kRecordHeader)) return *error;
  if (const auto error = record->file_->Sync()) return *error;
  // A record begun in an older shape is written on in that shape.
  std::string head;
  if (!ReadFileHead(path, kRecordHeader.size(), head)) record->shape_ = ShapeOfRecord(head);
  return record;
}

ProductionRecord::ProductionRecord(std::string path, std::unique_ptr<AppendOnlyFile> file)
    : path_(std::move(path)), file_(std::move(file)) {}

ProductionRecord::~ProductionRecord() = default;

std::optional<FileError> ProductionRecord::Append(const RecordRow& row) {
  auto error = file_->Append(FormatRecordRow(row, journal_, rows_ + 1, shape_));
  if (!error) ++rows_;
  return error;
}

std::optional<FileError> ProductionRecord::Sync() {
  return file_->Sync();
}

void ProductionRecord::GiveUpWaiting() {
  file_->GiveUpWaiting();
}

namespace {

// A record's result word as the operator reads it; the record itself keeps the English word.
std::string ResultSaid(std::string_view result) {
  if (result == "FAIL") return Say("FAIL");
  if (result == "LOST") return Say("LOST");
  if (result == "RESTORED") return Say("RESTORED");
  return std::string(result);
}

// The reason, naming the program that holds the record's lock where it can be found.
std::string Reason(const std::string& path, FileError error) {
  if (error == FileError::Locked) {
    if (const auto owner = LockHolder(path)) {
      return Say("%1 (process %2) held its lock for more than 2 s",
                 {owner->name.empty() ? "?" : owner->name, std::to_string(owner->pid)});
    }
  }
  return Describe(error);
}

}  // namespace

std::string RecordFailureMessage(const std::string& path, FileError error, std::string_view result,
                                 std::string_view port) {
  const std::string shown = EscapeNonUtf8(path), why = Reason(path, error), on = EscapeName(port);
  if (result == "PASS") {
    return Say(
        "The production record %1 could not be written: %2. The last board on %3 was programmed "
        "but not recorded. The transfer was stopped.",
        {shown, why, on});
  }
  if (result == "UNCONFIRMED") {
    return Say(
        "The production record %1 could not be written: %2. The last board on %3, which may have "
        "been programmed, was not recorded. The transfer was stopped.",
        {shown, why, on});
  }
  return Say(
      "The production record %1 could not be written: %2. The last event on %3 (%4) was not "
      "recorded. The transfer was stopped.",
      {shown, why, on, ResultSaid(result)});
}

std::string RecordOpenFailureMessage(const std::string& path, FileError error) {
  return Say("The production record %1 cannot be opened: %2.",
             {EscapeNonUtf8(path), Reason(path, error)});
}

}  // namespace ctrlprog
