#include <variant>

#include "link/link.h"

namespace ctrlprog {

void Link::cmdFileSend_Click() {
  CommPortOpen_Close();
  if (intCommFlag != Closed && StartTransfer()) return;
  ShowIdle();
}

bool Link::StartTransfer() {
  const EncodeResult encoded = EncodeFrame(strParam_);
  if (const auto* overflow = std::get_if<FrameOverflow>(&encoded)) {
    // The lists only offer texts that encode; a frame that overflows is never sent.
    ui_.MessageBox("Byte " + std::to_string(overflow->byteIndex) +
                   " of the frame is out of range; nothing was sent.");
    CommPortOpen_Close();
    return false;
  }
  bytFrame = std::get<ParameterFrame>(encoded);
  log_.ReceiveDisplay("Transmit Started", 3);
  ui_.SetCaption(Control::cmdFileSend, "Stop Transmit");
  ui_.SetEnabled(Control::Frame10, false);
  ui_.SetEnabled(Control::cboComPort, false);
  // A file loaded now would change the lists but not the frame being sent.
  ui_.SetEnabled(Control::mnuOpenFile, false);
  ui_.SetTimerEnabled(true);
  return true;
}

void Link::ShowIdle() {
  log_.ReceiveDisplay("Comm is Closed", 3);
  ui_.SetCaption(Control::cmdFileSend, "Start Transmit");
  ui_.SetEnabled(Control::Frame10, true);
  ui_.SetEnabled(Control::cboComPort, true);
  ui_.SetEnabled(Control::mnuOpenFile, true);
  ui_.SetTimerEnabled(false);
  ui_.SetEnabled(Control::Label1_0, true);
}

}  // namespace ctrlprog
