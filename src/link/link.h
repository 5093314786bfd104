#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/link_event.h"
#include "link/serial_port.h"
#include "link/tally.h"
#include "model/frame_encoder.h"
#include "model/protocol.h"

namespace ctrlprog {

// Link states held in `intCommFlag`.
enum class TransferState : int32_t {
  Closed = 0,        // link closed; ticks do nothing
  Polling = 1,       // port kept open and polled with "8", closed one tick in four
  ReadyToSend = 2,   // the device answered a poll; the frame goes out on the next tick
  AwaitingAck = 3,   // the frame was sent
  Acknowledged = 4,  // the device acknowledged; success is reported on the next tick
};

// What one tick did, for the front end to show: the progress value it set, if any, and whether
// the timer was restarted because the wait for an acknowledgement ran out.
struct TickReport {
  std::optional<int> progress;
  bool timerRestarted = false;
};

// The station core of one port: the port's opening and closing, the handshake driven by ticks
// and received data, and the results. It knows no window: what happens is told to listeners as
// events, and every tick says what it did. Sinks (a record) take part through gates, so no frame
// goes out once one of them stopped working.
class Link {
 public:
  explicit Link(SerialPort& port) : port_(port) {}

  // Closed → Polling: chooses the port from `portText` and opens it. Returns our error number;
  // on failure the link stays closed.
  [[nodiscard]] int Open(std::string_view portText);
  // Any state → Closed, the port closed and released. A board the stop cut short is reported
  // first: acknowledged, it is counted as programmed; with its frame out and no answer yet, as
  // unconfirmed.
  void Close();
  // The transfer runs from here, sending `frame` to every board that answers.
  void Begin(const ParameterFrame& frame);
  // Back to idle: Closed when a transfer ran, else Refused with `refusal` as the reason.
  void Idle(std::string refusal);

  // Every 200 ms while a transfer runs.
  TickReport Timer1_Timer();
  // The port's notification; code 2 means data has arrived.
  void ctrMSComm_OnComm(int commEvent);

  void Reset() { intCommFlag = TransferState::Closed; }

  TransferState State() const { return intCommFlag; }
  uint8_t TickCount() const { return bytTickCount; }
  const ParameterFrame& Frame() const { return bytFrame; }
  // Puts the handshake where a test or a measurement needs it.
  void ForceState(TransferState state) { intCommFlag = state; }
  void ForceTickCount(uint8_t count) { bytTickCount = count; }

  // Where the link stands, in the operator's words.
  enum class Condition {
    Stopped,      // no transfer runs
    Waiting,      // polling for a board
    Programming,  // a board answered: its frame is on its way or being acknowledged
    Lost,         // the line is lost; polling tries to open it again
  };
  Condition LinkCondition() const;
  // The device the link opened (empty before the first open).
  const std::string& PortName() const { return portName_; }
  // The board on the line by its scanned serial, and the attempt on it, for every event from
  // now on; an empty serial where boards are not scanned.
  // `checkedBy` says how the serial was checked (against the line or the record alone).
  void SetUnit(std::string serial, int attempt, std::string_view checkedBy) {
    serial_ = std::move(serial);
    attempt_ = attempt;
    checkedBy_ = checkedBy;
    polledForUnit_ = false;
  }
  // Boards are named: a ready byte counts only when it answers a poll sent while the link holds
  // a board's serial. Any other (a device's stray byte, a late or second acknowledgement of the
  // board before) is ignored, so no frame goes to a board nobody named.
  void RequireNamedBoard() { namedBoardsOnly_ = true; }
  // Why the last open failed, in words; empty after one that succeeded.
  const std::string& OpenFailure() const { return openFailure_; }
  // The error number of the last open (kCommOk when it opened).
  int LastOpenError() const { return lastOpenError_; }
  // Why the last open failed, for the operator's advice; None after one that succeeded.
  OpenCause LastOpenCause() const { return lastOpenCause_; }

  // Results since start-up; Reset sets the counts to zero.
  const Tally& tally() const { return tally_; }
  void ResetTally() { tally_.Reset(); }

  void AddListener(LinkListener listener) { listeners_.push_back(std::move(listener)); }
  void AddGate(LinkGate gate) { gates_.push_back(std::move(gate)); }

  // Where event times come from: the time of day for the record, a steady clock for durations.
  // Tests set their own.
  std::function<Clock::time_point()> clock = [] { return Clock::now(); };
  std::function<SteadyClock::time_point()> steadyClock = [] { return SteadyClock::now(); };

 private:
  void Emit(LinkEventKind kind, std::string reason = {});
  GateVerdict AskGates() const;
  // A gate shut: stop as "Stop Transmit" does, then say why.
  void Halt(const std::string& reason);
  // The line failed or cannot be opened: said once, until a polling tick opens it again.
  void LineLost();
  void LineRestored();

  SerialPort& port_;
  TransferState intCommFlag = TransferState::Closed;
  uint8_t bytTickCount = 0;  // never reset by starting or stopping
  ParameterFrame bytFrame{};
  int lastOpenError_ = kCommOk;
  OpenCause lastOpenCause_ = OpenCause::None;
  std::string portName_;
  std::string serial_;
  int attempt_ = 0;
  std::string checkedBy_;
  std::string openFailure_;
  bool begun_ = false;  // Begin ran since the last Idle
  bool lineLost_ = false;
  bool namedBoardsOnly_ = false;
  bool polledForUnit_ = false;                      // a poll went out while the link held serial_
  std::optional<SteadyClock::time_point> readyAt_;  // the device's ready byte of this cycle
  Tally tally_;
  std::vector<LinkListener> listeners_;
  std::vector<LinkGate> gates_;
};

// Why an open failed, in words, from our error number and the adapter's own account.
std::string OpenFailureReason(int error, const std::string& detail);
// The cause of an open that returned `error`, where the port said `portSays`.
OpenCause OpenCauseFor(int error, OpenCause portSays);

}  // namespace ctrlprog
