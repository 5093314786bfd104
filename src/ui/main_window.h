#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "form/window_services.h"
#include "station/station.h"
#include "ui/result_panel.h"
#include "ui/scan_desk.h"
#include "ui/twips.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QPlainTextEdit;
class QToolBar;
class QWidget;
class QResizeEvent;

namespace ctrlprog {

class PortComboBox;
class ResultPanel;
class SerialPort;
class WheelGuard;
class Keyboard;
class FixtureView;
class UnitScanning;

// The window `frmMain` is shown in: every control where the form places it, its events forwarded
// to the form's handlers, and the window services done on the real widgets.
class MainWindow : public QMainWindow, public WindowServices {
  Q_OBJECT

 public:
  // Builds the window and runs Form_Load; the port is the one the form drives.
  explicit MainWindow(SerialPort& port, QWidget* parent = nullptr);
  ~MainWindow() override;

  frmMain& form() { return station_->form(); }
  // The one port this window drives.
  Station& station() { return *station_; }

  // WindowServices.
  void MessageBox(std::string_view text) override;
  std::string ComboText(int index) override;
  bool ComboSelect(int index, std::string_view text) override;
  std::string PortText() override;
  void SetPortText(std::string_view text) override;
  void SetCaption(Control control, std::string_view caption) override;
  void SetEnabled(Control control, bool enabled) override;
  bool IsEnabled(Control control) override;
  void SetTimerEnabled(bool enabled) override;
  void SetProgressRange(int minimum, int maximum) override;
  void SetProgressValue(int value) override;
  void SetText(Control textBox, std::string_view text) override;
  void SetLogText(std::string_view text) override;
  void AppendLog(std::string_view text, std::optional<Rgb> colour) override;
  size_t LogLineLimit() const override { return kLogLines; }
  void SetDialogFlags(FileDialogFlags flags) override { dialogFlags_ = flags; }
  void SetFileFilter(std::string_view filter) override;
  DialogResult ShowOpen() override;
  DialogResult ShowSave() override;
  void SetWindowWidth(int twips) override;
  void SetWindowHeight(int twips) override;

  static constexpr const char* kTitle = "ctrlprog";
  // The title of the window's message boxes and dialogs: the program's name as the operator's
  // desktop shows it.
  static QString DialogTitle();

  // A locked station (a line PC's): the parameter lists, the port box (and with it "Several
  // ports…"), the file commands and conceal stay disabled; Start, Stop and Reset work; the
  // status line names `file`, the set it programs.
  void Lock(const std::string& file);

  // The floor screen: full screen on the monitor the window is on, concealed as "<<conceal"
  // leaves it, the tiles filling the room under `set` (the parameter file's name; empty for
  // none) and `digits` (the first of its SHA-256) in large type.
  void ShowFloor(const QString& set, const QString& digits);
  bool Floor() const { return floorSet_ != nullptr; }
  // The face of the floor screen's set name, in pixels.
  static constexpr int kFloorSetPx = 44;

  // Presses "Start Transmit" (every tile's, in a fixture).
  void Start() { OnSendPressed(); }

  // A fixture: one tile a port, run by Start and Stop together; the window's own port box and
  // result panel give way to the tiles. The window's lists and log serve every tile.
  void SetFixture(const std::vector<std::string>& ports);
  // Where the station's rows go, and every tile's, now and once a fixture is set.
  void AttachSinks(StationSinks& sinks);
  // No scan, no board: the result panel (each tile's, in a fixture) gets a "Serial" box. While
  // the station runs a scanner's line goes to the box of the socket whose turn it is, wherever
  // the focus is in the window.
  void EnableScan(UnitScanning& scanning);
  // What a scanning window grows by, for its result panel.
  static constexpr QSize kScanRoom{300, 160};
  // Asks for the ports of a fixture; two or more make the window a fixture, one goes in the
  // port box.
  void ChooseFixturePorts();
  // The size a window of `window`'s size takes for a fixture of `ports` on a `screen`.
  static QSize FixtureWindowSize(size_t ports, QSize window, QSize screen);

 private:
  // Where the fixture's tiles go in a client area of `client`.
  QRect FixtureRoom(QSize client, bool expanded) const;
  // The window, title bar and frame included, inside its screen's available area.
  void FitScreen();

 public:
  FixtureView* fixture() { return fixture_; }
  ScanDesk* scanDesk() { return desk_; }

  // With a line database: how many rows wait to be forwarded, and where the journal is, for the
  // status line.
  void ShowLineRecord(std::function<int64_t()> waiting, const std::string& journal);
  // The window's log keeps this many of the newest lines; the record keeps everything.
  static constexpr int kLogLines = 20000;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // Places what grows with the window: the log, the result panel and the status line get the
  // room past the design size; the specified controls keep their places. Concealed, the panel
  // shrinks to badge and counts under the left panel.
  void Relayout();
  // "Start Transmit" / "Stop Transmit", except a second press within a double-click.
  void OnSendPressed();
  // Start or Stop for every tile of a fixture.
  void OnFixturePressed();
  // The window's controls as they are while the fixture runs, or idle.
  void ShowFixtureRunning(bool running);
  // The status line of a fixture: its ports, how many run, and their counts together.
  QString FixtureStatus() const;
  // The status line's first words on a locked station; empty otherwise.
  QString LockText() const;
  void SetTabOrder();
  // Where scanned serials go: the tiles of a fixture, else the window's own port.
  void BuildScanDesk();
  // Whether a transfer runs on the port or on any tile.
  bool Running() const;
  // A scanning run takes the file commands away, so no scanned serial lands in their dialogs.
  void ShowFileCommands();
  // The port box shows the end of a long path, where the adapter's name is.
  void ShowPortEnd();
  void BuildMenu();
  void BuildKeyboard();
  // The result panel and the status line, fed by the link's events.
  void BuildOperatorView(QWidget* client);
  void ShowResults();
  QWidget* BuildLeftPanel(QWidget* parent);
  QWidget* BuildRightPanel(QWidget* parent);
  void Place(QWidget* w, int x, int y, int width, int height);
  QWidget* WidgetFor(Control control);
  DialogResult ShowFileDialog(bool save);

  Twips twips_;
  std::array<QComboBox*, 16> combo1_{};
  PortComboBox* cboComPort_ = nullptr;
  QPushButton* cmdFileSend_ = nullptr;
  QPushButton* cmdShow_ = nullptr;
  QLabel* label1_0_ = nullptr;
  QLineEdit* txtLoadDir_ = nullptr;
  QLineEdit* txtSaveDir_ = nullptr;
  QProgressBar* prgFileTransfer_ = nullptr;
  QPlainTextEdit* rtfReceive_ = nullptr;
  QWidget* frame10_ = nullptr;
  QAction* openFile_ = nullptr;
  QAction* storeFile_ = nullptr;
  QTimer* timer1_ = nullptr;
  ResultPanel* resultPanel_ = nullptr;
  QLabel* lblStatus_ = nullptr;
  QLabel* floorSet_ = nullptr;  // the floor screen's set name and digits; none elsewhere
  QWidget* picture1_ = nullptr;
  QString refusal_;
  QString locked_;  // the set a locked station programs; empty when not locked
  // What the result panel and the status line show now, so a tick that changed nothing costs
  // nothing.
  struct ShownState {
    Link::Condition condition;
    long programmed, failed;
    int lastKind;
    Clock::time_point lastTime;
    int64_t waiting;
    bool expanded;
    int statusWidth;
    QString refusal;
    std::optional<ScanShown> scan;
    friend bool operator==(const ShownState&, const ShownState&) = default;
  };
  std::optional<ShownState> shown_;
  std::function<int64_t()> lineWaiting_;
  QString journal_;            // why the last start did not open the port, for the status line
  qint64 lastSendPress_ = -1;  // ms since the epoch
  WheelGuard* wheelGuard_ = nullptr;
  Keyboard* keyboard_ = nullptr;
  FixtureView* fixture_ = nullptr;
  StationSinks* sinks_ = nullptr;
  UnitScanning* scanning_ = nullptr;
  QPointer<ScanDesk> desk_;
  std::string scanNext_;  // the serials that wait for the window's port
  QTimer fixtureBlink_;   // "Transmit Guage" while the fixture runs
  FileDialogFlags dialogFlags_;
  QString fileFilter_;
  QString lastFolder_;
  std::unique_ptr<Station> station_;
};

}  // namespace ctrlprog
