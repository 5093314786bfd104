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
  lineLost_ = false;
  readyAt_.reset();
  log_.ReceiveDisplay(kTransmitStarted, kColourBlue);
  ui_.SetCaption(Control::cmdFileSend, "Stop Transmit");
  SetParametersEditable(false);
  ui_.SetTimerEnabled(true);
  Emit(LinkEventKind::Started);
  return true;
}

// The lists, the port box and "OpenFile" are locked while a transfer runs: a file loaded then
// would change the lists but not the frame being sent.
void Link::SetParametersEditable(bool editable) {
  ui_.SetEnabled(Control::Frame10, editable);
  ui_.SetEnabled(Control::cboComPort, editable);
  ui_.SetEnabled(Control::mnuOpenFile, editable);
}

void Link::ShowIdle() {
  lineLost_ = false;
  log_.ReceiveDisplay(kCommIsClosed, kColourBlue);
  ui_.SetCaption(Control::cmdFileSend, "Start Transmit");
  SetParametersEditable(true);
  ui_.SetTimerEnabled(false);
  ui_.SetEnabled(Control::Label1_0, true);
  Emit(LinkEventKind::Closed);
}

}  // namespace ctrlprog
