#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "model/frame_encoder.h"
#include "model/protocol.h"

namespace ctrlprog {

// What happened on the link, as the operator and a production record care about it.
enum class LinkEventKind {
  Started,       // "Transmit Started"
  Passed,        // "Transmit Finished": a board was programmed
  Failed,        // "Transmit Fail!": a board answered but did not acknowledge
  Unconfirmed,   // stopped with the frame out and no acknowledgement: the board may hold the set
  Lost,          // "Comm Lost": the line failed, or the port cannot be opened again
  Restored,      // "Comm Restored": a polling tick opened the port again
  Closed,        // "Comm is Closed" after a transfer ran
  Refused,       // "Comm is Closed" after a start that never opened the port
  RecordFailed,  // a record stopped working; the transfer was stopped before another frame
  Stray,         // a ready byte that answered no poll for a named board: ignored
};

// The log lines' texts.
inline constexpr std::string_view kTransmitStarted = "Transmit Started";
inline constexpr std::string_view kTransmitFinished = "Transmit Finished";
inline constexpr std::string_view kTransmitFail = "Transmit Fail!";
inline constexpr std::string_view kTransmitUnconfirmed = "Transmit Unconfirmed";
inline constexpr std::string_view kCommLost = "Comm Lost";
inline constexpr std::string_view kCommRestored = "Comm Restored";
inline constexpr std::string_view kCommIsClosed = "Comm is Closed";
inline constexpr std::string_view kStrayByte =
    "Stray 0x55 ignored: it answered no poll for a named board";

// How an event counts in the results since start-up.
enum class TallyEffect { None, Programmed, Failed, Lost };

// Everything the front ends and the record make of one kind of event, in one place.
struct EventTraits {
  std::string_view text;      // the words for it: the log line, or the console's line
  bool inWindowLog;           // written to the window's log, in `colour`
  int32_t colour;             // colour code of the log line
  std::string_view result;    // the record's result column; empty: no row
  std::string_view jsonName;  // the console's "event" field
  TallyEffect tally;
  bool endsBoard;  // the result of one board's cycle (has a cycle time)
};

const EventTraits& TraitsOf(LinkEventKind kind);

using Clock = std::chrono::system_clock;
using SteadyClock = std::chrono::steady_clock;

struct LinkEvent {
  LinkEventKind kind = LinkEventKind::Started;
  Clock::time_point time;       // time of day, for the record
  std::string port;             // the device the link opened
  ParameterFrame frame{};       // the frame being sent
  std::optional<long> cycleMs;  // a board's result: from the device's ready byte to the result
  std::string reason;           // Refused and RecordFailed: why
  std::string serial;           // the board's scanned serial, where boards are scanned
  int attempt = 0;              // and which attempt on that board this is (1 for the first)
  std::string checkedBy;        // how its serial was checked: "line", "record", or empty
};

// Told of every event as it happens.
using LinkListener = std::function<void(const LinkEvent&)>;

// Asked before every tick whether the link may go on, and before every frame whether it may
// send one: a sink that is still writing earlier rows holds the frame, one that failed stops the
// transfer.
struct GateVerdict {
  enum class Kind { Open, Hold, Shut } kind = Kind::Open;
  std::string reason;  // Shut: why
};
using LinkGate = std::function<GateVerdict()>;

}  // namespace ctrlprog
