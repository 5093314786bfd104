#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "model/frame_encoder.h"

namespace ctrlprog {

// What happened on the link, as the operator and a production record care about it.
enum class LinkEventKind {
  Started,   // "Transmit Started"
  Passed,    // "Transmit Finished": a board was programmed
  Failed,    // "Transmit Fail!": a board answered but did not acknowledge
  Lost,      // "Comm Lost": the line failed, or the port cannot be opened again
  Restored,  // "Comm Restored": a polling tick opened the port again
  Closed,    // "Comm is Closed"
};

using Clock = std::chrono::system_clock;

struct LinkEvent {
  LinkEventKind kind = LinkEventKind::Started;
  Clock::time_point time;
  std::string port;             // the device the link opened
  ParameterFrame frame{};       // the frame being sent
  std::optional<long> cycleMs;  // Passed and Failed: from the device's ready byte to the result
};

// Told of every event as it happens. A listener that can no longer do its part (a record that
// cannot be written) returns why; the link then stops the transfer and shows the reason.
using LinkListener = std::function<std::optional<std::string>(const LinkEvent&)>;

}  // namespace ctrlprog
