#include "ui/main_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextDocument>
#include <QToolBar>
#include <QWindow>

#include "link/qt/tick_timer.h"
#include "model/parameter_set.h"
#include "model/parameter_table.h"
#include "scan/unit_gate.h"
#include "station/station.h"
#include "ui/blink_label.h"
#include "ui/fixture_tile.h"
#include "ui/fixture_view.h"
#include "ui/keyboard.h"
#include "ui/port_combo_box.h"
#include "ui/ports_dialog.h"
#include "ui/qt_text.h"
#include "ui/result_panel.h"
#include "ui/scan_desk.h"
#include "ui/wheel_guard.h"

namespace ctrlprog {
namespace {

constexpr int kRowHeight = 375;
constexpr int kComboHeight = 315;

// Where a parameter's row stands: its group frame, the row's y, the list's x and width.
struct Row {
  int group;  // 0 Frame2, 1 Frame1, 2 Frame3, 3 Fram4
  int y, listX, listWidth;
};

constexpr std::array<Row, 16> kRows = {{
    {0, 240, 120, 2295},    // 0 Board Type: no label, the group caption serves
    {1, 360, 1560, 1095},   // 1
    {1, 840, 1560, 1095},   // 2
    {1, 1320, 1560, 1095},  // 3
    {1, 1800, 1560, 1095},  // 4
    {2, 360, 1680, 1095},   // 5
    {2, 840, 1680, 2415},   // 6
    {2, 1320, 1680, 1095},  // 7
    {2, 1800, 1680, 1095},  // 8
    {2, 2280, 1680, 1095},  // 9
    {3, 360, 2400, 975},    // 10
    {3, 840, 2400, 975},    // 11
    {3, 1320, 2400, 2535},  // 12
    {2, 2760, 1680, 1815},  // 13
    {3, 1800, 2400, 1815},  // 14
    {2, 3240, 1680, 1815},  // 15
}};

struct Group {
  const char* name;
  int x, y, width, height;
};

constexpr std::array<Group, 4> kGroups = {{
    {"Frame2", 240, 240, 2655, 615},
    {"Frame1", 240, 1320, 3015, 2295},
    {"Frame3", 3840, 240, 4095, 3855},
    {"Fram4", 240, 3960, 5775, 2415},
}};

}  // namespace

MainWindow::MainWindow(SerialPort& port, QWidget* parent)
    : QMainWindow(parent), twips_(screen() ? screen()->logicalDotsPerInch() : 96) {
  setWindowTitle(QString(16, ' '));
  setObjectName("frmMain");
  // The layout was drawn for an 8-point face; a larger one would not fit the twips. Group frames
  // carry their caption on the border line, as the layout's rows expect.
  setStyleSheet(
      "* { font-size: 8pt; }"
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
      "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }");

  auto* client = new QWidget(this);
  client->setObjectName("client");
  setCentralWidget(client);
  BuildMenu();

  // An empty tool strip along the top; the panels stand over it, as designed.
  auto* toolbar = new QToolBar(client);
  toolbar->setObjectName("Toolbar1");
  Place(toolbar, 0, 0, kDesignWidth, 630);
  toolbar->lower();

  wheelGuard_ = new WheelGuard(this);
  BuildLeftPanel(client);
  BuildRightPanel(client);
  BuildOperatorView(client);

  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  SetUpTimer1(*timer1_);

  station_ = std::make_unique<Station>(*this, port);
  connect(timer1_, &QTimer::timeout, this, [this] {
    station_->form().Timer1_Timer();
    ShowResults();  // a board that answered is being programmed
  });
  connect(cmdFileSend_, &QPushButton::clicked, this, [this] { OnSendPressed(); });
  connect(cmdShow_, &QPushButton::clicked, this, [this] { station_->form().cmdShow_Click(); });
  connect(openFile_, &QAction::triggered, this, [this] { station_->form().OpenFile_Click(); });
  connect(storeFile_, &QAction::triggered, this, [this] { station_->form().StoreFile_Click(); });
  station_->form().link().AddListener([this](const LinkEvent& event) {
    if (event.kind == LinkEventKind::Started) refusal_.clear();
    if (scanning_) ShowFileCommands();
    // A failure is heard too, once, by an operator looking elsewhere.
    if (event.kind == LinkEventKind::Failed || event.kind == LinkEventKind::Unconfirmed) {
      QApplication::beep();
    }
    if (event.kind == LinkEventKind::Refused) {
      refusal_ = RefusalText(ToQString(station_->form().link().PortName()),
                             station_->form().link().LastOpenCause());
    }
    ShowResults();
  });
  connect(cboComPort_, &QComboBox::currentTextChanged, this, [this] { ShowPortEnd(); });
  connect(resultPanel_->ResetButton(), &QPushButton::clicked, this, [this] {
    station_->form().link().ResetTally();
    if (UnitGate* gate = station_->gate()) gate->ResetCounts();
    ShowResults();
  });
  SetTabOrder();
  BuildKeyboard();
  setMinimumSize(twips_.ToPixels(kDesignWidth),
                 twips_.ToPixels(kDesignHeight) + menuBar()->sizeHint().height());
  resize(minimumSize());
  station_->form().Form_Load();
  Relayout();
  if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

MainWindow::~MainWindow() {
  // Closing the window stops a running transfer as "Stop Transmit" does, so the board it cut
  // short is counted and recorded.
  if (station_->form().link().State() != TransferState::Closed)
    station_->form().cmdFileSend_Click();
  // The tiles stop alike, while the log their last lines go to is still there.
  delete fixture_;
  fixture_ = nullptr;
  timer1_->stop();
  station_.reset();
}

void MainWindow::BuildMenu() {
  openFile_ = menuBar()->addAction("OpenFile");
  openFile_->setObjectName("OpenFile");
  openFile_->setShortcut(QKeySequence::Open);
  storeFile_ = menuBar()->addAction("StoreFile");
  storeFile_->setObjectName("StoreFile");
  storeFile_->setShortcut(QKeySequence::Save);
}

void MainWindow::BuildKeyboard() {
  // F5 starts and stops, as a foot switch that sends F5 does; Alt or F10 reach the menu.
  auto* start = new QShortcut(QKeySequence(Qt::Key_F5), this);
  start->setObjectName("F5");
  connect(start, &QShortcut::activated, this, [this] { OnSendPressed(); });
  keyboard_ = new Keyboard(menuBar(), this);
  auto* menu = new QShortcut(QKeySequence(Qt::Key_F10), this);
  connect(menu, &QShortcut::activated, keyboard_, &Keyboard::OpenMenu);
  qApp->installEventFilter(keyboard_);
  for (QAbstractButton* b :
       {static_cast<QAbstractButton*>(cmdFileSend_), static_cast<QAbstractButton*>(cmdShow_),
        static_cast<QAbstractButton*>(resultPanel_->ResetButton())}) {
    keyboard_->PressOnEnter(b);
  }
}

void MainWindow::Place(QWidget* w, int x, int y, int width, int height) {
  w->setGeometry(twips_.ToPixels(x), twips_.ToPixels(y), twips_.ToPixels(width),
                 twips_.ToPixels(height));
}

void MainWindow::BuildOperatorView(QWidget* client) {
  // In the free corner of the parameter area, right of "Time && Others" and below "Speed Mode",
  // but not inside Frame10, so locking the parameters never greys it out.
  resultPanel_ = new ResultPanel(client);
  Place(resultPanel_, 3360 + 6090, 120 + 4155, 2100, 2160);

  lblStatus_ = new QLabel(client);
  lblStatus_->setObjectName("lblStatus");
  lblStatus_->setAccessibleName(QCoreApplication::translate("StatusLine", "Status"));
  lblStatus_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  lblStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  Relayout();
}

bool MainWindow::event(QEvent* event) {
  const bool done = QMainWindow::event(event);
  // The frame's size is known only once a window manager has framed the window, which it says
  // by moving it: then the whole window is brought inside the screen's available area.
  if (event->type() == QEvent::Move || event->type() == QEvent::Show) FitScreen();
  return done;
}

void MainWindow::FitScreen() {
  const QScreen* s = screen();
  if (!s || floorSet_ || !isVisible() || isFullScreen() || isMaximized()) return;
  const QRect room = s->availableGeometry();
  const QRect frame = frameGeometry(), inner = geometry();
  if (room.contains(frame)) return;
  const int across = frame.width() - inner.width(), down = frame.height() - inner.height();
  const QSize fits = size().boundedTo(QSize(room.width() - across, room.height() - down));
  if (fits != size()) resize(fits);
  const QSize whole(fits.width() + across, fits.height() + down);
  const QPoint at(std::clamp(frame.x(), room.left(), room.right() + 1 - whole.width()),
                  std::clamp(frame.y(), room.top(), room.bottom() + 1 - whole.height()));
  if (at != frame.topLeft()) move(at);
}

void MainWindow::ShowFloor(const QString& set, const QString& digits) {
  // Concealed as "<<conceal" leaves it: the parameter panel is an engineer's, not the floor's.
  if (station_->form().blnExpanded()) station_->form().cmdShow_Click();
  floorSet_ = new QLabel(centralWidget());
  floorSet_->setObjectName("lblFloorSet");
  floorSet_->setText(set.isEmpty() ? QCoreApplication::translate("StatusLine", "No parameter set")
                                   : set + "   " + digits);
  floorSet_->setAccessibleName(QCoreApplication::translate("StatusLine", "Parameter set"));
  floorSet_->setToolTip(QCoreApplication::translate("StatusLine",
                                                    "The parameter file and the first 8 "
                                                    "hexadecimal digits of its SHA-256"));
  floorSet_->setStyleSheet(
      QString("QLabel { font-size: %1px; font-weight: bold; }").arg(kFloorSetPx));
  floorSet_->ensurePolished();  // its face, from the style sheet, sizes the room it heads
  floorSet_->show();
  if (fixture_) fixture_->SetFloor(true);
  // On the monitor it starts on.
  if (QWindow* handle = windowHandle(); handle && screen()) handle->setScreen(screen());
  showFullScreen();
  Relayout();
}

void MainWindow::Relayout() {
  if (!station_ || !picture1_) return;
  const QWidget* client = centralWidget();
  const auto px = [this](int twips) { return twips_.ToPixels(twips); };
  const int dx = std::max(0, client->width() - px(kDesignWidth));
  const int dy = std::max(0, client->height() - px(kDesignHeight));
  // Shown, the log takes the extra height; concealed, or with a fixture's tiles below, the
  // badges and counts do.
  const bool expanded = station_->form().blnExpanded();
  const QRect tiles = fixture_ ? FixtureRoom(client->size(), expanded) : QRect();
  const int logGrows = expanded && tiles.top() <= px(120) ? dy : 0;
  // The floor screen's set name heads the room right of the left panel.
  const QRect beside(px(3280), px(120), std::max(0, client->width() - px(3400)),
                     std::max(0, client->height() - px(520)));
  const int head = floorSet_ ? QFontMetrics(floorSet_->font()).height() + 8 : 0;
  if (floorSet_) floorSet_->setGeometry(beside.left(), beside.top(), beside.width(), head);
  // Concealed in a window as wide as the screen, the parameter panel would stand behind the
  // tiles: it goes with the rest of what concealing hides.
  if (floorSet_) frame10_->setVisible(expanded);
  picture1_->resize(px(3020), px(5535) + logGrows);
  rtfReceive_->resize(px(2775), px(1215) + logGrows);
  if (fixture_) fixture_->setGeometry(tiles);
  if (expanded) {
    resultPanel_->SetLayout(ResultPanel::Layout::Full);
    resultPanel_->setGeometry(px(3360 + 6090), px(120 + 4155), px(2100) + dx, px(2160) + dy);
    lblStatus_->setGeometry(px(120), px(6525) + dy, client->width() - px(240), px(270));
  } else if (floorSet_) {
    // The floor screen's one port: badge and counts fill the room under the set's name.
    resultPanel_->SetLayout(ResultPanel::Layout::Compact);
    resultPanel_->setGeometry(beside.adjusted(0, head, 0, 0));
    lblStatus_->setGeometry(px(120), client->height() - px(370), client->width() - px(240),
                            px(270));
  } else {
    // The concealed window is what a line runs with: badge and counts under the left panel,
    // taking the room the window has beyond the left panel.
    resultPanel_->SetLayout(ResultPanel::Layout::Compact);
    resultPanel_->setGeometry(px(120), px(5700), std::max(px(3020), client->width() - px(240)),
                              px(790) + dy);
    lblStatus_->setGeometry(px(120), px(6510) + dy, px(3020), px(270));
  }
  ShowResults();
}

QString MainWindow::DialogTitle() {
  return QCoreApplication::translate("Start", kTitle);
}

QString MainWindow::LockText() const {
  return locked_.isEmpty()
             ? QString()
             : QCoreApplication::translate("StatusLine", "Locked to %1. ").arg(locked_);
}

void MainWindow::ShowResults() {
  if (fixture_) {
    const QString full = LockText() + FixtureStatus();
    if (lblStatus_->text() != full) {
      lblStatus_->setText(full);
      lblStatus_->setToolTip(full);
      lblStatus_->setAccessibleDescription(full);
    }
    return;
  }
  const Link& link = station_->form().link();
  const Link::Condition condition = link.LinkCondition();
  // Called on every tick: nothing is laid out, elided or set again unless something moved.
  const auto& last = link.tally().Last();
  ShownState now{condition,
                 link.tally().Programmed(),
                 link.tally().Failed(),
                 last ? static_cast<int>(last->kind) : -1,
                 last ? last->time : Clock::time_point{},
                 lineWaiting_ ? lineWaiting_() : -1,
                 station_->form().blnExpanded(),
                 lblStatus_->width(),
                 refusal_,
                 station_->gate() ? std::optional(ScanShownOf(*station_->gate())) : std::nullopt};
  if (now.scan) now.scan->next = scanNext_;
  if (shown_ && *shown_ == now) return;
  shown_ = now;
  resultPanel_->Show(condition, link.tally(), now.scan);
  // One line: a long port path is elided in its middle, so the counts stay in view; the whole
  // text is in the tooltip and the accessible description.
  const QString port = ToQString(link.PortName());
  const bool refused = condition == Link::Condition::Stopped && !refusal_.isEmpty();
  // A board the line database cannot vouch for is held on the port, not waited for.
  const QString held = now.scan && now.scan->unchecked ? ToQString(now.scan->serial) : QString();
  const QString lock = LockText();
  QString full =
      lock + (refused ? refusal_ : StatusText(condition, port, link.tally(), true, held));
  QString line;
  if (lineWaiting_) {
    if (const int64_t waiting = now.waiting; waiting > 0) {
      line =
          QCoreApplication::translate("StatusLine", " Line record: %1 rows waiting.").arg(waiting);
    }
    full += line + QCoreApplication::translate("StatusLine", " Journal: %1.").arg(journal_);
  }
  // Concealed, the panel beside it shows the counts: the line keeps the condition and the port.
  const bool counts = station_->form().blnExpanded();
  QString shown =
      lock + (refused ? refusal_ : StatusText(condition, port, link.tally(), counts, held)) + line;
  const QFontMetrics metrics(lblStatus_->font());
  const int room = lblStatus_->width() - 4;
  if (metrics.horizontalAdvance(shown) > room) {
    if (!refused && !port.isEmpty()) {
      const int rest =
          metrics.horizontalAdvance(StatusText(condition, QString(), link.tally(), counts, held));
      shown = lock +
              StatusText(condition,
                         metrics.elidedText(port, Qt::ElideMiddle,
                                            room - rest - metrics.horizontalAdvance(lock)),
                         link.tally(), counts, held) +
              line;
    }
    if (refused && metrics.horizontalAdvance(shown) > room) {
      shown = metrics.elidedText(shown, Qt::ElideLeft, room);  // the advice is at the end
    }
    shown = metrics.elidedText(shown, Qt::ElideRight, room);
  }
  lblStatus_->setText(shown);
  lblStatus_->setToolTip(full);
  lblStatus_->setAccessibleDescription(full);
}

void MainWindow::Lock(const std::string& file) {
  locked_ = ToQString(file);
  for (Control c : {Control::Frame10, Control::cboComPort, Control::mnuOpenFile,
                    Control::mnuStoreFile, Control::cmdShow}) {
    SetEnabled(c, false);
  }
  shown_.reset();
  ShowResults();
}

void MainWindow::ShowLineRecord(std::function<int64_t()> waiting, const std::string& journal) {
  lineWaiting_ = std::move(waiting);
  journal_ = ToQString(journal);
  ShowResults();
  // The backlog changes while no transfer runs too: looked at every second.
  auto* look = new QTimer(this);
  connect(look, &QTimer::timeout, this, [this] { ShowResults(); });
  look->start(1000);
}

void MainWindow::OnSendPressed() {
  // A double-click on Start would start and stop at once: its second press is ignored.
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (lastSendPress_ >= 0 && now - lastSendPress_ < QApplication::doubleClickInterval()) return;
  lastSendPress_ = now;
  if (fixture_) {
    OnFixturePressed();
    return;
  }
  station_->form().cmdFileSend_Click();
}

void MainWindow::AttachSinks(StationSinks& sinks) {
  sinks_ = &sinks;
  station_->Attach(sinks);
  if (fixture_) fixture_->Attach(sinks);
}

void MainWindow::EnableScan(UnitScanning& scanning) {
  scanning_ = &scanning;
  station_->EnableScan(scanning);
  if (fixture_) fixture_->EnableScan(scanning);
  BuildScanDesk();
  if (const QScreen* s = screen()) {
    // The result panel (each tile, in a fixture) takes the window's room past its design size:
    // room for the badge, the "Serial" box and a refusal under it.
    QSize more = kScanRoom;
    if (fixture_) {
      const size_t ports = fixture_->Tiles().size();
      more = QSize(0, FixtureView::kScanTileExtra *
                          FixtureView::Rows(ports, FixtureView::Columns(ports, fixture_->size())));
    }
    const QRect room = s->availableGeometry();
    resize(std::min(room.width(), width() + more.width()),
           std::min(room.height(), height() + more.height()));
    move(room.center() - rect().center());
  }
  ShowResults();
}

void MainWindow::BuildScanDesk() {
  delete desk_;
  std::vector<ScanDesk::Socket> sockets;
  if (fixture_) {
    for (FixtureTile* tile : fixture_->Tiles()) {
      sockets.push_back({&tile->station(),
                         tile->panel(),
                         {ToStdString(tile->ShortName()), tile->Port()},
                         [tile](const std::string& next) { tile->SetNext(next); }});
    }
  } else {
    sockets.push_back({station_.get(), resultPanel_, {}, [this](const std::string& next) {
                         scanNext_ = next;
                         ShowResults();
                       }});
  }
  desk_ = new ScanDesk(this, std::move(sockets), [this] { return Running(); });
}

bool MainWindow::Running() const {
  return fixture_ ? fixture_->AnyRunning() : station_->Running();
}

void MainWindow::ShowFileCommands() {
  // Applied by SetEnabled: its rules say what a scanning run and a lock leave on.
  SetEnabled(Control::mnuStoreFile, true);
  SetEnabled(Control::mnuOpenFile, !Running());
}

void MainWindow::ChooseFixturePorts() {
  if (!locked_.isEmpty()) return;  // a locked station keeps its ports
  PortsDialog dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  const std::vector<std::string> ports = dialog.Chosen();
  if (ports.size() == 1) SetPortText(ports.front());
  if (ports.size() > 1 && !fixture_) SetFixture(ports);
}

void MainWindow::SetFixture(const std::vector<std::string>& ports) {
  fixture_ = new FixtureView(centralWidget());
  for (const std::string& port : ports) fixture_->AddPort(port);
  if (sinks_) fixture_->Attach(*sinks_);
  fixture_->onLogLine = [this](const std::string& line, int32_t code) {
    station_->form().ReceiveDisplay(line, code);
  };
  fixture_->onRunningChanged = [this] { ShowFixtureRunning(fixture_->AnyRunning()); };
  if (scanning_) {
    fixture_->EnableScan(*scanning_);
    BuildScanDesk();
  }
  SetUpTimer1(fixtureBlink_);
  connect(&fixtureBlink_, &QTimer::timeout, this,
          [this] { SetEnabled(Control::Label1_0, !IsEnabled(Control::Label1_0)); });
  // The status line sums the tiles up, looked at twice a second.
  auto* look = new QTimer(this);
  connect(look, &QTimer::timeout, this, [this] { ShowResults(); });
  look->start(500);
  cboComPort_->setEnabled(false);  // each tile has its port
  resultPanel_->hide();
  fixture_->show();
  if (const QScreen* s = screen()) {
    resize(FixtureWindowSize(ports.size(), size(), s->availableGeometry().size()));
    move(s->availableGeometry().center() - rect().center());
  }
  Relayout();
}

QRect MainWindow::FixtureRoom(QSize client, bool expanded) const {
  const auto px = [this](int twips) { return twips_.ToPixels(twips); };
  const int status = px(400);  // the status line below
  // The tiles take what is right of the left panel, or of the parameter panel when shown; where
  // that is too narrow for tiles read from two metres, the width below the parameter panel.
  const int left = expanded ? px(kDesignWidth) : px(3280);
  const QRect beside(left, px(120), std::max(0, client.width() - left - px(120)),
                     std::max(0, client.height() - px(120) - status));
  const int top = px(6525);
  const QRect below(px(120), top, std::max(0, client.width() - px(240)),
                    std::max(0, client.height() - top - status));
  if (floorSet_) {
    const int head = QFontMetrics(floorSet_->font()).height() + 8;
    return beside.adjusted(0, head, 0, 0);
  }
  const size_t ports = fixture_->Tiles().size();
  if (!expanded || FixtureView::Fits(ports, beside.size())) return beside;
  if (FixtureView::Fits(ports, below.size())) return below;
  // Neither has the least size for every tile (a window kept inside a full-HD screen with its
  // title bar): the room whose rows are taller.
  const auto rowHeight = [ports](QRect room) {
    return room.height() / FixtureView::Rows(ports, FixtureView::Columns(ports, room.size()));
  };
  return rowHeight(below) > rowHeight(beside) ? below : beside;
}

QSize MainWindow::FixtureWindowSize(size_t ports, QSize window, QSize screen) {
  // Room for a badge read from two metres in every tile, as far as the screen has it: beside
  // the specified window where the screen is wide enough, else below it.
  const int menu = 30, status = 30;
  const QSize besideRoom(screen.width() - window.width(), screen.height() - menu - status);
  int columns = FixtureView::Columns(ports, besideRoom);
  if (FixtureView::Fits(ports, besideRoom)) {
    const int rows = FixtureView::Rows(ports, columns);
    return QSize(window.width() + columns * FixtureView::kTileWidth + 8,
                 std::max(window.height(), rows * FixtureView::kTileHeight + menu + status))
        .boundedTo(screen);
  }
  const int top = window.height() - menu;
  columns = FixtureView::Columns(ports, QSize(screen.width(), screen.height() - top - status));
  return QSize(std::max(window.width(), columns * FixtureView::kTileWidth + 16),
               top + FixtureView::Rows(ports, columns) * FixtureView::kTileHeight + menu + status)
      .boundedTo(screen);
}

QString MainWindow::FixtureStatus() const {
  long programmed = 0, failed = 0;
  int running = 0;
  for (FixtureTile* tile : fixture_->Tiles()) {
    programmed += tile->station().tally().Programmed();
    failed += tile->station().tally().Failed();
    running += tile->station().Running() ? 1 : 0;
  }
  return QCoreApplication::translate("StatusLine",
                                     "Fixture of %1 ports, %2 running. Programmed %3, Failed %4.")
      .arg(fixture_->Tiles().size())
      .arg(running)
      .arg(programmed)
      .arg(failed);
}

void MainWindow::OnFixturePressed() {
  if (fixture_->AnyRunning()) {
    fixture_->StopAll();
    ShowFixtureRunning(false);
    return;
  }
  std::array<std::string, kParameterCount> set;
  for (int i = 0; i < kParameterCount; ++i) {
    set[static_cast<size_t>(i)] = ComboText(i);
    if (set[static_cast<size_t>(i)].empty()) {
      MessageBox(kIncompleteMessage);
      return;
    }
  }
  // Each tile's rows name the parameter file as the window's would, while its set is on screen.
  ShowFixtureRunning(fixture_->StartAll(set, station_->form().strFileDirectary()));
}

void MainWindow::ShowFixtureRunning(bool running) {
  // "Transmit Guage" blinks while the fixture runs, as it does for a single port.
  if (running && !fixtureBlink_.isActive()) fixtureBlink_.start();
  if (!running) {
    fixtureBlink_.stop();
    SetEnabled(Control::Label1_0, true);
  }
  SetCaption(Control::cmdFileSend, running ? "Stop Transmit" : "Start Transmit");
  SetEnabled(Control::Frame10, !running);
  SetEnabled(Control::mnuOpenFile, !running);
  if (scanning_) ShowFileCommands();
}

void MainWindow::ShowPortEnd() {
  if (QLineEdit* edit = cboComPort_->lineEdit(); edit && !edit->hasFocus()) edit->end(false);
  cboComPort_->setToolTip(cboComPort_->currentText());
}

void MainWindow::SetTabOrder() {
  // Group by group as they stand, top to bottom within each; then the port box, Start, and
  // the result panel; then the rest of the left panel.
  const int order[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 15, 10, 11, 12, 14};
  QList<QWidget*> chain;
  for (int i : order) chain.push_back(combo1_[static_cast<size_t>(i)]);
  chain << cboComPort_ << cmdFileSend_ << resultPanel_->ResetButton() << cmdShow_ << txtLoadDir_
        << txtSaveDir_ << rtfReceive_;
  for (qsizetype i = 0; i + 1 < chain.size(); ++i) setTabOrder(chain[i], chain[i + 1]);
}

QWidget* MainWindow::BuildLeftPanel(QWidget* parent) {
  auto* picture1 = new QFrame(parent);
  picture1_ = picture1;
  picture1->setObjectName("Picture1");
  picture1->setFrameShape(QFrame::StyledPanel);
  picture1->setFrameShadow(QFrame::Sunken);
  picture1->setAutoFillBackground(true);
  Place(picture1, 120, 120, 3020, 5535);

  auto label = [&](const char* name, const char* text, int x, int y, int w, int h) {
    auto* l = new QLabel(text, picture1);
    l->setObjectName(name);
    l->setWordWrap(true);
    Place(l, x, y, w, h);
    return l;
  };

  cmdShow_ = new QPushButton(picture1);
  cmdShow_->setObjectName("cmdShow");
  Place(cmdShow_, 1440, 120, 1455, 300);

  QLabel* label6 = label("Label6", "Open Root", 120, 720, 855, 375);
  txtLoadDir_ = new QLineEdit(picture1);
  txtLoadDir_->setObjectName("txtLoadDir");
  txtLoadDir_->setAccessibleName("Open Root");
  label6->setBuddy(txtLoadDir_);
  Place(txtLoadDir_, 1200, 600, 1635, 375);

  QLabel* label7 = label("Label7", "Store Root", 120, 1320, 1095, 375);
  txtSaveDir_ = new QLineEdit(picture1);
  txtSaveDir_->setObjectName("txtSaveDir");
  txtSaveDir_->setAccessibleName("Store Root");
  label7->setBuddy(txtSaveDir_);
  Place(txtSaveDir_, 1200, 1320, 1635, 375);

  QLabel* label8 = label("Label8", "Comm Num", 120, 2040, 615, 375);
  cboComPort_ = new PortComboBox(picture1);
  cboComPort_->setObjectName("cboComPort");
  cboComPort_->setAccessibleName("Comm Num");
  label8->setBuddy(cboComPort_);
  wheelGuard_->Guard(cboComPort_);
  connect(cboComPort_, &PortComboBox::severalPortsWanted, this, &MainWindow::ChooseFixturePorts);
  Place(cboComPort_, 840, 2040, 1095, kComboHeight + 60);

  cmdFileSend_ = new QPushButton("Start Transmit", picture1);
  cmdFileSend_->setObjectName("cmdFileSend");
  Place(cmdFileSend_, 360, 2640, 2055, 495);

  // It blinks five times a second while a transfer runs, at the cost of a copy.
  label1_0_ = new BlinkLabel("Transmit Guage", picture1);
  label1_0_->setObjectName("Label1(0)");
  label1_0_->setWordWrap(true);
  Place(label1_0_, 600, 3240, 1575, 375);
  label1_0_->setAlignment(Qt::AlignCenter);
  label1_0_->setAutoFillBackground(true);  // so the panel under it is not painted again

  prgFileTransfer_ = new QProgressBar(picture1);
  prgFileTransfer_->setObjectName("prgFileTransfer");
  prgFileTransfer_->setAccessibleName("Transmit Guage");
  prgFileTransfer_->setTextVisible(false);
  Place(prgFileTransfer_, 240, 3600, 2175, 495);

  rtfReceive_ = new QPlainTextEdit(picture1);
  rtfReceive_->setObjectName("rtfReceive");
  rtfReceive_->setAccessibleName("Message log");
  rtfReceive_->setReadOnly(true);
  // A log for a station that runs for weeks: no undo history, and only the newest lines, which
  // the plain text box drops from the top without laying out the rest again.
  rtfReceive_->setUndoRedoEnabled(false);
  rtfReceive_->setMaximumBlockCount(kLogLines + 1);  // and the empty one after the last line
  Place(rtfReceive_, 120, 4200, 2775, 1215);
  return picture1;
}

QWidget* MainWindow::BuildRightPanel(QWidget* parent) {
  // Borderless, so the strip the window's edge cuts off shows no half-drawn frame.
  frame10_ = new QWidget(parent);
  frame10_->setObjectName("Frame10");
  frame10_->setAccessibleName("文件传输");
  Place(frame10_, 3360, 120, 8415, 6375);

  std::array<QGroupBox*, 4> groups{};
  const auto& table = ParameterTable();
  for (size_t g = 0; g < kGroups.size(); ++g) {
    groups[g] = new QGroupBox(frame10_);
    groups[g]->setObjectName(kGroups[g].name);
    Place(groups[g], kGroups[g].x, kGroups[g].y, kGroups[g].width, kGroups[g].height);
  }
  for (size_t i = 0; i < kRows.size(); ++i) {
    const Row& r = kRows[i];
    QGroupBox* group = groups[static_cast<size_t>(r.group)];
    group->setTitle(ToQString(table[i].group));  // "Time && Others" shows as "Time & Others"
    auto* combo = new QComboBox(group);
    // Announced by its caption, without the full-width colon.
    QString name = ToQString(DisplayName(static_cast<int>(i)));
    if (name.endsWith(QChar(0xFF1A))) name.chop(1);
    combo->setAccessibleName(name.replace("&&", "&"));
    wheelGuard_->Guard(combo);
    if (!table[i].caption.empty()) {
      auto* l = new QLabel(ToQString(table[i].caption), group);
      l->setBuddy(combo);
      l->setObjectName(QString("lblCombo1(%1)").arg(i));
      l->setWordWrap(true);
      // Two lines' room, centred on the list, for captions that wrap.
      Place(l, 120, r.y - 75, r.listX - 150, kRowHeight + 90);
      if (i == 1) l->setStyleSheet("color: rgb(255, 0, 0);");
    }
    combo->setObjectName(QString("Combo1(%1)").arg(i));
    for (const std::string& choice : table[i].choices) combo->addItem(ToQString(choice));
    combo->setCurrentIndex(-1);
    combo->setMaxVisibleItems(20);
    // The open list is as wide as its longest choice, so every choice reads in full.
    combo->view()->setMinimumWidth(combo->view()->sizeHintForColumn(0) + 24);
    Place(combo, r.listX, r.y, r.listWidth, kComboHeight);
    // A long choice may not fit the closed list; its full text shows on hovering.
    connect(combo, &QComboBox::currentTextChanged, combo, &QComboBox::setToolTip);
    combo1_[i] = combo;
  }
  return frame10_;
}

}  // namespace ctrlprog
