#include "linedb/forwarder.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "files/file_system.h"

namespace ctrlprog {
namespace {

using namespace std::chrono_literals;
constexpr auto kFirstPause = 1s;
constexpr auto kLongestPause = 30s;
constexpr auto kLook = 250ms;  // how often the journal is looked at between kicks

// Rows (CR LF line ends) in the journal between two offsets.
int64_t CountRows(const std::string& path, uint64_t from, uint64_t to) {
  if (to <= from) return 0;
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(from));
  int64_t rows = 0;
  char previous = 0;
  std::string buffer(1 << 16, '\0');
  for (uint64_t left = to - from; left > 0 && in;) {
    in.read(buffer.data(), static_cast<std::streamsize>(std::min<uint64_t>(left, buffer.size())));
    const auto got = static_cast<size_t>(in.gcount());
    if (got == 0) break;
    for (size_t i = 0; i < got; ++i) {
      if (buffer[i] == '\n' && previous == '\r') ++rows;
      previous = buffer[i];
    }
    left -= got;
  }
  return rows;
}

uint64_t FileSize(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : size;
}

}  // namespace

std::string LineForwarder::StatePath(const std::string& journal) {
  return journal + ".forwarded";
}

LineForwarder::LineForwarder(Options options, Report report)
    : options_(std::move(options)), report_(std::move(report)), db_(options_.uri) {
  LoadState();
  thread_ = std::thread([this] { Run(); });
}

LineForwarder::~LineForwarder() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void LineForwarder::Submit(RecordRow) {
  // The row goes through the journal; the writer says when it is stored (StoredUpTo).
}

void LineForwarder::StoredUpTo(uint64_t journalSize) {
  {
    const std::lock_guard lock(mutex_);
    storedUpTo_ = std::max(storedUpTo_.value_or(0), journalSize);
    kicked_ = true;
  }
  wake_.notify_all();
}

bool LineForwarder::Flush(int ms) {
  std::unique_lock lock(mutex_);
  kicked_ = true;
  wake_.notify_all();
  return idle_.wait_for(lock, std::chrono::milliseconds(ms), [this] {
    const uint64_t end = storedUpTo_.value_or(FileSize(options_.journal));
    return confirmedOffset_ >= end && reachable_;
  });
}

void LineForwarder::LoadState() {
  // Row number, offset, and which database confirmed them: another database starts afresh.
  std::ifstream in(StatePath(options_.journal));
  int64_t row = 0;
  uint64_t offset = 0;
  std::string database;
  if (!(in >> row >> offset >> database) || row < 0) return;
  if (database != LineDb::Identity(options_.uri)) return;
  // Trust the offset only where a row ends there; else read the journal again from its start
  // (what is sent twice is stored once).
  std::ifstream journal(options_.journal, std::ios::binary);
  char before[2] = {};
  if (offset >= 2 && journal.seekg(static_cast<std::streamoff>(offset - 2)) &&
      journal.read(before, 2) && before[0] == '\r' && before[1] == '\n') {
    confirmedRow_ = row;
    confirmedOffset_ = offset;
  }
}

void LineForwarder::SaveState() {
  const std::string text =
      std::to_string(confirmedRow_) + " " + std::to_string(confirmedOffset_) + "\n";
  if (const auto error = ReplaceFileContents(StatePath(options_.journal), text)) {
    report_("line record: the forwarding state " + StatePath(options_.journal) +
            " cannot be written: " + Describe(*error) + "; rows may be sent again, never lost");
  }
}

bool LineForwarder::Pass() {
  uint64_t limit = 0;
  {
    const std::lock_guard lock(mutex_);
    limit = storedUpTo_.value_or(UINT64_MAX);
  }
  limit = std::min(limit, FileSize(options_.journal));
  // The header is no row to wait for.
  waiting_ = std::max<int64_t>(
      0, CountRows(options_.journal, confirmedOffset_, limit) - (confirmedOffset_ == 0 ? 1 : 0));
  const JournalChunk chunk =
      ReadJournal(options_.journal, confirmedOffset_, confirmedRow_, limit, options_.batch);
  if (chunk.endOffset == confirmedOffset_) return false;
  for (const JournalProblem& p : chunk.problems) {
    report_("line record: row " + std::to_string(p.number) + " of " + options_.journal +
            " was skipped: " + p.reason);
  }
  const LineDbResult stored = db_.Insert(chunk.rows);
  if (!stored.ok()) {
    if (reachable_) report_("line record: " + stored.message);
    reachable_ = false;
    return false;
  }
  if (!reachable_) report_("line record: the line database is reachable again");
  reachable_ = true;
  {
    const std::lock_guard lock(mutex_);
    confirmedRow_ = chunk.lastNumber;
    confirmedOffset_ = chunk.endOffset;
  }
  SaveState();
  waiting_ = CountRows(options_.journal, confirmedOffset_, limit);
  return true;
}

void LineForwarder::Run() {
  auto pause = std::chrono::duration_cast<std::chrono::milliseconds>(kFirstPause);
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    lock.unlock();
    const bool sent = Pass();
    const bool fine = reachable_;
    lock.lock();
    idle_.notify_all();
    if (sent) continue;  // more may follow at once
    if (fine) {
      pause = std::chrono::duration_cast<std::chrono::milliseconds>(kFirstPause);
      wake_.wait_for(lock, kLook, [this] { return stopping_ || kicked_; });
    } else {
      wake_.wait_for(lock, pause, [this] { return stopping_; });
      pause =
          std::min(pause * 2, std::chrono::duration_cast<std::chrono::milliseconds>(kLongestPause));
    }
    kicked_ = false;
  }
}

}  // namespace ctrlprog
