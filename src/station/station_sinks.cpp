#include "station/station_sinks.h"

#include <cstdlib>
#include <filesystem>

#include "files/file_system.h"
#include "form/frm_main.h"
#include "model/say.h"
#include "model/utf8.h"

namespace ctrlprog {

std::string StationSinks::DefaultJournal() {
  std::filesystem::path state;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg) {
    state = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    state = std::filesystem::path(home) / ".local" / "state";
  } else {
    state = ".";
  }
  return (state / "ctrlprog" / "record.csv").string();
}

std::variant<std::unique_ptr<StationSinks>, std::string> StationSinks::Open(SinkOptions options) {
  std::unique_ptr<StationSinks> sinks(new StationSinks(std::move(options)));
  const SinkOptions& o = sinks->options_;
  if (!o.report) sinks->options_.report = [](const std::string&) {};
  const auto& report = sinks->options_.report;
  if (o.lineDb && o.rotation != RecordRotation::None) {
    // The forwarder follows one file.
    return Say(
        "a record kept in a file per period is not forwarded to the line database: "
        "use --record-rotate without --line-db");
  }
  if (o.lineDb) {
    // Refused at once: what no server can mend.
    if (PgLineDb::HoldsPassword(*o.lineDb)) {
      report(
          Say("line record: the line database's address holds a password, which every user of "
              "this computer can read in the process list: use PGPASSWORD, ~/.pgpass or "
              "PGPASSFILE instead"));
    }
    if (const LineDbResult parsed = PgLineDb::CheckUri(*o.lineDb); !parsed.ok()) {
      return parsed.message;
    }
  }
  sinks->recordPath_ = o.recordPath ? *o.recordPath : o.lineDb ? DefaultJournal() : std::string();
  if (!sinks->recordPath_.empty()) {
    if (!o.recordPath) {
      std::error_code ec;
      std::filesystem::create_directories(std::filesystem::path(sinks->recordPath_).parent_path(),
                                          ec);
    }
    KeepRunningAtFileSizeLimit();  // a full record is a write error to report
    auto opened = ProductionRecord::Open(
        PeriodFile(sinks->recordPath_, o.rotation, std::chrono::system_clock::now()));
    if (const auto* error = std::get_if<FileError>(&opened)) {
      return RecordOpenFailureMessage(sinks->recordPath_, *error);
    }
    sinks->record_ = std::make_unique<RecordWriter>(
        std::move(std::get<std::unique_ptr<ProductionRecord>>(opened)));
    if (o.rotation != RecordRotation::None) sinks->record_->Rotate(sinks->recordPath_, o.rotation);
  }
  if (o.lineDb) {
    sinks->db_ = std::make_unique<PgLineDb>(*o.lineDb);
    sinks->db_->OnNotice(
        [report](const std::string& notice) { report(Say("line record: %1", {notice})); });
    sinks->forwarder_ = std::make_unique<LineForwarder>(
        LineForwarder::Options{sinks->recordPath_, PgLineDb::Identity(*o.lineDb), 500}, *sinks->db_,
        report);
    // Forwarded once on the disk: the writer says how far that is.
    std::error_code ec;
    sinks->forwarder_->StoredUpTo(std::filesystem::file_size(sinks->recordPath_, ec));
    sinks->forwarder_->Start();
  }
  if (sinks->record_) {
    sinks->keeper_ = std::make_unique<IndexKeeper>(sinks->recordPath_, sinks->forwarder_.get());
    sinks->record_->OnStored(sinks->keeper_.get());
  }
  return sinks;
}

StationSinks::~StationSinks() {
  if (record_) record_->OnStored(nullptr);
  keeper_.reset();
  forwarder_.reset();
  db_.reset();
}

std::optional<LineDbResult> StationSinks::LineDbVerdict() const {
  if (!forwarder_) return LineDbResult{};
  return forwarder_->Verdict();
}

void StationSinks::Wire(frmMain& form) {
  if (record_) form.AttachRecord(*record_, options_.station);
}

std::optional<std::string> StationSinks::Finish(int forwardMs) {
  std::optional<std::string> failure;
  if (record_) failure = record_->Drain();
  if (forwarder_) {
    if (forwardMs > 0) forwarder_->Flush(std::chrono::milliseconds(forwardMs));
    forwarder_->Stop();
  }
  return failure;
}

std::string StationSinks::LeftForLater() const {
  if (!forwarder_) return {};
  std::string text;
  if (const int64_t waiting = forwarder_->Waiting(); waiting > 0) {
    text =
        Say("line record: %1 rows left for later in %2: they go at the next run with --line-db, or "
            "now with ctrlprog-cli forward --record %2 --line-db URI",
            {std::to_string(waiting), EscapeName(recordPath_)});
  }
  if (const int64_t aside = forwarder_->SetAside(); aside > 0) {
    if (!text.empty()) text += "\n";
    text += Say("line record: %1 rows set aside in %2, each with the reason",
                {std::to_string(aside), EscapeName(LineForwarder::SetAsidePath(recordPath_))});
  }
  return text;
}

}  // namespace ctrlprog
