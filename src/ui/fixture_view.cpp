#include "ui/fixture_view.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLineEdit>
#include <algorithm>
#include <cmath>

#include "log/message_log.h"
#include "station/station_sinks.h"
#include "ui/fixture_tile.h"
#include "ui/qt_text.h"

namespace ctrlprog {
namespace {

// The log's colour code of a colour the log gave a line.
int32_t CodeOf(std::optional<Rgb> colour) {
  for (int32_t code : {kColourGreen, kColourRed, kColourBlue, kColourDarkGreen}) {
    if (ColourForCode(code) == colour) return code;
  }
  return 0;
}

}  // namespace

FixtureView::FixtureView(QWidget* parent) : QWidget(parent) {
  setObjectName("FixtureView");
  setAccessibleName(QCoreApplication::translate("Fixture", "Fixture"));
  grid_ = new QGridLayout(this);
  grid_->setContentsMargins(0, 0, 0, 0);
  grid_->setSpacing(4);
}

FixtureView::~FixtureView() {
  StopAll();
}

int FixtureView::Rows(size_t ports, int columns) {
  return static_cast<int>((ports + static_cast<size_t>(columns) - 1) /
                          static_cast<size_t>(columns));
}

int FixtureView::Columns(size_t ports, QSize room) {
  const auto n = static_cast<int>(std::max<size_t>(ports, 1));
  const int square = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
  const int rowsThatFit = std::max(1, room.height() / kTileHeight);
  const int columns = std::max(square, (n + rowsThatFit - 1) / rowsThatFit);
  return std::max(1, std::min({columns, n, room.width() / kTileWidth}));
}

bool FixtureView::Fits(size_t ports, QSize room) {
  const int columns = Columns(ports, room);
  return columns * kTileWidth <= room.width() &&
         Rows(ports, columns) * kTileHeight <= room.height();
}

int FixtureView::FloorColumns(size_t ports, QSize room) {
  const auto n = static_cast<int>(std::max<size_t>(ports, 1));
  int best = 1, bestFace = -1;
  for (int columns = 1; columns <= n; ++columns) {
    const int face =
        std::min((room.width() / columns - 16) / 9, room.height() / Rows(ports, columns) - 90);
    if (face > bestFace) {
      best = columns;
      bestFace = face;
    }
  }
  return best;
}

void FixtureView::SetFloor(bool floor) {
  floor_ = floor;
  columns_ = 0;
  Lay();
}

void FixtureView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Lay();
}

void FixtureView::Lay() {
  const int columns = floor_ ? FloorColumns(tiles_.size(), size()) : Columns(tiles_.size(), size());
  // The small print goes where nobody reads it (the floor screen) or where a tile is shorter
  // than its least height, so it never lies over the badge.
  const int rowHeight = height() / std::max(1, Rows(tiles_.size(), columns));
  for (FixtureTile* tile : tiles_) {
    tile->panel()->HideSmallPrint(floor_ || rowHeight < kTileHeight);
    tile->panel()->ShortCountsOnFloor(floor_);
  }
  if (scanning_) {
    const int cell = rowHeight;
    for (FixtureTile* tile : tiles_) {
      tile->PlaceSerialRow(cell >= FixtureTile::kOwnSerialRowHeight);
    }
  }
  if (columns == columns_) return;
  columns_ = columns;
  for (size_t i = 0; i < tiles_.size(); ++i) {
    grid_->removeWidget(tiles_[i]);
    grid_->addWidget(tiles_[i], static_cast<int>(i) / columns, static_cast<int>(i) % columns);
  }
  // Every tile as large as the next, whatever its contents ask for.
  for (int c = 0; c < grid_->columnCount(); ++c) grid_->setColumnStretch(c, c < columns ? 1 : 0);
  const int rows = Rows(tiles_.size(), columns);
  for (int r = 0; r < grid_->rowCount(); ++r) grid_->setRowStretch(r, r < rows ? 1 : 0);
}

void FixtureView::AddPort(const std::string& port) {
  auto* tile = new FixtureTile(port, this);
  tile->onLogLine = [this, tile](const std::string& text, std::optional<Rgb> colour) {
    std::string line = text;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (onLogLine) onLogLine(ToStdString(tile->ShortName()) + ": " + line, CodeOf(colour));
  };
  tile->onRunningChanged = [this] {
    if (onRunningChanged) onRunningChanged();
  };
  tiles_.push_back(tile);
  columns_ = 0;
  Lay();
}

void FixtureView::Attach(StationSinks& sinks) {
  for (FixtureTile* tile : tiles_) tile->station().Attach(sinks);
}

void FixtureView::EnableScan(UnitScanning& scanning) {
  for (FixtureTile* tile : tiles_) tile->EnableScan(scanning);
  scanning_ = true;
  columns_ = 0;
  Lay();
}

bool FixtureView::StartAll(const std::array<std::string, kParameterCount>& set,
                           const std::string& file) {
  bool any = false;
  for (FixtureTile* tile : tiles_) any = tile->Start(set, file) || any;
  return any;
}

void FixtureView::StopAll() {
  for (FixtureTile* tile : tiles_) tile->Stop();
}

bool FixtureView::AnyRunning() const {
  for (const FixtureTile* tile : tiles_) {
    if (tile->station().Running()) return true;
  }
  return false;
}

}  // namespace ctrlprog
