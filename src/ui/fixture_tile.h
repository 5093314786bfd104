#pragma once

#include <QFrame>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "form/state_services.h"
#include "link/qt/qt_serial_port.h"
#include "station/station.h"
#include "ui/result_panel.h"

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ctrlprog {

class ResultPanel;
class UnitScanning;
// The form's services for one socket of a fixture: no window of its own. Its lists hold what
// the window's lists held at the start, its timer ticks its station, its log lines and messages
// go to the window and the tile.
class TileServices : public StateServices {
 public:
  TileServices();
  void MessageBox(std::string_view text) override;
  void SetTimerEnabled(bool enabled) override;
  void AppendLog(std::string_view text, std::optional<Rgb> colour) override;

  std::function<void()> onTick;
  std::function<void(const std::string&, std::optional<Rgb>)> onLogLine;
  std::function<void(const std::string&)> onMessage;

 private:
  QTimer timer_;
};

// One socket of a fixture: its port's short name, its own badge and counts, why it failed or
// was refused, and a Stop of its own. It runs the same Station the console runs for a port.
class FixtureTile : public QFrame {
  Q_OBJECT

 public:
  FixtureTile(std::string port, QWidget* parent = nullptr);
  ~FixtureTile() override;

  Station& station() { return station_; }
  const Station& station() const { return station_; }
  const std::string& Port() const { return port_; }
  // The port's name as the tile shows it: the last part of its path.
  QString ShortName() const;
  // Starts with the sixteen texts `set`; whether the port opened. Its rows name `file`, the
  // parameter file the window last loaded or stored, while that file holds this set.
  bool Start(const std::array<std::string, kParameterCount>& set, const std::string& file = {});
  void Stop() { station_.Stop(); }
  void Show();
  // No scan, no board: the tile gets a "Serial" box, for its port's gate.
  void EnableScan(UnitScanning& scanning);
  QLineEdit* SerialBox() const;
  ResultPanel* panel() const { return panel_; }
  // The serials that wait for this socket ("SN-5, SN-9"), shown with the board it holds.
  void SetNext(const std::string& next);
  // Where a scanning tile's "Serial" row goes: a row of its own under the top row, where the tile
  // has the height, so whose turn it is reads in large type and the scanned serial shows whole;
  // else the top row, so the badge keeps the height it needs.
  void PlaceSerialRow(bool ownRow);
  static constexpr int kOwnSerialRowHeight = 270;

  // Where its log lines go, with its name before them.
  std::function<void(const std::string&, std::optional<Rgb>)> onLogLine;
  // Called when it starts or stops on its own.
  std::function<void()> onRunningChanged;

 private:
  void SetReason(const QString& reason);

  std::string port_;
  TileServices ui_;
  QtSerialPort serial_;
  Station station_{ui_, serial_};
  QLabel* name_ = nullptr;
  QHBoxLayout* top_ = nullptr;
  ResultPanel* panel_ = nullptr;
  QLabel* reason_ = nullptr;
  QPushButton* stop_ = nullptr;
  struct Shown {
    Link::Condition condition;
    long programmed, failed;
    int lastKind;
    Clock::time_point lastTime;
    bool running;
    std::optional<ScanShown> scan;
    friend bool operator==(const Shown&, const Shown&) = default;
  };
  std::optional<Shown> shown_;
  std::string next_;
  bool serialRowPlaced_ = false, serialOwnRow_ = false;
};

}  // namespace ctrlprog
