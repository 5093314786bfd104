#include "form/frm_main.h"

#include <variant>

#include "files/file_system.h"
#include "form/parameter_lists.h"
#include "model/hex.h"

namespace ctrlprog {
namespace {

constexpr int kFormHeight = 7150;
constexpr int kConcealedWidth = 3280;
constexpr int kExpandedWidth = 11500;

inline constexpr std::string_view kNoUseMessage = "This Comm is no use, Please try other one!";
inline constexpr std::string_view kOccupiedMessage = "This Comm occupied, Please try other one!";

}  // namespace

frmMain::frmMain(WindowServices& ui, SerialPort& port)
    : ui_(ui), log_(ui), files_(ui, strParam_), port_(port), link_(port) {
  port_.SetReceiveHandler([this](int commEvent) { link_.ctrMSComm_OnComm(commEvent); });
  link_.AddListener([this](const LinkEvent& event) { OnEvent(event); });
}

frmMain::~frmMain() {
  port_.SetReceiveHandler(nullptr);
}

void frmMain::Form_Load() {
  ui_.SetCaption(Control::cmdShow, "<<conceal");
  blnExpanded_ = true;
  ui_.SetWindowHeight(kFormHeight);
  link_.Reset();
  ui_.SetDialogFlags({.overwritePrompt = true});
  ui_.SetProgressRange(0, 100);
  ui_.SetProgressValue(0);
  log_.Reset();
  ui_.SetPortText("1");
}

void frmMain::CommPortOpen_Close() {
  if (link_.State() != TransferState::Closed) {
    link_.Close();
    return;
  }
  refusal_.clear();
  if (ReadListsIntoSet(ui_, strParam_)) {
    ui_.MessageBox(kIncompleteMessage);
    refusal_ = kIncompleteMessage;
    return;
  }
  const int error = link_.Open(ui_.PortText());
  if (error == kCommNoSuchPort) {
    ui_.MessageBox(kNoUseMessage);
  } else if (error == kCommPortBusy) {
    ui_.MessageBox(kOccupiedMessage);
  }
  // Any other error leaves the link closed without a word, as the operator's station expects.
  refusal_ = link_.OpenFailure();
}

void frmMain::cmdFileSend_Click() {
  CommPortOpen_Close();
  if (link_.State() != TransferState::Closed && StartTransfer()) return;
  link_.Idle(refusal_);
}

bool frmMain::StartTransfer() {
  const EncodeResult encoded = EncodeFrame(strParam_);
  if (const auto* overflow = std::get_if<FrameOverflow>(&encoded)) {
    // The lists only offer texts that encode; a frame that overflows is never sent.
    refusal_ = "Byte " + std::to_string(overflow->byteIndex) +
               " of the frame is out of range; nothing was sent.";
    ui_.MessageBox(refusal_);
    link_.Close();
    return false;
  }
  link_.Begin(std::get<ParameterFrame>(encoded));
  return true;
}

void frmMain::Timer1_Timer() {
  ui_.SetEnabled(Control::Label1_0, !ui_.IsEnabled(Control::Label1_0));
  const TickReport report = link_.Timer1_Timer();
  if (report.progress) ui_.SetProgressValue(*report.progress);
  if (report.timerRestarted) {  // its interval starts afresh
    ui_.SetTimerEnabled(false);
    ui_.SetTimerEnabled(true);
  }
}

void frmMain::OnEvent(const LinkEvent& event) {
  const EventTraits& traits = TraitsOf(event.kind);
  if (traits.inWindowLog) log_.ReceiveDisplay(traits.text, traits.colour);
  switch (event.kind) {
    case LinkEventKind::Started:
      ui_.SetCaption(Control::cmdFileSend, "Stop Transmit");
      SetParametersEditable(false);
      ui_.SetTimerEnabled(true);
      break;
    case LinkEventKind::Closed:
    case LinkEventKind::Refused:
      ui_.SetCaption(Control::cmdFileSend, "Start Transmit");
      SetParametersEditable(true);
      ui_.SetTimerEnabled(false);
      ui_.SetEnabled(Control::Label1_0, true);
      break;
    case LinkEventKind::RecordFailed:
      ui_.MessageBox(event.reason);  // the timer stopped before the box opens
      break;
    case LinkEventKind::Passed:
    case LinkEventKind::Failed:
    case LinkEventKind::Unconfirmed:
    case LinkEventKind::Lost:
    case LinkEventKind::Restored:
    case LinkEventKind::Stray:
      break;
  }
}

// The lists, the port box and "OpenFile" are locked while a transfer runs: a file loaded then
// would change the lists but not the frame being sent.
void frmMain::SetParametersEditable(bool editable) {
  ui_.SetEnabled(Control::Frame10, editable);
  ui_.SetEnabled(Control::cboComPort, editable);
  ui_.SetEnabled(Control::mnuOpenFile, editable);
}

void frmMain::AttachRecord(RecordSink& sink, std::string station) {
  link_.AddGate([&sink] {
    switch (sink.State()) {
      case SinkState::Ready:
        return GateVerdict{};
      case SinkState::Busy:
        return GateVerdict{GateVerdict::Kind::Hold, {}};
      case SinkState::Failed:
        break;
    }
    return GateVerdict{GateVerdict::Kind::Shut, sink.Failure()};
  });
  link_.AddListener([this, &sink, station = std::move(station)](const LinkEvent& event) {
    const std::string_view result = TraitsOf(event.kind).result;
    if (result.empty()) return;
    sink.Submit(RecordRow{event.time, station, event.port, AbsolutePath(files_.FileOnScreen()),
                          ToHex(event.frame), std::string(result), event.cycleMs, event.serial,
                          event.attempt, event.checkedBy});
  });
}

void frmMain::cmdShow_Click() {
  blnExpanded_ = !blnExpanded_;
  if (blnExpanded_) {
    ui_.SetCaption(Control::cmdShow, "<<conceal");
    ui_.SetWindowWidth(kExpandedWidth);
  } else {
    ui_.SetCaption(Control::cmdShow, ">>visible");
    ui_.SetWindowWidth(kConcealedWidth);
  }
  ui_.SetWindowHeight(kFormHeight);
}

}  // namespace ctrlprog
