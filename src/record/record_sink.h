#pragma once

#include <string>

#include "files/production_record.h"

namespace ctrlprog {

enum class SinkState {
  Ready,   // every row handed over so far is safely stored
  Busy,    // rows are still being stored
  Failed,  // a row could not be stored; nothing more will be
};

// Where the station's rows go: the local record, or anything fed from it. Called on the event
// loop's thread; a sink never makes it wait.
class RecordSink {
 public:
  virtual ~RecordSink() = default;
  virtual void Submit(RecordRow row) = 0;
  virtual SinkState State() const = 0;
  // Why the sink failed, for the operator; empty while it has not.
  virtual std::string Failure() const = 0;
};

}  // namespace ctrlprog
