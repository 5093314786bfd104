#include "ui/fixture_tile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "files/parameter_file.h"
#include "link/qt/tick_timer.h"
#include "scan/unit_gate.h"
#include "station/unit_scanning.h"
#include "ui/qt_text.h"
#include "ui/result_panel.h"

namespace ctrlprog {

TileServices::TileServices() {
  SetUpTimer1(timer_);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (onTick) onTick();
  });
}

void TileServices::MessageBox(std::string_view text) {
  if (onMessage) onMessage(std::string(text));
}

void TileServices::SetTimerEnabled(bool enabled) {
  if (enabled) {
    timer_.start();
  } else {
    timer_.stop();
  }
}

void TileServices::AppendLog(std::string_view text, std::optional<Rgb> colour) {
  if (onLogLine) onLogLine(std::string(text), colour);
}

FixtureTile::FixtureTile(std::string port, QWidget* parent)
    : QFrame(parent), port_(std::move(port)) {
  setFrameShape(QFrame::StyledPanel);
  setObjectName("FixtureTile");
  setAccessibleName(ShortName());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  name_ = new QLabel(ShortName(), this);
  name_->setObjectName("lblTileName");
  name_->setStyleSheet("QLabel { font-size: 11pt; font-weight: bold; }");
  name_->setToolTip(ToQString(port_));
  panel_ = new ResultPanel(this);
  panel_->SetLayout(ResultPanel::Layout::Tile);
  reason_ = new QLabel(this);
  reason_->setObjectName("lblTileReason");
  reason_->setWordWrap(true);
  reason_->setAlignment(Qt::AlignCenter);
  stop_ = new QPushButton(QCoreApplication::translate("Fixture", "Stop %1").arg(ShortName()), this);
  stop_->setObjectName("cmdTileStop");
  stop_->setEnabled(false);
  // The name and the buttons share the top row, so the badge keeps the height.
  top_ = new QHBoxLayout;
  top_->addWidget(name_, 1);
  top_->addWidget(panel_->ResetButton());
  panel_->ResetButton()->show();
  top_->addWidget(stop_);
  layout->addLayout(top_);
  layout->addWidget(panel_, 1);
  layout->addWidget(reason_);
  reason_->hide();  // shown while there is a reason

  ui_.onTick = [this] {
    station_.form().Timer1_Timer();
    Show();  // a board that answered is being programmed
  };
  ui_.onLogLine = [this](const std::string& line, std::optional<Rgb> colour) {
    if (onLogLine) onLogLine(line, colour);
  };
  ui_.onMessage = [this](const std::string& text) { SetReason(ToQString(text)); };
  station_.form().Form_Load();
  station_.OnEvent([this](const LinkEvent& event) {
    if (event.kind == LinkEventKind::Refused && !event.reason.empty()) {
      // A port that did not open is advised by its cause, in the operator's language.
      const OpenCause cause = station_.link().LastOpenCause();
      SetReason(cause == OpenCause::None ? ToQString(event.reason)
                                         : ToQString(OpenCauseAdvice(cause)));
    }
    if (event.kind == LinkEventKind::Started) SetReason({});
    Show();
  });
  connect(stop_, &QPushButton::clicked, this, [this] {
    Stop();
    if (onRunningChanged) onRunningChanged();
  });
  connect(panel_->ResetButton(), &QPushButton::clicked, this, [this] {
    station_.link().ResetTally();
    if (UnitGate* gate = station_.gate()) gate->ResetCounts();
    Show();
  });
  Show();
}

FixtureTile::~FixtureTile() {
  Stop();
}

void FixtureTile::EnableScan(UnitScanning& scanning) {
  station_.EnableScan(scanning);
  PlaceSerialRow(false);
  Show();
}

void FixtureTile::PlaceSerialRow(bool ownRow) {
  if (serialRowPlaced_ && ownRow == serialOwnRow_) return;
  serialRowPlaced_ = true;
  serialOwnRow_ = ownRow;
  QWidget* row = panel_->SerialRow();
  top_->removeWidget(row);
  layout()->removeWidget(row);
  if (ownRow) {
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, row);
  } else {
    top_->insertWidget(1, row, 3);
  }
}

void FixtureTile::SetNext(const std::string& next) {
  next_ = next;
  Show();
}

QLineEdit* FixtureTile::SerialBox() const {
  return panel_->SerialBox();
}

void FixtureTile::SetReason(const QString& reason) {
  reason_->setText(reason);
  reason_->setVisible(!reason.isEmpty());
}

QString FixtureTile::ShortName() const {
  return QFileInfo(ToQString(port_)).fileName();
}

bool FixtureTile::Start(const std::array<std::string, kParameterCount>& set,
                        const std::string& file) {
  // The file is loaded as the window loaded it, so the form knows its rows' file; only a file
  // that loads whole, so no failure of it is said here. The lists then get the set on screen:
  // a file that no longer holds it is named in no row.
  if (!file.empty()) {
    const LoadResult read = ReadParameterFile(file);
    const auto* choices = std::get_if<std::vector<std::string>>(&read);
    if (choices && choices->size() >= kParameterCount) {
      static_cast<void>(station_.form().LoadParameterFile(file));
    }
  }
  for (int i = 0; i < kParameterCount; ++i) {
    static_cast<void>(ui_.ComboSelect(i, set[static_cast<size_t>(i)]));
  }
  ui_.SetPortText(port_);
  return station_.Start();
}

void FixtureTile::Show() {
  // Called on every tick: nothing is set again unless something moved.
  const Tally& tally = station_.tally();
  const auto& last = tally.Last();
  Shown now{station_.link().LinkCondition(),
            tally.Programmed(),
            tally.Failed(),
            last ? static_cast<int>(last->kind) : -1,
            last ? last->time : Clock::time_point{},
            station_.Running(),
            station_.gate() ? std::optional(ScanShownOf(*station_.gate())) : std::nullopt};
  if (now.scan) now.scan->next = next_;
  if (shown_ && *shown_ == now) return;
  shown_ = now;
  panel_->Show(now.condition, tally, now.scan);
  stop_->setEnabled(now.running);
}

}  // namespace ctrlprog
