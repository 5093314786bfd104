#include "linedb/forwarder.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "files/file_system.h"
#include "files/production_record.h"
#include "model/say.h"
#include "model/utf8.h"

namespace ctrlprog {
namespace {

using namespace std::chrono_literals;
constexpr auto kFirstPause = std::chrono::milliseconds(1s);
constexpr auto kLongestPause = std::chrono::milliseconds(30s);
constexpr auto kLook = 250ms;  // how often the journal is looked at between kicks

uint64_t FileSize(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : size;
}

// Each row set aside names the record it came from (OldJournalId: a hash of the record's first
// row), so rows of another record, or lines that are not ours, are neither counted nor skipped.
constexpr std::string_view kSetAsideHeader = "row,reason,line,record\r\n";

}  // namespace

std::string LineForwarder::StatePath(const std::string& journal) {
  return journal + ".forwarded";
}

std::string LineForwarder::SetAsidePath(const std::string& journal) {
  return journal + ".refused.csv";
}

LineForwarder::LineForwarder(Options options, LineDb& db, Report report)
    : options_(std::move(options)), db_(db), report_(std::move(report)) {
  if (!report_) report_ = [](const std::string&) {};
  oldJournal_ = OldJournalId(options_.journal);
  LoadSetAside();
  LoadState();
  Count(FileSize(options_.journal));
}

LineForwarder::~LineForwarder() {
  Stop();
}

void LineForwarder::LoadState() {
  // The confirmed place, the hash of the row before it, and which database confirmed them.
  std::ifstream in(StatePath(options_.journal));
  JournalPlace place;
  std::string hash, database;
  if (!(in >> place.offset >> place.rows >> hash >> database) || place.rows < 0) return;
  if (database != options_.database) return;  // another database: every row goes there too
  uint64_t expected = 0;
  if (std::sscanf(hash.c_str(), "%" SCNx64, &expected) != 1) return;
  // Trusted only where the journal still holds the same row there; else read from its start.
  if (LineHashBefore(options_.journal, place.offset) != expected) return;
  // Rows of the oldest shape are keyed by their place: a wrong count would send every later row
  // under another key. The count is the journal's, not the state file's word.
  if (CountRows(options_.journal, {}, place.offset).rows != place.rows) {
    report_(
        Say("line record: the forwarding state %1 does not match its journal's rows; it is "
            "read again from its first row (rows the server has are kept once)",
            {EscapeName(StatePath(options_.journal))}));
    return;
  }
  confirmed_ = place;
  confirmedHash_ = expected;
  counted_ = place;
}

void LineForwarder::SaveState() {
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016" PRIx64, confirmedHash_);
  const std::string text = std::to_string(confirmed_.offset) + " " +
                           std::to_string(confirmed_.rows) + " " + hash + " " + options_.database +
                           "\n";
  if (const auto error = ReplaceFileContents(StatePath(options_.journal), text)) {
    report_(
        Say("line record: the forwarding state %1 cannot be written: %2; rows may be sent "
            "again, never twice",
            {EscapeName(StatePath(options_.journal)), Describe(*error)}));
  }
}

void LineForwarder::LoadSetAside() {
  asideLines_.clear();
  setAside_ = 0;
  if (oldJournal_.empty()) return;  // a record without rows has none set aside
  std::ifstream in(SetAsidePath(options_.journal), std::ios::binary);
  std::string line;
  int64_t rows = 0;
  while (std::getline(in, line)) {
    // row number, reason, the journal's row as it stood (whose hash is kept), and its record.
    if (line.ends_with('\r')) line.pop_back();
    const auto fields = SplitCsvRow(line);
    if (!fields || fields->size() != 4 || (*fields)[3] != oldJournal_) continue;
    const auto number = (*fields)[0];
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) continue;
    if (asideLines_.insert(LineHash((*fields)[2])).second) ++rows;
  }
  setAside_ = rows;
}

// Why the server's refusal sets a row aside: in English in the set-aside file, in the
// operator's language on the console.
constexpr const char* kRefused = SayLater("the line database refused it; the server said: %1");

void LineForwarder::PutAside(int64_t number, const Why& why, const std::string& line) {
  if (!asideLines_.insert(LineHash(line)).second) return;  // set aside at an earlier run
  const std::string path = SetAsidePath(options_.journal);
  const bool fresh = FileSize(path) == 0;
  std::ofstream out(path, std::ios::binary | std::ios::app);
  std::string quoted = "\"";
  for (const char c : line) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  if (fresh) out << kSetAsideHeader;
  out << number << ',' << CsvField(why.english) << ',' << quoted << "\"," << oldJournal_ << "\r\n";
  out.flush();
  ++setAside_;
  report_(Say("line record: row %1 of %2 was set aside (%3): %4",
              {std::to_string(number), EscapeName(options_.journal), EscapeName(path),
               EscapeName(why.said)}));
  if (!out) {
    report_(Say("line record: %1 cannot be written; row %2 stays unsent in the journal",
                {EscapeName(path), std::to_string(number)}));
  }
}

void LineForwarder::Restart(bool shorter) {
  const std::string journal = EscapeName(options_.journal);
  report_(shorter ? Say("line record: %1 is shorter than what was forwarded from it; it is read "
                        "again from its first row (rows the server has are kept once)",
                        {journal})
                  : Say("line record: %1 no longer holds the rows that were forwarded from it; it "
                        "is read again from its first row (rows the server has are kept once)",
                        {journal}));
  oldJournal_ = OldJournalId(options_.journal);
  LoadSetAside();  // those of the record that was there before are not this one's
  const std::lock_guard lock(mutex_);
  confirmed_ = {};
  confirmedHash_ = 0;
  counted_ = {};
  countedTo_ = 0;
  idleAt_.reset();
}

void LineForwarder::Count(uint64_t upTo) {
  const std::lock_guard lock(mutex_);
  if (counted_.offset < confirmed_.offset) counted_ = confirmed_;
  countedTo_ = std::max(countedTo_, counted_.offset);
  // Bytes past the last CR LF (a torn row, a power cut's tail of zeros) are looked at once,
  // and again only once more has been written.
  if (upTo > countedTo_) {
    counted_ = CountRows(options_.journal, counted_, upTo);
    countedTo_ = upTo;
  }
  waiting_ = std::max<int64_t>(0, counted_.rows - confirmed_.rows);
}

void LineForwarder::StoredUpTo(uint64_t journalSize) {
  {
    const std::lock_guard lock(mutex_);
    storedUpTo_ = std::max(storedUpTo_.value_or(0), journalSize);
    kicked_ = true;
  }
  Count(journalSize);
  wake_.notify_all();
}

LineForwarder::Pass LineForwarder::RunPass() {
  const uint64_t size = FileSize(options_.journal);
  if (size < confirmed_.offset) {
    Restart(true);
  } else if (confirmed_.offset > 0 &&
             LineHashBefore(options_.journal, confirmed_.offset) != confirmedHash_) {
    Restart(false);
  }
  uint64_t limit = size;
  {
    const std::lock_guard lock(mutex_);
    if (storedUpTo_) limit = std::min(limit, *storedUpTo_);
  }
  // Nothing was written since a pass found no whole row: the tail is not read again.
  if (idleAt_ == limit) return Pass::Idle;
  if (oldJournal_.empty()) {
    oldJournal_ = OldJournalId(options_.journal);
    LoadSetAside();
  }
  Count(limit);
  const JournalChunk chunk =
      ReadJournal(options_.journal, confirmed_, limit, options_.batch, oldJournal_);
  if (chunk.endOffset == confirmed_.offset) {
    idleAt_ = limit;
    return Pass::Idle;
  }
  idleAt_.reset();

  // Rows set aside at an earlier run are not tried again.
  std::vector<JournalRow> rows;
  rows.reserve(chunk.rows.size());
  for (const JournalRow& row : chunk.rows) {
    if (asideLines_.empty() || !asideLines_.contains(LineHash(row.line))) rows.push_back(row);
  }
  // Nothing to send (the header, rows set aside): no word from the server either way.
  const InsertOutcome stored = rows.empty() ? InsertOutcome{} : db_.Insert(rows);
  if (!stored.result.ok()) {
    if (reachable_) report_(Say("line record: %1", {stored.result.message}));
    reachable_ = false;
    return Pass::Unavailable;
  }
  if (!rows.empty() && !reachable_) {
    report_(Say("line record: the line database is reachable again"));
    reachable_ = true;
  }
  for (const JournalProblem& p : chunk.problems) {
    PutAside(p.number, {p.why.English(), p.why.Said()}, p.line);
  }
  for (const auto& [index, reason] : stored.refused) {
    const JournalRow& row = rows[index];
    PutAside(row.number, {Substitute(kRefused, {reason}), Say(kRefused, {reason})}, row.line);
  }
  {
    const std::lock_guard lock(mutex_);
    confirmed_ = {chunk.endOffset, chunk.lastNumber};
    confirmedHash_ = chunk.lastLineHash;
  }
  SaveState();
  Count(limit);
  return Pass::Sent;
}

void LineForwarder::Start() {
  thread_ = std::thread([this] { Run(); });
}

void LineForwarder::Stop() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  db_.Abort();
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

std::optional<LineDbResult> LineForwarder::Verdict() const {
  const std::lock_guard lock(mutex_);
  return verdict_;
}

bool LineForwarder::Flush(std::chrono::milliseconds within) {
  std::unique_lock lock(mutex_);
  // One try now, whatever pause the last failure began: the server may be back.
  kicked_ = true;
  tryNow_ = true;
  const uint64_t begun = passesBegun_;
  wake_.notify_all();
  // Until nothing waits, or a try begun after this call found the server away: no use waiting
  // then.
  idle_.wait_for(lock, within, [&] {
    return waiting_ == 0 || (passDone_ > begun && !reachable_) || (verdict_ && verdict_->final());
  });
  return waiting_ == 0;
}

void LineForwarder::Run() {
  const LineDbResult first = db_.Connect();
  {
    const std::lock_guard lock(mutex_);
    verdict_ = first;
  }
  idle_.notify_all();
  if (first.final()) return;  // refused: the front end says why and ends
  if (!first.ok()) {
    report_(Say("line record: %1", {first.message}));
    reachable_ = false;
  }
  auto pause = kFirstPause;
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    const uint64_t number = ++passesBegun_;
    lock.unlock();
    const Pass pass = RunPass();
    lock.lock();
    passDone_ = number;
    idle_.notify_all();
    if (pass == Pass::Sent) continue;  // more may follow at once
    if (pass == Pass::Idle) {
      pause = kFirstPause;
      wake_.wait_for(lock, kLook, [this] { return stopping_ || kicked_; });
    } else {
      wake_.wait_for(lock, pause, [this] { return stopping_ || tryNow_; });
      pause = std::min(pause * 2, kLongestPause);
    }
    kicked_ = false;
    tryNow_ = false;
  }
}

}  // namespace ctrlprog
