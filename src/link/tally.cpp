#include "link/tally.h"

namespace ctrlprog {

void Tally::Count(const LinkEvent& event) {
  switch (event.kind) {
    case LinkEventKind::Passed:
      ++programmed_;
      last_ = Result{true, event.time};
      break;
    case LinkEventKind::Failed:
      ++failed_;
      last_ = Result{false, event.time};
      break;
    case LinkEventKind::Lost:
      ++linesLost_;
      break;
    case LinkEventKind::Started:
    case LinkEventKind::Restored:
    case LinkEventKind::Closed:
      break;
  }
}

void Tally::Reset() {
  programmed_ = 0;
  failed_ = 0;
  linesLost_ = 0;
}

}  // namespace ctrlprog
