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

// Every way a tile's badge and counts are shown while a fixture runs.
void ShowEveryCondition(FixtureTile* tile, const std::function<void()>& check) {
  Tally tally;
  for (const LinkEventKind kind :
       {LinkEventKind::Passed, LinkEventKind::Failed, LinkEventKind::Unconfirmed}) {
    LinkEvent event;
    event.kind = kind;
    tally.Count(event);
  }
  auto* panel = tile->findChild<ResultPanel*>();
  for (const Link::Condition condition : {Link::Condition::Stopped, Link::Condition::Waiting,
                                          Link::Condition::Programming, Link::Condition::Lost}) {
    panel->Show(condition, tally);
    QApplication::processEvents();
    check();
  }
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
  int leastBadge = 1000, leastCounts = 1000;
  for (FixtureTile* tile : window.fixture()->Tiles()) {
    EXPECT_TRUE(screen.contains(Global(tile))) << tile->ShortName().toStdString();
    EXPECT_GE(Global(tile).top(), Global(set).bottom()) << "the tiles are below the set's name";
    ShowEveryCondition(tile, [&] {
      auto* badge = tile->findChild<QLabel*>("lblResult");
      leastBadge = std::min(leastBadge, QFontInfo(badge->font()).pixelSize());
      for (const char* name : {"lblProgrammed", "lblFailed"}) {
        leastCounts =
            std::min(leastCounts, QFontInfo(tile->findChild<QLabel*>(name)->font()).pixelSize());
      }
    });
  }
  EXPECT_GE(leastBadge, 60);
  EXPECT_GE(leastCounts, 30);
  std::printf("floor screen, 16 sockets on %dx%d: badge %d px, counts %d px at the least\n",
              screen.width(), screen.height(), leastBadge, leastCounts);
}

}  // namespace
}  // namespace ctrlprog
