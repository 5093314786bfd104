#include "link/link.h"

namespace ctrlprog {

void Link::ctrMSComm_OnComm(int commEvent) {
  if (commEvent != kCommEvReceive) return;
  const std::vector<uint8_t> chunk = port_.ReadAll();
  // Only the first byte of a chunk counts; a notification may also bring nothing at all.
  if (chunk.empty() || chunk.front() != kReadyByte) return;
  if (intCommFlag == Polling) {
    intCommFlag = ReadyToSend;
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
        if (!port_.IsOpen()) static_cast<void>(port_.Open());  // tried again next tick
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
      log_.ReceiveDisplay("Transmit Finished", kColourBlue);
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
    if (!succeeded) log_.ReceiveDisplay("Transmit Fail!", kColourBlue);
    ui_.SetTimerEnabled(true);
  }
}

}  // namespace ctrlprog
