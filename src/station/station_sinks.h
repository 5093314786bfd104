#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "linedb/forwarder.h"
#include "linedb_pg/pg_line_db.h"
#include "record/record_writer.h"
#include "station/index_keeper.h"

namespace ctrlprog {

class frmMain;

struct SinkOptions {
  std::optional<std::string> recordPath;  // the production record, if one is kept
  std::string station;                    // this station's name in every row
  std::optional<std::string> lineDb;      // the line database the record is forwarded to
  // Where the forwarder's news goes (a lost or restored server, a skipped row); any thread.
  std::function<void(const std::string&)> report;
  // A new file of the record each day or month, beside the record's name.
  RecordRotation rotation = RecordRotation::None;
};

// The one start-up path for where a station's rows go, for the window and the console alike:
// opens every sink, wires it to each port's form, and at the end stores what is still queued.
// With a line database the local record is the journal of truth (by default
// $XDG_STATE_HOME/ctrlprog/record.csv): each row is on its disk before it is forwarded.
class StationSinks {
 public:
  // Opens every sink the options name; a message saying why when one cannot be opened. A line
  // database address that does not parse is refused here; the server itself is asked on the
  // forwarder's thread (LineDbVerdict), never on the caller's.
  [[nodiscard]] static std::variant<std::unique_ptr<StationSinks>, std::string> Open(
      SinkOptions options);
  ~StationSinks();

  // What the line database said at start-up: nothing while it is still being asked (at most its
  // connect timeout, 5 s unless the address sets one); a final refusal (credentials, role,
  // table) is for the front end to say and end with; anything else, the rows wait.
  std::optional<LineDbResult> LineDbVerdict() const;
  // How long the start-up question may take at most.
  static constexpr int kVerdictWaitMs = 6000;

  // Every event of `form` that has a record result becomes a row in every sink, and the form
  // sends no frame while a sink is behind or has failed.
  void Wire(frmMain& form);
  // Waits until every row is stored (and forwarded, for up to `forwardMs`); the failure of a
  // sink, if one failed. The forwarder is stopped: what it did not send goes at the next run.
  [[nodiscard]] std::optional<std::string> Finish(int forwardMs = 3000);
  // What an operator is told at the end about rows the line database does not have yet; empty
  // when it has every row.
  std::string LeftForLater() const;
  // The forwarder, where there is a line database.
  LineForwarder* forwarder() { return forwarder_.get(); }
  const std::string& RecordPath() const { return recordPath_; }

  // The journal's place when a line database is given without a record.
  static std::string DefaultJournal();

 private:
  explicit StationSinks(SinkOptions options) : options_(std::move(options)) {}
  SinkOptions options_;
  std::string recordPath_;
  std::unique_ptr<RecordWriter> record_;
  std::unique_ptr<PgLineDb> db_;
  std::unique_ptr<LineForwarder> forwarder_;
  std::unique_ptr<IndexKeeper> keeper_;  // the record's index, as rows reach the disk
};

}  // namespace ctrlprog
