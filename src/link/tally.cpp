#include "link/tally.h"

namespace ctrlprog {

void Tally::Count(const LinkEvent& event) {
  switch (TraitsOf(event.kind).tally) {
    case TallyEffect::Programmed:
      ++programmed_;
      last_ = Result{event.kind, event.time};
      break;
    case TallyEffect::Failed:
      ++failed_;
      last_ = Result{event.kind, event.time};
      break;
    case TallyEffect::Lost:
      ++linesLost_;
      break;
    case TallyEffect::None:
      break;
  }
}

void Tally::Reset() {
  programmed_ = 0;
  failed_ = 0;
  linesLost_ = 0;
}

}  // namespace ctrlprog
