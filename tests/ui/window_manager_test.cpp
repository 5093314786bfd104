// The window on a 1920x1080 screen under a real window manager (run by
// under_window_manager.sh): what the operator sees is inside the screen, title bar and all, and
// the floor screen's words are large enough to read from across the line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include "link/qt/qt_serial_port.h"
#include "ui/fixture_tile.h"
#include "ui/fixture_view.h"
#include "ui/main_window.h"
#include "ui/result_panel.h"

namespace ctrlprog {
namespace {

constexpr int kWait = 10000;  // ms: the window manager frames and places a window well within it

std::vector<std::string> Sockets(int n) {
  std::vector<std::string> ports;
  for (int i = 0; i < n; ++i) ports.push_back("/dev/ttyUSB" + std::to_string(i));
  return ports;
}

QRect Global(const QWidget* w) {
  return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

// Every way a tile's badge and counts are shown while a fixture runs, with `passed` boards
// programmed and as many failed.
void ShowEveryCondition(FixtureTile* tile, int passed, const std::function<void()>& check) {
  Tally tally;
  for (const LinkEventKind kind : {LinkEventKind::Passed, LinkEventKind::Failed}) {
    LinkEvent event;
    event.kind = kind;
    for (int i = 0; i < passed; ++i) tally.Count(event);
  }
  auto* panel = tile->findChild<ResultPanel*>();
  for (const Link::Condition condition : {Link::Condition::Stopped, Link::Condition::Waiting,
                                          Link::Condition::Programming, Link::Condition::Lost}) {
    panel->Show(condition, tally);
    QApplication::processEvents();
    check();
  }
}

// Whether `label` draws its text whole in its face: neither cut at a side nor at the top or
// bottom, nor elided.
bool DrawnWhole(const QLabel* label) {
  const QFontMetrics metrics(label->font());
  const QRect room = label->contentsRect();
  return metrics.horizontalAdvance(label->text()) <= room.width() &&
         metrics.height() <= room.height() && !label->text().contains(QChar(0x2026));
}

TEST(UnderAWindowManager, ASixteenSocketFixtureFitsTheScreensAvailableArea) {
  ASSERT_EQ(qApp->platformName(), "xcb") << "run by under_window_manager.sh";
  QtSerialPort port;
  MainWindow window(port);
  window.SetFixture(Sockets(16));
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kWait));
  const QRect room = window.screen()->availableGeometry();
  // Framed (the title bar's height is known) and brought inside.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return window.frameGeometry() != window.geometry() && room.contains(window.frameGeometry());
      },
      kWait))
      << "frame " << window.frameGeometry().height() << " px high at " << window.frameGeometry().y()
      << " in " << room.height();
  for (const QWidget* w : {static_cast<const QWidget*>(window.findChild<QLabel*>("lblStatus")),
                           static_cast<const QWidget*>(window.fixture()->Tiles().back())}) {
    EXPECT_TRUE(room.contains(Global(w))) << w->objectName().toStdString();
  }
}

TEST(UnderAWindowManager, TheFloorScreenFillsItsMonitorInLargeType) {
  QtSerialPort port;
  MainWindow window(port);
  window.SetFixture(Sockets(16));
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kWait));
  window.ShowFloor("example.asv", "0123abcd");
  const QRect screen = window.screen()->geometry();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return window.isFullScreen() && window.frameGeometry() == screen; }, kWait))
      << window.frameGeometry().width() << "x" << window.frameGeometry().height();
  QApplication::processEvents();
  EXPECT_FALSE(window.form().blnExpanded()) << "concealed";
  auto* set = window.findChild<QLabel*>("lblFloorSet");
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->text(), "example.asv   0123abcd");
  EXPECT_GE(QFontInfo(set->font()).pixelSize(), 40);
  EXPECT_TRUE(screen.contains(Global(set)));
  // Counts as a long shift leaves them: four digits, and five.
  for (const int passed : {3, 9999, 99999}) {
    int leastBadge = 1000, leastCounts = 1000;
    for (FixtureTile* tile : window.fixture()->Tiles()) {
      EXPECT_TRUE(screen.contains(Global(tile))) << tile->ShortName().toStdString();
      EXPECT_GE(Global(tile).top(), Global(set).bottom()) << "the tiles are below the set's name";
      ShowEveryCondition(tile, passed, [&] {
        auto* badge = tile->findChild<QLabel*>("lblResult");
        leastBadge = std::min(leastBadge, QFontInfo(badge->font()).pixelSize());
        for (const char* name : {"lblProgrammed", "lblFailed"}) {
          const QLabel* count = tile->findChild<QLabel*>(name);
          leastCounts = std::min(leastCounts, QFontInfo(count->font()).pixelSize());
          EXPECT_TRUE(DrawnWhole(count))
              << count->text().toStdString() << " in " << count->width() << "x" << count->height()
              << " at " << QFontInfo(count->font()).pixelSize() << " px";
        }
      });
    }
    EXPECT_GE(leastBadge, 60) << passed << " boards";
    EXPECT_GE(leastCounts, 30) << passed << " boards";
    std::printf(
        "floor screen, 16 sockets on %dx%d, %d boards: badge %d px, counts %d px at the "
        "least\n",
        screen.width(), screen.height(), passed, leastBadge, leastCounts);
  }
}

}  // namespace
}  // namespace ctrlprog
