#include "ui/form/station_sinks.h"

#include "files/file_system.h"
#include "ui/form/frm_main.h"

namespace ctrlprog {

std::variant<std::unique_ptr<StationSinks>, std::string> StationSinks::Open(SinkOptions options) {
  std::unique_ptr<StationSinks> sinks(new StationSinks(std::move(options)));
  if (const auto& path = sinks->options_.recordPath) {
    KeepRunningAtFileSizeLimit();  // a full record is a write error to report
    auto opened = ProductionRecord::Open(*path);
    if (const auto* error = std::get_if<FileError>(&opened)) {
      return RecordOpenFailureMessage(*path, *error);
    }
    sinks->record_ = std::make_unique<RecordWriter>(
        std::move(std::get<std::unique_ptr<ProductionRecord>>(opened)));
  }
  return sinks;
}

void StationSinks::Wire(frmMain& form) {
  if (record_) form.AttachRecord(*record_, options_.station);
}

std::optional<std::string> StationSinks::Finish() {
  if (record_) return record_->Drain();
  return std::nullopt;
}

}  // namespace ctrlprog
