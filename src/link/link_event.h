#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

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

// The log line each event is written as.
inline constexpr std::string_view kTransmitStarted = "Transmit Started";
inline constexpr std::string_view kTransmitFinished = "Transmit Finished";
inline constexpr std::string_view kTransmitFail = "Transmit Fail!";
inline constexpr std::string_view kCommLost = "Comm Lost";
inline constexpr std::string_view kCommRestored = "Comm Restored";
inline constexpr std::string_view kCommIsClosed = "Comm is Closed";

inline std::string_view LogLineOf(LinkEventKind kind) {
  switch (kind) {
    case LinkEventKind::Started:
      return kTransmitStarted;
    case LinkEventKind::Passed:
      return kTransmitFinished;
    case LinkEventKind::Failed:
      return kTransmitFail;
    case LinkEventKind::Lost:
      return kCommLost;
    case LinkEventKind::Restored:
      return kCommRestored;
    case LinkEventKind::Closed:
      break;
  }
  return kCommIsClosed;
}

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
