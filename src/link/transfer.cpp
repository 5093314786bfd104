#include <utility>

#include "link/link.h"

namespace ctrlprog {

void Link::ctrMSComm_OnComm(int commEvent) {
  if (commEvent == kCommEvLineLost) {
    if (intCommFlag != Closed) LineLost();
    StopIfAsked();
    return;
  }
  if (commEvent != kCommEvReceive) return;
  const std::vector<uint8_t> chunk = port_.ReadAll();
  // Only the first byte of a chunk counts; a notification may also bring nothing at all.
  if (chunk.empty() || chunk.front() != kReadyByte) return;
  if (intCommFlag == Polling) {
    intCommFlag = ReadyToSend;
    readyAt_ = clock();
  } else if (intCommFlag == AwaitingAck) {
    intCommFlag = Acknowledged;
  }
}

void Link::Timer1_Timer() {
  ui_.SetEnabled(Control::Label1_0, !ui_.IsEnabled(Control::Label1_0));

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
      if (port_.IsOpen()) port_.WriteText(kPollText);
      ui_.SetProgressValue(0);
      break;
    case ReadyToSend:
      port_.WriteBytes(bytFrame);
      ui_.SetProgressValue(50);
      intCommFlag = AwaitingAck;
      break;
    case AwaitingAck:
      ui_.SetProgressValue(75);
      break;
    case Acknowledged:
      intCommFlag = Polling;
      ui_.SetProgressValue(100);
      log_.ReceiveDisplay(kTransmitFinished, kColourBlue);
      Emit(LinkEventKind::Passed);
      succeeded = true;
      break;
    case Closed:
      break;
  }

  ++bytTickCount;
  if (bytTickCount > kTickLimit) {
    ui_.SetTimerEnabled(false);
    bytTickCount = 0;
    intCommFlag = Polling;
    // The board of a tick that reported success was programmed: no failure for it too.
    if (!succeeded) {
      log_.ReceiveDisplay(kTransmitFail, kColourBlue);
      Emit(LinkEventKind::Failed);
    }
    ui_.SetTimerEnabled(true);
  }
  StopIfAsked();
}

void Link::LineLost() {
  if (lineLost_) return;
  lineLost_ = true;
  log_.ReceiveDisplay(kCommLost, kColourRed);
  Emit(LinkEventKind::Lost);
}

void Link::LineRestored() {
  if (!lineLost_) return;
  lineLost_ = false;
  log_.ReceiveDisplay(kCommRestored, kColourGreen);
  Emit(LinkEventKind::Restored);
}

Link::Condition Link::LinkCondition() const {
  if (intCommFlag == Closed) return Condition::Stopped;
  return lineLost_ ? Condition::Lost : Condition::Waiting;
}

void Link::Emit(LinkEventKind kind) {
  LinkEvent event{kind, clock(), portName_, bytFrame, std::nullopt};
  if ((kind == LinkEventKind::Passed || kind == LinkEventKind::Failed) && readyAt_) {
    event.cycleMs = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(event.time - *readyAt_).count());
  }
  if (kind == LinkEventKind::Passed || kind == LinkEventKind::Failed) readyAt_.reset();
  tally_.Count(event);
  for (const LinkListener& listener : listeners_) {
    std::optional<std::string> reason = listener(event);
    if (reason && !stopReason_) stopReason_ = std::move(reason);
  }
}

void Link::StopIfAsked() {
  if (!stopReason_) return;
  const std::string reason = *std::exchange(stopReason_, std::nullopt);
  if (intCommFlag != Closed) cmdFileSend_Click();  // the timer stops before the box opens
  ui_.MessageBox(reason);
}

}  // namespace ctrlprog
