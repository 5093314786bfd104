#include "ui/form/frm_main.h"

#include "model/hex.h"

namespace ctrlprog {
namespace {

constexpr int kFormHeight = 7150;
constexpr int kConcealedWidth = 3280;
constexpr int kExpandedWidth = 11500;

}  // namespace

frmMain::frmMain(WindowServices& ui, SerialPort& port)
    : ui_(ui), log_(ui), files_(ui, strParam_), port_(port), link_(ui, port, strParam_, log_) {
  port_.SetReceiveHandler([this](int commEvent) { link_.ctrMSComm_OnComm(commEvent); });
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

void frmMain::AttachRecord(ProductionRecord& record) {
  link_.AddListener([this, &record, station = StationName()](
                        const LinkEvent& event) -> std::optional<std::string> {
    const char* result = nullptr;
    switch (event.kind) {
      case LinkEventKind::Passed:
        result = "PASS";
        break;
      case LinkEventKind::Failed:
        result = "FAIL";
        break;
      case LinkEventKind::Lost:
        result = "LOST";
        break;
      case LinkEventKind::Restored:
        result = "RESTORED";
        break;
      case LinkEventKind::Started:
      case LinkEventKind::Closed:
        return std::nullopt;
    }
    const RecordRow row{event.time,         station, event.port,   files_.FileOnScreen(),
                        ToHex(event.frame), result,  event.cycleMs};
    if (const auto error = record.Append(row)) {
      return RecordFailureMessage(record.Path(), *error, result);
    }
    return std::nullopt;
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
