#include "link/link.h"

#include <utility>

namespace ctrlprog {

using enum TransferState;

int Link::Open(std::string_view portText) {
  int error = port_.SetPort(portText);
  const bool named = error == kCommOk;
  if (named) portName_ = port_.DeviceName();
  if (named) error = port_.Open();
  lastOpenError_ = error;
  lastOpenCause_ = OpenCauseFor(error, named ? port_.OpenFailureCause() : OpenCause::NoPortNamed);
  openFailure_ =
      error == kCommOk ? std::string() : OpenFailureReason(error, port_.OpenFailureDetail());
  if (error == kCommOk) {
    intCommFlag = Polling;
  } else {
    port_.Release();
  }
  return error;
}

void Link::Close() {
  const TransferState was = std::exchange(intCommFlag, Closed);
  if (port_.IsOpen()) port_.Close();
  port_.Release();
  // The board this stop cut short has its result too.
  if (!begun_) return;
  if (was == Acknowledged) Emit(LinkEventKind::Passed);
  if (was == AwaitingAck) Emit(LinkEventKind::Unconfirmed);
}

void Link::Begin(const ParameterFrame& frame) {
  bytFrame = frame;
  lineLost_ = false;
  readyAt_.reset();
  begun_ = true;
  Emit(LinkEventKind::Started);
}

void Link::Idle(std::string refusal) {
  lineLost_ = false;
  if (std::exchange(begun_, false)) {
    Emit(LinkEventKind::Closed);
  } else {
    Emit(LinkEventKind::Refused, std::move(refusal));
  }
}

void Link::ctrMSComm_OnComm(int commEvent) {
  if (commEvent == kCommEvLineLost) {
    if (intCommFlag != Closed) LineLost();
    return;
  }
  if (commEvent != kCommEvReceive) return;
  const std::vector<uint8_t> chunk = port_.ReadAll();
  // Only the first byte of a chunk counts; a notification may also bring nothing at all.
  if (chunk.empty() || chunk.front() != kReadyByte) return;
  if (intCommFlag == Polling) {
    if (namedBoardsOnly_ && !polledForUnit_) {
      Emit(LinkEventKind::Stray);
      return;
    }
    intCommFlag = ReadyToSend;
    readyAt_ = steadyClock();
  } else if (intCommFlag == AwaitingAck) {
    intCommFlag = Acknowledged;
  }
}

TickReport Link::Timer1_Timer() {
  TickReport report;
  GateVerdict verdict;
  if (intCommFlag != Closed) {
    verdict = AskGates();
    if (verdict.kind == GateVerdict::Kind::Shut) {
      Halt(verdict.reason);
      return report;
    }
  }

  // Failures to open, close or write are not reported here: the port closes itself when the
  // device goes away, and the next polling tick tries again.
  bool succeeded = false;
  switch (intCommFlag) {
    case Polling:
      if (bytTickCount <= 3) {
        // A port that will not open again is a lost line, tried again next tick.
        if (!port_.IsOpen()) {
          if (port_.Open() == kCommOk) {
            LineRestored();
          } else {
            LineLost();
          }
        }
      } else {
        bytTickCount = 0;
        if (port_.IsOpen()) port_.Close();
      }
      // A record still writing an earlier row holds the poll, so no board is engaged before
      // its predecessor's row is safe; once a board answered, its handshake runs untouched.
      if (port_.IsOpen() && verdict.kind != GateVerdict::Kind::Hold) {
        port_.WriteText(kPollText);
        if (!serial_.empty()) polledForUnit_ = true;
      }
      report.progress = 0;
      break;
    case ReadyToSend:
      port_.WriteBytes(bytFrame);
      report.progress = 50;
      intCommFlag = AwaitingAck;
      break;
    case AwaitingAck:
      report.progress = 75;
      break;
    case Acknowledged:
      intCommFlag = Polling;
      report.progress = 100;
      Emit(LinkEventKind::Passed);
      succeeded = true;
      break;
    case Closed:
      break;
  }

  ++bytTickCount;
  if (bytTickCount > kTickLimit) {
    report.timerRestarted = true;
    bytTickCount = 0;
    intCommFlag = Polling;
    // The board of a tick that reported success was programmed: no failure for it too.
    if (!succeeded) Emit(LinkEventKind::Failed);
  }
  return report;
}

GateVerdict Link::AskGates() const {
  GateVerdict verdict;
  for (const LinkGate& gate : gates_) {
    GateVerdict v = gate();
    if (v.kind == GateVerdict::Kind::Shut) return v;
    if (v.kind == GateVerdict::Kind::Hold) verdict = std::move(v);
  }
  return verdict;
}

void Link::Halt(const std::string& reason) {
  Close();
  Idle({});
  Emit(LinkEventKind::RecordFailed, reason);
}

void Link::LineLost() {
  if (lineLost_) return;
  lineLost_ = true;
  Emit(LinkEventKind::Lost);
}

void Link::LineRestored() {
  if (!lineLost_) return;
  lineLost_ = false;
  Emit(LinkEventKind::Restored);
}

Link::Condition Link::LinkCondition() const {
  if (intCommFlag == Closed) return Condition::Stopped;
  if (lineLost_) return Condition::Lost;
  return intCommFlag == Polling ? Condition::Waiting : Condition::Programming;
}

void Link::Emit(LinkEventKind kind, std::string reason) {
  LinkEvent event{kind,    clock(),  portName_, bytFrame, std::nullopt, std::move(reason),
                  serial_, attempt_, checkedBy_};
  if (TraitsOf(kind).endsBoard) {
    polledForUnit_ = false;
    if (readyAt_) {
      event.cycleMs = static_cast<long>(
          std::chrono::duration_cast<std::chrono::milliseconds>(steadyClock() - *readyAt_).count());
    }
    readyAt_.reset();
  }
  tally_.Count(event);
  for (const LinkListener& listener : listeners_) listener(event);
}

OpenCause OpenCauseFor(int error, OpenCause portSays) {
  switch (error) {
    case kCommOk:
      return OpenCause::None;
    case kCommOverflow:
      return OpenCause::OutOfRange;
    default:
      return portSays;
  }
}

std::string OpenFailureReason(int error, const std::string& detail) {
  switch (error) {
    case kCommOk:
      return {};
    case kCommOverflow:
      return "the port number does not fit 16 bits (-32768 to 32767)";
    case kCommPortBusy:
      return detail.empty() ? "held by another program" : detail;
    case kCommNoSuchPort:
      return detail.empty() ? "no such port" : detail;
    default:
      return detail.empty() ? "error " + std::to_string(error) : detail;
  }
}

}  // namespace ctrlprog
