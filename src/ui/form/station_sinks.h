#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "record/record_writer.h"

namespace ctrlprog {

class frmMain;

struct SinkOptions {
  std::optional<std::string> recordPath;  // the production record, if one is kept
  std::string station;                    // this station's name in every row
};

// The one start-up path for where a station's rows go, for the window and the console alike:
// opens every sink, wires it to each port's form, and at the end stores what is still queued.
class StationSinks {
 public:
  // Opens every sink the options name; a message saying why when one cannot be opened.
  [[nodiscard]] static std::variant<std::unique_ptr<StationSinks>, std::string> Open(
      SinkOptions options);

  // Every event of `form` that has a record result becomes a row in every sink, and the form
  // sends no frame while a sink is behind or has failed.
  void Wire(frmMain& form);
  // Waits until every row is stored; the failure of a sink, if one failed.
  [[nodiscard]] std::optional<std::string> Finish();
  // The record's writer, where one is kept.
  RecordWriter* record() { return record_.get(); }

 private:
  explicit StationSinks(SinkOptions options) : options_(std::move(options)) {}
  SinkOptions options_;
  std::unique_ptr<RecordWriter> record_;
};

}  // namespace ctrlprog
