#pragma once

#include <cstdint>
#include <vector>

#include "link/link_event.h"
#include "link/serial_port.h"
#include "link/tally.h"
#include "log/message_log.h"
#include "model/frame_encoder.h"
#include "model/parameter_set.h"
#include "model/protocol.h"
#include "ui/services/window_services.h"

namespace ctrlprog {

// Link states held in `intCommFlag`.
enum TransferState : int32_t {
  Closed = 0,        // link closed; ticks do nothing
  Polling = 1,       // port kept open and polled with "8", closed one tick in four
  ReadyToSend = 2,   // the device answered a poll; the frame goes out on the next tick
  AwaitingAck = 3,   // the frame was sent
  Acknowledged = 4,  // the device acknowledged; success is reported on the next tick
};

inline constexpr std::string_view kNoUseMessage = "This Comm is no use, Please try other one!";
inline constexpr std::string_view kOccupiedMessage = "This Comm occupied, Please try other one!";

// The serial link: opening and closing the port, the handshake driven by ticks and received
// data, and the transmit command that starts and stops it.
class Link {
 public:
  Link(WindowServices& ui, SerialPort& port, ParameterSet& strParam, MessageLog& log)
      : ui_(ui), port_(port), strParam_(strParam), log_(log) {}

  // Closed: checks the lists, opens the port from the port box and starts polling.
  // Otherwise: closes the link.
  void CommPortOpen_Close();
  // Every 200 ms while a transfer runs.
  void Timer1_Timer();
  // The port's notification; code 2 means data has arrived.
  void ctrMSComm_OnComm(int commEvent);
  // "Start Transmit" / "Stop Transmit".
  void cmdFileSend_Click();

  void Reset() { intCommFlag = Closed; }

  // Where the link stands, in the operator's words.
  enum class Condition { Stopped, Waiting, Lost };
  Condition LinkCondition() const;
  // The device the link opened (empty before the first open).
  const std::string& PortName() const { return portName_; }

  // Results since start-up; Reset sets the counts to zero.
  const Tally& tally() const { return tally_; }
  void ResetTally() { tally_.Reset(); }

  // Adds a listener told of every event (see LinkListener).
  void AddListener(LinkListener listener) { listeners_.push_back(std::move(listener)); }
  // Where event times come from; tests set their own.
  std::function<Clock::time_point()> clock = [] { return Clock::now(); };

  // The error number of the last attempt to open the port (kCommOk when it opened, or when the
  // lists stopped it first), for front ends that say more than the window's messages.
  int LastOpenError() const { return lastOpenError_; }

  TransferState intCommFlag = Closed;
  uint8_t bytTickCount = 0;  // never reset by starting or stopping
  ParameterFrame bytFrame{};

 private:
  bool StartTransfer();
  void ShowIdle();
  void SetParametersEditable(bool editable);
  // Tells the tally and the listeners; a listener's reason to stop is kept for StopIfAsked.
  void Emit(LinkEventKind kind);
  // Stops the transfer as "Stop Transmit" does when a listener asked for it, then says why.
  void StopIfAsked();
  // The line failed or cannot be opened: said once, until a polling tick opens it again.
  void LineLost();
  void LineRestored();

  WindowServices& ui_;
  SerialPort& port_;
  ParameterSet& strParam_;
  MessageLog& log_;
  int lastOpenError_ = kCommOk;
  std::string portName_;
  bool lineLost_ = false;
  std::optional<Clock::time_point> readyAt_;  // the device's ready byte of this cycle
  Tally tally_;
  std::vector<LinkListener> listeners_;
  std::optional<std::string> stopReason_;
};

}  // namespace ctrlprog
