#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "model/parameter_table.h"

class QGridLayout;

namespace ctrlprog {

class FixtureTile;
class StationSinks;
class UnitScanning;

// A fixture of several sockets, each with its own serial adapter: one tile a port in a grid,
// each running a Station of its own. One Start runs them all; a tile can be stopped alone.
class FixtureView : public QWidget {
  Q_OBJECT

 public:
  explicit FixtureView(QWidget* parent = nullptr);
  ~FixtureView() override;

  void AddPort(const std::string& port);
  // Every tile's rows go to `sinks`.
  void Attach(StationSinks& sinks);
  // No scan, no board, on every tile.
  void EnableScan(UnitScanning& scanning);
  // Starts every tile with the sixteen texts, which `file` may hold; whether any port opened.
  bool StartAll(const std::array<std::string, kParameterCount>& set, const std::string& file = {});
  void StopAll();
  bool AnyRunning() const;
  const std::vector<FixtureTile*>& Tiles() const { return tiles_; }
  // The least size of a tile whose badge word reads from two metres, with the grid's spacing.
  static constexpr int kTileWidth = 394;
  static constexpr int kTileHeight = 144;
  // What a scanning tile needs more: room for a refusal, the counts stacked.
  static constexpr int kScanTileExtra = 80;
  // Columns of the grid for `ports` tiles in `room`: as square as it can be, more when the
  // rows would not fit, never more than keep their width.
  static int Columns(size_t ports, QSize room);
  // Rows of `ports` tiles in `columns`.
  static int Rows(size_t ports, int columns);
  // Whether `ports` tiles of the least size fit in `room`.
  static bool Fits(size_t ports, QSize room);
  // The floor screen's grid: the columns whose tiles give the badge its largest face, a badge
  // word being about nine of its faces wide and a tile's name row and counts taking about 90 px
  // of its height.
  static int FloorColumns(size_t ports, QSize room);
  // Lays the tiles out for the floor screen, or as the window does.
  void SetFloor(bool floor);

  // Where the tiles' log lines go (with the tile's name before them) and news of a tile that
  // started or stopped on its own.
  std::function<void(const std::string& line, int32_t colourCode)> onLogLine;
  std::function<void()> onRunningChanged;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Lay();

  QGridLayout* grid_ = nullptr;
  int columns_ = 0;
  bool scanning_ = false;
  bool floor_ = false;
  std::vector<FixtureTile*> tiles_;
};

}  // namespace ctrlprog
