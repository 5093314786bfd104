#include "files/production_record.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>

namespace ctrlprog {
namespace {

// Writes all of `data` in one write; a short write (a full disk) counts as failed.
std::optional<FileError> WriteOnce(int fd, std::string_view data) {
  ssize_t n;
  do {
    n = ::write(fd, data.data(), data.size());
  } while (n < 0 && errno == EINTR);
  if (n < 0) return FileErrorFromErrno(errno);
  if (static_cast<size_t>(n) != data.size()) return FileError::NoSpace;
  return std::nullopt;
}

}  // namespace

std::string RecordTime(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(time.time_since_epoch()).count();
  time_t seconds = static_cast<time_t>(ms / 1000);
  long millis = static_cast<long>(ms % 1000);
  if (millis < 0) {
    millis += 1000;
    --seconds;
  }
  tm local{};
  ::localtime_r(&seconds, &local);
  const long offset = local.tm_gmtoff / 60;
  const long absOffset = offset < 0 ? -offset : offset;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03ld%c%02ld:%02ld",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, millis, offset < 0 ? '-' : '+', absOffset / 60, absOffset % 60);
  return buf;
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string FormatRecordRow(const RecordRow& row) {
  std::string out = CsvField(RecordTime(row.time));
  for (std::string_view field :
       {std::string_view(row.station), std::string_view(row.port), std::string_view(row.file),
        std::string_view(row.frame), std::string_view(row.result)}) {
    out += ',';
    out += CsvField(field);
  }
  out += ',';
  if (row.cycleMs) out += std::to_string(*row.cycleMs);
  return out + "\r\n";
}

std::string StationName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::variant<std::unique_ptr<ProductionRecord>, FileError> ProductionRecord::Open(
    const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
  if (fd < 0) return FileErrorFromErrno(errno);
  std::unique_ptr<ProductionRecord> record(new ProductionRecord(path, fd));
  // Under a lock, so two stations starting together write one header between them.
  if (::flock(fd, LOCK_EX) != 0) return FileErrorFromErrno(errno);
  struct stat st {};
  std::optional<FileError> error;
  if (::fstat(fd, &st) != 0) {
    error = FileErrorFromErrno(errno);
  } else if (!S_ISREG(st.st_mode)) {
    error = FileError::NotRegularFile;
  } else if (st.st_size == 0) {
    error = WriteOnce(fd, kRecordHeader);
    if (!error && ::fdatasync(fd) != 0) error = FileErrorFromErrno(errno);
  }
  ::flock(fd, LOCK_UN);
  if (error) return *error;
  return record;
}

ProductionRecord::~ProductionRecord() {
  ::close(fd_);
}

std::optional<FileError> ProductionRecord::Append(const RecordRow& row) {
  if (const auto error = WriteOnce(fd_, FormatRecordRow(row))) return error;
  if (::fdatasync(fd_) != 0) return FileErrorFromErrno(errno);
  return std::nullopt;
}

std::string RecordFailureMessage(const std::string& path, FileError error,
                                 std::string_view result) {
  const std::string what = result == "PASS"
                               ? "The last board was programmed but not recorded."
                               : "The last event (" + std::string(result) + ") was not recorded.";
  return "The production record " + path + " could not be written: " + Describe(error) + ". " +
         what + " The transfer was stopped.";
}

std::string RecordOpenFailureMessage(const std::string& path, FileError error) {
  return "The production record " + path + " cannot be opened: " + Describe(error) + ".";
}

}  // namespace ctrlprog
