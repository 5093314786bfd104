#include "link/link.h"

namespace ctrlprog {

void Link::CommPortOpen_Close() {
  if (intCommFlag != Closed) {
    intCommFlag = Closed;
    if (port_.IsOpen()) port_.Close();
    return;
  }
  lastOpenError_ = kCommOk;
  if (ReadListsIntoSet(ui_, strParam_)) {
    ui_.MessageBox(kIncompleteMessage);
    return;
  }
  int error = port_.SetPort(ui_.PortText());
  if (error == kCommOk) portName_ = port_.DeviceName();
  if (error == kCommOk) error = port_.Open();
  lastOpenError_ = error;
  if (error == kCommOk) intCommFlag = Polling;

  if (error == kCommNoSuchPort) {
    ui_.MessageBox(kNoUseMessage);
  } else if (error == kCommPortBusy) {
    ui_.MessageBox(kOccupiedMessage);
    intCommFlag = Closed;
  }
  // Any other error leaves the link closed without a word, as the operator's station expects.
}

}  // namespace ctrlprog
