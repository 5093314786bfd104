#include "ui/form/station_sinks.h"

#include <cstdlib>
#include <filesystem>

#include "files/file_system.h"
#include "ui/form/frm_main.h"

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
  if (o.lineDb) {
    // Refused at once: what no retry can mend.
    LineDb probe(*o.lineDb);
    const LineDbResult connected = probe.Connect();
    if (connected.status == LineDbStatus::BadUri || connected.status == LineDbStatus::Rejected ||
        connected.status == LineDbStatus::WrongShape) {
      return connected.message;
    }
    if (!connected.ok() && o.report) o.report("line record: " + connected.message);
  }
  sinks->recordPath_ = o.recordPath ? *o.recordPath : o.lineDb ? DefaultJournal() : std::string();
  if (!sinks->recordPath_.empty()) {
    if (!o.recordPath) {
      std::error_code ec;
      std::filesystem::create_directories(std::filesystem::path(sinks->recordPath_).parent_path(),
                                          ec);
    }
    KeepRunningAtFileSizeLimit();  // a full record is a write error to report
    auto opened = ProductionRecord::Open(sinks->recordPath_);
    if (const auto* error = std::get_if<FileError>(&opened)) {
      return RecordOpenFailureMessage(sinks->recordPath_, *error);
    }
    sinks->record_ = std::make_unique<RecordWriter>(
        std::move(std::get<std::unique_ptr<ProductionRecord>>(opened)));
  }
  if (o.lineDb) {
    auto report = o.report ? o.report : [](const std::string&) {};
    sinks->forwarder_ = std::make_unique<LineForwarder>(
        LineForwarder::Options{sinks->recordPath_, *o.lineDb, 500}, std::move(report));
    // Forwarded once on the disk: the writer says how far that is.
    std::error_code ec;
    sinks->forwarder_->StoredUpTo(std::filesystem::file_size(sinks->recordPath_, ec));
    LineForwarder* forwarder = sinks->forwarder_.get();
    sinks->record_->OnStored([forwarder](uint64_t size) { forwarder->StoredUpTo(size); });
  }
  return sinks;
}

StationSinks::~StationSinks() {
  if (record_) record_->OnStored(nullptr);
  forwarder_.reset();
}

void StationSinks::Wire(frmMain& form) {
  if (record_) form.AttachRecord(*record_, options_.station);
}

std::optional<std::string> StationSinks::Finish() {
  std::optional<std::string> failure;
  if (record_) failure = record_->Drain();
  if (forwarder_) forwarder_->Flush(3000);  // what does not make it now goes at the next start
  return failure;
}

}  // namespace ctrlprog
