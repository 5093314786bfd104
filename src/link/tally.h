#pragma once

#include <optional>

#include "link/link_event.h"

namespace ctrlprog {

// The results since start-up (or the last reset), fed by the link as they happen.
class Tally {
 public:
  struct Result {
    LinkEventKind kind = LinkEventKind::Passed;  // Passed, Failed or Unconfirmed
    Clock::time_point time;
    bool passed() const { return kind == LinkEventKind::Passed; }
  };

  void Count(const LinkEvent& event);
  // Counts back to zero; the last result stays on show until the next one.
  void Reset();

  long Programmed() const { return programmed_; }
  long Failed() const { return failed_; }
  long LinesLost() const { return linesLost_; }
  const std::optional<Result>& Last() const { return last_; }

 private:
  long programmed_ = 0;
  long failed_ = 0;
  long linesLost_ = 0;
  std::optional<Result> last_;
};

}  // namespace ctrlprog
