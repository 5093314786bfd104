// The window itself, on the offscreen platform: its start-up state, the panel button, and a
// transfer against a board on a pseudo-terminal, driven through its widgets.
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <fstream>
#include <functional>
#include <map>

#include "form/frm_main.h"
#include "front/translations.h"
#include "link/qt/qt_serial_port.h"
#include "station/station_sinks.h"
#include "station/unit_scanning.h"
#include "support/pty_device.h"
#include "support/temp_dir.h"
#include "support/worked_sets.h"
#include "ui/fixture_tile.h"
#include "ui/fixture_view.h"
#include "ui/port_combo_box.h"
#include "ui/result_panel.h"
#include "ui/start_options.h"

namespace ctrlprog {
namespace {

using testing::PtyDevice;
using testing::TempDir;
using testing::WorkedSets;

// Handles the next modal box or dialog once it is open, from inside its own event loop.
void WhenModalOpens(std::function<void(QWidget*)> handle) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, handle] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      poll->stop();
      poll->deleteLater();
      handle(modal);
    }
  });
  poll->start(20);
}

// Closes the next message box, keeping its text.
void CloseNextMessageBox(QString* text) {
  WhenModalOpens([text](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    *text = box->text();
    box->accept();
  });
}

void AnswerNextFileDialog(const QString& path) {
  WhenModalOpens([path](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    // Typed into the name box, as a user would; the dialog's own selectFile() keeps only the
    // folder of a file it has not listed yet.
    const QFileInfo info(path);
    dialog->setDirectory(info.absolutePath());
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(info.fileName());
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, as the Open button does
  });
}

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() { window.show(); }

  template <typename T>
  T* Find(const char* name) {
    T* w = window.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QComboBox* Combo(int i) { return Find<QComboBox>(QString("Combo1(%1)").arg(i).toUtf8()); }
  QPushButton* Send() { return Find<QPushButton>("cmdFileSend"); }
  QAction* OpenFile() { return Find<QAction>("OpenFile"); }
  QStringList LogLines() {
    QStringList lines = Find<QPlainTextEdit>("rtfReceive")->toPlainText().split('\n');
    lines.removeAll("");
    return lines;
  }
  int Px(int twips) { return qRound(twips * window.logicalDpiX() / 1440.0); }
  void FillFromWorkedSet(int n) {
    for (int i = 0; i < kParameterCount; ++i) {
      Combo(i)->setCurrentText(
          QString::fromStdString(WorkedSets()[static_cast<size_t>(n)].texts[i]));
    }
  }

  // Ticks of the window's own timer (or a tile's) from now: what a port did meanwhile.
  void WaitForTicks(QTimer* timer, int ticks) {
    int seen = 0;
    const auto counting = QObject::connect(timer, &QTimer::timeout, [&seen] { ++seen; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen >= ticks; }, 5000));
    QObject::disconnect(counting);
  }

  // Set up for a scanning station, before the window: its gates hear the window's last events.
  std::unique_ptr<UnitScanning> scanning;
  QtSerialPort port;
  MainWindow window{port};
};

std::unique_ptr<UnitScanning> Scanning() {
  return std::make_unique<UnitScanning>(UnitScanning::Options{
      std::nullopt,
      false,
      "station-1",
      {},
      std::nullopt,
      [](std::function<void()> done) {
        QMetaObject::invokeMethod(qApp, std::move(done), Qt::QueuedConnection);
      },
      false,
      {}});
}

TEST_F(WindowTest, StartsWithEmptyListsPortOneAndTheTimerOff) {
  EXPECT_EQ(window.windowTitle(), QString(16, ' '));
  EXPECT_EQ(Find<QPushButton>("cmdShow")->text(), "<<conceal");
  EXPECT_EQ(Send()->text(), "Start Transmit");
  EXPECT_EQ(Find<QLabel>("Label1(0)")->text(), "Transmit Guage");
  EXPECT_EQ(window.width(), Px(11625));
  EXPECT_EQ(window.height(), Px(7150));
  for (int i = 0; i < kParameterCount; ++i) {
    EXPECT_EQ(Combo(i)->currentIndex(), -1) << i;
    EXPECT_FALSE(Combo(i)->isEditable()) << i;
    EXPECT_EQ(Combo(i)->count(),
              static_cast<int>(ParameterTable()[static_cast<size_t>(i)].choices.size()));
  }
  EXPECT_EQ(Find<QComboBox>("cboComPort")->currentText(), "1");
  EXPECT_TRUE(Find<QComboBox>("cboComPort")->isEditable());
  EXPECT_EQ(Find<QComboBox>("cboComPort")->itemText(1), "2   ");
  EXPECT_FALSE(Find<QTimer>("Timer1")->isActive());
  const auto* progress = Find<QProgressBar>("prgFileTransfer");
  EXPECT_EQ(progress->minimum(), 0);
  EXPECT_EQ(progress->maximum(), 100);
  EXPECT_EQ(progress->value(), 0);
  EXPECT_TRUE(LogLines().isEmpty());
  EXPECT_EQ(Find<QLabel>("lblCombo1(1)")->text(), "PhaseCurrent(A)：");
  EXPECT_EQ(Find<QWidget>("Fram4")->property("title").toString(), "Time && Others");
}

// Whether `w` is shown whole inside the window's client area.
bool ShownWhole(QWidget* w, QWidget* client) {
  const QRect r(w->mapTo(client, QPoint(0, 0)), w->size());
  return w->isVisible() && client->rect().contains(r);
}

TEST_F(WindowTest, TheBadgeAndCountsAreInViewAtEverySizeAndTheExtraRoomGoesToThem) {
  QWidget* client = window.centralWidget();
  auto* show = Find<QPushButton>("cmdShow");
  auto* badge = Find<QLabel>("lblResult");
  auto* status = Find<QLabel>("lblStatus");
  const QString byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  window.SetPortText(byId.toStdString());
  const QPoint sendAt = Send()->pos();
  const QSize logAt = Find<QPlainTextEdit>("rtfReceive")->size();

  struct Case {
    const char* what;
    std::function<void()> act;
  };
  const Case cases[] = {
      {"design size", [] {}},
      {"concealed",
       [&] {
         QTest::mouseClick(show, Qt::LeftButton);
         EXPECT_EQ(show->text(), ">>visible");
         EXPECT_EQ(window.width(), Px(3280));
         EXPECT_FALSE(window.form().blnExpanded());
       }},
      {"visible again",
       [&] {
         QTest::mouseClick(show, Qt::LeftButton);
         EXPECT_EQ(show->text(), "<<conceal");
         // Not the 11500 twips asked for: that would cut off the panel's right border.
         EXPECT_EQ(window.width(), Px(11625));
         EXPECT_EQ(window.height(), Px(7150));
       }},
      {"shrunk", [&] { window.resize(300, 200); }},
      {"large",
       [&] {
         window.resize(1400, 900);
         EXPECT_GT(badge->height(), 100) << "the badge takes the room";
         EXPECT_GT(Find<QPlainTextEdit>("rtfReceive")->height(), logAt.height() + 300);
         EXPECT_EQ(Send()->pos(), sendAt) << "specified controls keep their places";
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.act();
    QApplication::processEvents();
    EXPECT_GE(window.width(), window.minimumWidth());
    EXPECT_TRUE(ShownWhole(badge, client));
    EXPECT_TRUE(ShownWhole(Find<QLabel>("lblProgrammed"), client));
    EXPECT_TRUE(ShownWhole(Find<QLabel>("lblFailed"), client));
    EXPECT_TRUE(ShownWhole(status, client));
    // One line, the long path elided in its middle; the whole of it for a tooltip and a reader.
    EXPECT_LE(status->fontMetrics().horizontalAdvance(status->text()), status->width());
    EXPECT_TRUE(status->toolTip().startsWith("Stopped."));
    EXPECT_EQ(status->accessibleDescription(), status->toolTip());
  }
}

TEST_F(WindowTest, TheConcealedWindowsCountsAreWholeBesideEachOther) {
  QTest::mouseClick(Find<QPushButton>("cmdShow"), Qt::LeftButton);
  QApplication::processEvents();
  for (const char* name : {"lblProgrammed", "lblFailed"}) {
    auto* count = Find<QLabel>(name);
    EXPECT_LE(count->fontMetrics().horizontalAdvance(count->text()), count->width())
        << name << ": " << count->text().toStdString() << " cut off";
  }
}

// The badge's word and the counts as a face of so many pixels, and whether they fit their room.
struct Readable {
  int badgePx = 0, countsPx = 0;
  bool fits = false;
};
Readable ReadableIn(QWidget* panel) {
  Readable r;
  auto* badge = panel->findChild<QLabel*>("lblResult");
  r.badgePx = QFontInfo(badge->font()).pixelSize();
  r.fits = badge->fontMetrics().horizontalAdvance(badge->text()) <= badge->width();
  r.countsPx = 1 << 20;
  for (const char* name : {"lblProgrammed", "lblFailed"}) {
    auto* count = panel->findChild<QLabel*>(name);
    r.countsPx = std::min(r.countsPx, QFontInfo(count->font()).pixelSize());
    r.fits = r.fits && count->isVisible() &&
             count->fontMetrics().horizontalAdvance(count->text()) <= count->width();
  }
  return r;
}

TEST_F(WindowTest, EveryBadgeWordReadsFromTwoMetresInAFixtureAndInTheConcealedWindow) {
  constexpr int kReadable = ResultPanel::kReadableBadgePx;
  struct Case {
    const char* what;
    size_t ports;  // 0: the single-port window, concealed
    QSize size;
  };
  const Case cases[] = {
      {"4 ports at the size a fixture starts with", 4,
       MainWindow::FixtureWindowSize(4, window.size(), {1920, 1080})},
      {"16 ports on a 1920x1080 screen", 16,
       MainWindow::FixtureWindowSize(16, window.size(), {1920, 1080})},
      {"concealed, made taller", 0, {Px(3280), Px(7150) + 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QtSerialPort serial;
    MainWindow w(serial);
    w.show();
    std::vector<std::string> ports;
    for (size_t i = 0; i < c.ports; ++i) ports.push_back("/dev/ttyUSB" + std::to_string(i));
    if (c.ports > 0) {
      w.SetFixture(ports);
    } else {
      QTest::mouseClick(w.findChild<QPushButton*>("cmdShow"), Qt::LeftButton);
    }
    w.resize(c.size);
    QApplication::processEvents();
    std::vector<ResultPanel*> panels;
    if (c.ports > 0) {
      for (FixtureTile* tile : w.fixture()->Tiles()) {
        panels.push_back(tile->findChild<ResultPanel*>());
      }
    } else {
      panels.push_back(w.findChild<ResultPanel*>());
    }
    ASSERT_EQ(panels.size(), std::max<size_t>(c.ports, 1));
    // Every word the badge says. The concealed window is as narrow as specified (219 px), where
    // the results' words reach the readable face; the longer words take what its width allows.
    const auto after = [](LinkEventKind kind) {
      Tally tally;
      LinkEvent event;
      event.kind = kind;
      tally.Count(event);
      return tally;
    };
    std::vector<std::pair<Link::Condition, Tally>> shown = {
        {Link::Condition::Waiting, after(LinkEventKind::Passed)},
        {Link::Condition::Waiting, after(LinkEventKind::Failed)}};
    if (c.ports > 0) {
      shown.insert(shown.end(), {{Link::Condition::Lost, Tally()},
                                 {Link::Condition::Waiting, Tally()},
                                 {Link::Condition::Programming, Tally()},
                                 {Link::Condition::Stopped, after(LinkEventKind::Unconfirmed)}});
    }
    for (const auto& [condition, tally] : shown) {
      for (size_t i = 0; i < panels.size(); ++i) {
        panels[i]->Show(condition, tally);
        QApplication::processEvents();
        const Readable r = ReadableIn(panels[i]);
        const QString word = panels[i]->findChild<QLabel*>("lblResult")->text();
        EXPECT_GE(r.badgePx, kReadable) << i << " " << word.toStdString();
        EXPECT_GE(r.countsPx * 2, kReadable) << i;
        EXPECT_TRUE(r.fits) << i;
        EXPECT_TRUE(ShownWhole(panels[i], w.centralWidget())) << i;
      }
    }
  }
}

TEST_F(WindowTest, AStartNeedsOnePressAndAFailedOneSaysWhyAndWhatToDo) {
  TempDir dir;
  FillFromWorkedSet(0);
  const QString missing = QString::fromStdString(dir.Path("ttyUSB9"));
  Find<QComboBox>("cboComPort")->setEditText(missing);
  QString box;
  CloseNextMessageBox(&box);
  QTest::mouseClick(Send(), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !box.isEmpty(); }, 2000));
  EXPECT_EQ(box, "This Comm is no use, Please try other one!");  // as specified
  EXPECT_EQ(Find<QLabel>("lblStatus")->toolTip(),
            missing + ": no such device — plug the adapter in");

  PtyDevice device({.answer = false}, dir.Path("board"));
  Find<QComboBox>("cboComPort")->setEditText(QString::fromStdString(device.Path()));
  QTest::qWait(QApplication::doubleClickInterval() + 50);
  QTest::mouseClick(Send(), Qt::LeftButton);  // a double-click: two presses in quick succession
  QTest::mouseClick(Send(), Qt::LeftButton);
  EXPECT_EQ(Send()->text(), "Stop Transmit") << "the second press of a double-click is ignored";
  EXPECT_TRUE(Find<QLabel>("lblStatus")->toolTip().startsWith("Waiting for a board on "));
  QTest::qWait(QApplication::doubleClickInterval() + 50);
  QTest::mouseClick(Send(), Qt::LeftButton);
  EXPECT_EQ(Send()->text(), "Start Transmit");
}

TEST_F(WindowTest, TabGoesGroupByGroupThenPortStartAndThePanel) {
  const int order[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 15, 10, 11, 12, 14};
  QStringList expected, got;
  for (int i : order) expected << QString("Combo1(%1)").arg(i);
  expected << "cboComPort"
           << "cmdFileSend"
           << "cmdReset";
  QWidget* w = Combo(0);
  for (qsizetype i = 0; i < expected.size(); ++i, w = w->nextInFocusChain()) {
    while (w->focusPolicy() == Qt::NoFocus || w->focusProxy()) w = w->nextInFocusChain();
    got << w->objectName();
  }
  EXPECT_EQ(got, expected);
}

TEST_F(WindowTest, TheLogKeepsTheNewestLinesOnly) {
  window.form().ReceiveDisplay("oldest", 3);
  for (int i = 0; i < MainWindow::kLogLines; ++i) {
    window.form().ReceiveDisplay("line", 3);
  }
  window.form().ReceiveDisplay("newest", 2);
  const QStringList lines = LogLines();
  EXPECT_EQ(lines.size(), MainWindow::kLogLines);
  EXPECT_FALSE(lines.contains("oldest"));
  EXPECT_EQ(lines.back(), "newest");
}

TEST_F(WindowTest, StartingWithAnEmptyListAsksForAllParameters) {
  QString message;
  CloseNextMessageBox(&message);
  QTest::mouseClick(Send(), Qt::LeftButton);
  EXPECT_EQ(message, "Please check all parameter was stuffed");
  EXPECT_EQ(LogLines(), QStringList{"Comm is Closed"});
  EXPECT_EQ(Send()->text(), "Start Transmit");
}

TEST_F(WindowTest, ProgramsABoardAndStopsWithEverythingRestored) {
  TempDir dir;
  PtyDevice device({});
  const std::string file = dir.Write("set.asv",
                                     "4:Pibes\r\n135\r\n57.0\r\n64.0\r\n4.0\r\n99\r\n"
                                     "0:Switch Mode\r\n120\r\n110\r\n115\r\n10.0\r\n"
                                     "15.0\r\n0:Up 15 Mark（Ture）\r\n1:Comm GND\r\n1\r\n70\r\n");
  AnswerNextFileDialog(QString::fromStdString(file));
  OpenFile()->trigger();
  EXPECT_EQ(Find<QLineEdit>("txtLoadDir")->text().toStdString(), file);
  EXPECT_EQ(Combo(0)->currentText(), "4:Pibes");

  Find<QComboBox>("cboComPort")->setEditText(QString::fromStdString(device.Path()));
  QTest::mouseClick(Send(), Qt::LeftButton);
  EXPECT_EQ(Send()->text(), "Stop Transmit");
  EXPECT_FALSE(Find<QWidget>("Frame10")->isEnabled());
  EXPECT_FALSE(Combo(5)->isEnabled());
  EXPECT_FALSE(Find<QComboBox>("cboComPort")->isEnabled());
  EXPECT_FALSE(OpenFile()->isEnabled());
  EXPECT_TRUE(Find<QAction>("StoreFile")->isEnabled());
  EXPECT_TRUE(QTest::qWaitFor([&] { return LogLines().contains("Transmit Finished"); }, 5000));
  const ParameterFrame expected = testing::FrameOf(WorkedSets()[2]);
  EXPECT_EQ(device.FirstFrame(), std::vector<uint8_t>(expected.begin(), expected.end()));
  EXPECT_EQ(LogLines().first(), "Transmit Started");

  QTest::mouseClick(Send(), Qt::LeftButton);
  EXPECT_EQ(LogLines().last(), "Comm is Closed");
  EXPECT_EQ(Send()->text(), "Start Transmit");
  EXPECT_TRUE(Find<QWidget>("Frame10")->isEnabled());
  EXPECT_TRUE(Combo(5)->isEnabled());
  EXPECT_TRUE(Find<QComboBox>("cboComPort")->isEnabled());
  EXPECT_TRUE(OpenFile()->isEnabled());
  EXPECT_TRUE(Find<QLabel>("Label1(0)")->isEnabled());
  EXPECT_FALSE(Find<QTimer>("Timer1")->isActive());
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(WindowTest, ATransferGoesOnWhileAMessageBoxIsOpen) {
  PtyDevice device({});
  FillFromWorkedSet(0);
  Find<QComboBox>("cboComPort")->setEditText(QString::fromStdString(device.Path()));
  QTest::mouseClick(Send(), Qt::LeftButton);
  ASSERT_EQ(window.form().link().State(), TransferState::Polling);

  // Hold a box open until a board has been programmed behind it.
  bool finishedWhileOpen = false;
  WhenModalOpens([&](QWidget* box) {
    finishedWhileOpen =
        QTest::qWaitFor([&] { return LogLines().contains("Transmit Finished"); }, 5000);
    qobject_cast<QMessageBox*>(box)->accept();
  });
  window.MessageBox("holding");
  EXPECT_TRUE(finishedWhileOpen);
  QTest::mouseClick(Send(), Qt::LeftButton);
}

TEST_F(WindowTest, StoredSetLoadsBackWithEveryChoice) {
  TempDir dir;
  const QString path = QString::fromStdString(dir.Path("round.asv"));
  FillFromWorkedSet(0);  // "30     " among them
  AnswerNextFileDialog(path);
  Find<QAction>("StoreFile")->trigger();
  EXPECT_EQ(Find<QLineEdit>("txtSaveDir")->text(), path);

  for (int i = 0; i < kParameterCount; ++i) Combo(i)->setCurrentIndex(Combo(i)->count() - 1);
  AnswerNextFileDialog(path);
  OpenFile()->trigger();
  for (int i = 0; i < kParameterCount; ++i) {
    EXPECT_EQ(window.ComboText(i), WorkedSets()[0].texts[static_cast<size_t>(i)]) << i;
  }
  EXPECT_EQ(Combo(1)->currentText(), "30     ");
}

TEST_F(WindowTest, ColoursEachLogLineAsTheLogSays) {
  window.form().ReceiveDisplay("green", 1);
  window.form().ReceiveDisplay("plain", 0);
  window.form().ReceiveDisplay("red", 2);
  // One block per line: the document's line breaks stand for the log's carriage returns.
  EXPECT_EQ(Find<QPlainTextEdit>("rtfReceive")->toPlainText().replace('\n', '\r'),
            "green\rplain\rred\r");
  QTextCursor c(Find<QPlainTextEdit>("rtfReceive")->document());
  auto colourAt = [&](int pos) {
    c.setPosition(pos + 1);
    return c.charFormat().foreground().color();
  };
  EXPECT_EQ(colourAt(0), QColor(0, 255, 0));
  EXPECT_NE(colourAt(7), QColor(0, 255, 0));
  EXPECT_EQ(colourAt(12), QColor(255, 0, 0));
}

TEST_F(WindowTest, ShowsTheLastResultTheCountsAndALostLineAtAGlance) {
  TempDir dir;
  auto device = std::make_unique<PtyDevice>(PtyDevice::Behaviour{.ack = false}, dir.Path("board"));
  const QString path = QString::fromStdString(device->Path());
  FillFromWorkedSet(0);
  Find<QComboBox>("cboComPort")->setEditText(path);
  auto* status = Find<QLabel>("lblStatus");
  auto* panel = Find<QWidget>("ResultPanel");
  EXPECT_TRUE(status->text().startsWith("Stopped."));
  QTest::mouseClick(Send(), Qt::LeftButton);
  EXPECT_TRUE(status->toolTip().startsWith("Waiting for a board on " + path + "."))
      << status->toolTip().toStdString();

  // Locking the parameters leaves the panel alone.
  EXPECT_FALSE(Find<QWidget>("Frame10")->isAncestorOf(panel));
  EXPECT_TRUE(panel->isEnabled());
  ASSERT_TRUE(QTest::qWaitFor([&] { return LogLines().contains("Transmit Fail!"); }, 5000));
  EXPECT_EQ(Find<QLabel>("lblResult")->text(), "FAIL");
  EXPECT_EQ(Find<QLabel>("lblFailed")->text(), "Failed 1");
  // The board answers again and is tried again: the failure stays in sight meanwhile.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return window.form().link().LinkCondition() == Link::Condition::Programming; }, 3000));
  QTest::qWait(0);
  EXPECT_EQ(Find<QLabel>("lblResult")->text(), "FAIL") << "not PROGRAMMING after a failure";
  EXPECT_EQ(Find<QLabel>("lblResultTime")->text(), "retrying…");
  EXPECT_EQ(Find<QLabel>("lblProgrammed")->text(), "Programmed 0");
  EXPECT_TRUE(status->toolTip().contains("Last result FAIL at "))
      << status->toolTip().toStdString();

  device.reset();  // the cable comes loose
  ASSERT_TRUE(QTest::qWaitFor([&] { return LogLines().contains("Comm Lost"); }, 3000));
  EXPECT_TRUE(status->toolTip().startsWith(path + " lost, retrying."))
      << status->text().toStdString();
  EXPECT_EQ(status->accessibleDescription(), status->toolTip());
  QTest::qWait(1000);
  EXPECT_EQ(LogLines().count("Comm Lost"), 1);

  EXPECT_EQ(Find<QLabel>("lblResult")->text(), "NO LINK") << "never a stale result";

  QTest::qWait(QApplication::doubleClickInterval() + 50);
  QTest::mouseClick(Send(), Qt::LeftButton);
  EXPECT_TRUE(status->text().startsWith("Stopped.")) << status->text().toStdString();
  // A stop that cut a board short says so in the big word; otherwise the last result is below.
  const auto& last = window.form().link().tally().Last();
  const bool cutShort = last && last->kind == LinkEventKind::Unconfirmed;
  const QString below = cutShort ? "stopped at " : "last FAIL at ";
  EXPECT_EQ(Find<QLabel>("lblResult")->text(), cutShort ? "UNCONFIRMED" : "STOPPED");
  EXPECT_TRUE(Find<QLabel>("lblResultTime")->text().startsWith(below));
  QTest::mouseClick(Find<QPushButton>("cmdReset"), Qt::LeftButton);
  EXPECT_EQ(Find<QLabel>("lblFailed")->text(), "Failed 0");
  EXPECT_TRUE(Find<QLabel>("lblResultTime")->text().startsWith(below));
}

TEST_F(WindowTest, AStopThatCutABoardShortShowsUnconfirmedInTheBigWord) {
  PtyDevice device({.ack = false});
  FillFromWorkedSet(0);
  Find<QComboBox>("cboComPort")->setEditText(QString::fromStdString(device.Path()));
  QTest::mouseClick(Send(), Qt::LeftButton);
  // The frame is out and unanswered: a stop now cuts this board short.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return window.form().link().State() == TransferState::AwaitingAck; }, 3000));
  QTest::qWait(QApplication::doubleClickInterval() + 50);
  ASSERT_EQ(window.form().link().State(), TransferState::AwaitingAck);
  QTest::mouseClick(Send(), Qt::LeftButton);
  EXPECT_EQ(Find<QLabel>("lblResult")->text(), "UNCONFIRMED");
  EXPECT_TRUE(Find<QLabel>("lblResultTime")->text().startsWith("stopped at "));
}

TEST_F(WindowTest, TheLineRecordsBacklogIsSaidWhileNoTransferRuns) {
  int64_t waiting = 0;
  window.ShowLineRecord([&] { return waiting; }, "/var/lib/ctrlprog/record.csv");
  auto* status = Find<QLabel>("lblStatus");
  EXPECT_FALSE(status->toolTip().contains("rows waiting"));
  waiting = 5;  // the forwarder's count moves on its own thread, no tick to show it
  EXPECT_TRUE(QTest::qWaitFor([&] { return status->toolTip().contains("5 rows waiting"); }, 3000))
      << status->toolTip().toStdString();
}

TEST_F(WindowTest, TheKeyboardStartsStopsAndReachesTheFileCommands) {
  PtyDevice device({.answer = false});
  FillFromWorkedSet(0);
  Find<QComboBox>("cboComPort")->setEditText(QString::fromStdString(device.Path()));
  const struct {
    const char* what;
    std::function<void()> press;
  } starts[] = {
      {"F5 (a foot switch)", [&] { QTest::keyClick(&window, Qt::Key_F5); }},
      {"Enter on the focused button",
       [&] {
         Send()->setFocus();
         QTest::keyClick(Send(), Qt::Key_Return);  // an animated click: it lands shortly
       }},
  };
  for (const auto& c : starts) {
    SCOPED_TRACE(c.what);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    c.press();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Send()->text() == "Stop Transmit"; }, 1000));
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    c.press();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Send()->text() == "Start Transmit"; }, 1000));
  }
  for (const auto& [keys, name] :
       {std::pair{QKeySequence::Open, "Open"}, std::pair{QKeySequence::Save, "Save"}}) {
    bool dialog = false;
    QString seen;
    WhenModalOpens([&](QWidget* w) {
      dialog = qobject_cast<QFileDialog*>(w) != nullptr;
      seen = w->metaObject()->className();
      if (auto* box = qobject_cast<QMessageBox*>(w)) seen += ": " + box->text();
      static_cast<QDialog*>(w)->reject();
    });
    window.activateWindow();  // back from the last dialog
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keySequence(&window, QKeySequence(keys));
    EXPECT_TRUE(dialog) << name << " " << seen.toStdString();
  }
}

TEST_F(WindowTest, ALockedStationKeepsItsSetAndStillStartsStopsAndResets) {
  PtyDevice device({.answer = false});
  FillFromWorkedSet(0);
  Find<QComboBox>("cboComPort")->setEditText(QString::fromStdString(device.Path()));
  window.Lock("line3.asv");
  const auto locked = [&] {
    return !Find<QWidget>("Frame10")->isEnabled() && !OpenFile()->isEnabled() &&
           !Find<QAction>("StoreFile")->isEnabled() && !Find<QPushButton>("cmdShow")->isEnabled();
  };
  EXPECT_TRUE(locked());
  EXPECT_TRUE(Find<QLabel>("lblStatus")->text().startsWith("Locked to line3.asv. "))
      << Find<QLabel>("lblStatus")->text().toStdString();
  QTest::mouseClick(Send(), Qt::LeftButton);
  EXPECT_EQ(Send()->text(), "Stop Transmit");
  QTest::qWait(QApplication::doubleClickInterval() + 50);
  QTest::mouseClick(Send(), Qt::LeftButton);
  EXPECT_EQ(Send()->text(), "Start Transmit");
  EXPECT_TRUE(locked()) << "stopping unlocks nothing";
  EXPECT_TRUE(Find<QPushButton>("cmdReset")->isEnabled());
}

TEST_F(WindowTest, AFixtureCountsEachSocketsBoardsAndAPulledCableTurnsOnlyItsTileToNoLink) {
  TempDir dir;
  std::vector<std::unique_ptr<PtyDevice>> devices;
  std::vector<std::string> ports;
  for (int i = 0; i < 3; ++i) {
    devices.push_back(std::make_unique<PtyDevice>(PtyDevice::Behaviour{},
                                                  dir.Path("socket" + std::to_string(i))));
    ports.push_back(devices.back()->Path());
  }
  window.SetFixture(ports);
  ASSERT_NE(window.fixture(), nullptr);
  const auto& tiles = window.fixture()->Tiles();
  ASSERT_EQ(tiles.size(), 3u);
  FillFromWorkedSet(0);
  window.Start();
  EXPECT_EQ(Send()->text(), "Stop Transmit");
  EXPECT_FALSE(Find<QWidget>("Frame10")->isEnabled());
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return std::all_of(tiles.begin(), tiles.end(),
                           [](FixtureTile* t) { return t->station().tally().Programmed() >= 2; });
      },
      10000));
  EXPECT_TRUE(LogLines().contains("socket0: Transmit Finished"));
  // "Transmit Guage" blinks while the fixture runs.
  auto* guage = Find<QLabel>("Label1(0)");
  for (bool enabled : {false, true, false}) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return guage->isEnabled() == enabled; }, 1000)) << enabled;
  }

  devices[1].reset();  // the second socket's cable comes loose
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return tiles[1]->station().link().LinkCondition() == Link::Condition::Lost; }, 3000));
  QTest::qWait(0);
  EXPECT_EQ(tiles[1]->findChild<QLabel*>("lblResult")->text(), "NO LINK");
  for (size_t i : {0u, 2u}) {
    EXPECT_NE(tiles[i]->station().link().LinkCondition(), Link::Condition::Lost) << i;
    EXPECT_NE(tiles[i]->findChild<QLabel*>("lblResult")->text(), "NO LINK") << i;
  }

  // One tile stopped alone; the rest run on until the fixture's Stop.
  tiles[2]->findChild<QPushButton*>("cmdTileStop")->click();
  EXPECT_FALSE(tiles[2]->station().Running());
  EXPECT_TRUE(tiles[0]->station().Running());
  QTest::qWait(QApplication::doubleClickInterval() + 50);
  QTest::mouseClick(Send(), Qt::LeftButton);
  EXPECT_EQ(Send()->text(), "Start Transmit");
  EXPECT_TRUE(Find<QWidget>("Frame10")->isEnabled());
  EXPECT_TRUE(guage->isEnabled());
  for (size_t i : {0u, 2u}) {
    // Each tile counts its own socket's boards: what the board acknowledged, no more, no less.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return devices[i]->Programmed() == tiles[i]->station().tally().Programmed(); }, 2000))
        << i << ": " << devices[i]->Programmed() << " acknowledged, "
        << tiles[i]->station().tally().Programmed() << " counted";
  }
}

TEST_F(WindowTest, AScanningStationTakesTheScannersLineAndTouchesNoBoardWithoutOne) {
  TempDir dir;
  PtyDevice device({}, dir.Path("socket"));
  window.SetPortText(device.Path());
  FillFromWorkedSet(0);
  scanning = Scanning();
  auto* panel = window.findChild<ResultPanel*>();
  const QSize panelBefore = panel->size();
  window.EnableScan(*scanning);
  QApplication::processEvents();
  // The window grows, and the panel with it, for the Serial box and a refusal under it.
  EXPECT_GT(panel->height(), panelBefore.height());
  auto* box = Find<QLineEdit>("txtSerial");
  EXPECT_TRUE(box->isVisible());
  EXPECT_EQ(box->accessibleName(), "Serial");
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.Start();
  auto* badge = Find<QLabel>("lblResult");
  EXPECT_EQ(badge->text(), "SCAN");
  // The focus comes to the "Serial" box at the start.
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == box; }, 2000));
  auto* timer = Find<QTimer>("Timer1");
  WaitForTicks(timer, 5);
  EXPECT_EQ(device.Polls(), 0) << "no scan, no poll";

  QTest::keyClicks(box, "SN-1");
  QTest::keyClick(box, Qt::Key_Return);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return device.Programmed() == 1 && badge->text() == "SCAN"; }, 5000));
  EXPECT_EQ(Find<QLabel>("lblProgrammed")->text(), "Boards 1, first pass 1");
  EXPECT_EQ(Find<QLabel>("lblFailed")->text(), "Attempts 1, failed 0");
  const int polls = device.Polls();
  WaitForTicks(timer, 5);
  EXPECT_EQ(device.Polls(), polls) << "the result used the serial up";

  // Refusals are said on the panel; the port goes on waiting.
  auto* note = Find<QLabel>("lblScanNote");
  const struct {
    const char* typed;
    const char* said;
  } refused[] = {
      {"SN-1", "board SN-1 already passed at "},
      {"SN-\xC3\xA9", "the serial holds \\xC3, which is not a printable character"},
  };
  for (const auto& r : refused) {
    box->insert(QString::fromUtf8(r.typed));  // as an input method would; QTest types ASCII
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(note->text().startsWith(r.said)) << note->text().toStdString();
    EXPECT_EQ(note->toolTip(), note->text()) << "whole, however long";
    EXPECT_TRUE(box->text().isEmpty());
  }
  WaitForTicks(timer, 3);
  EXPECT_EQ(device.Polls(), polls);
  QTest::keyClicks(box, "SN-2");
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_TRUE(note->text().isEmpty()) << "a serial taken clears the refusal";
  ASSERT_TRUE(QTest::qWaitFor([&] { return device.Programmed() == 2; }, 5000));
  Find<QPushButton>("cmdReset")->click();
  EXPECT_EQ(Find<QLabel>("lblProgrammed")->text(), "Boards 0, first pass 0");
  window.station().Stop();
}

TEST_F(WindowTest, AScanningFixtureKeepsBadgesReadableAndRefusesABoardHeldOnAnotherSocket) {
  TempDir dir;
  PtyDevice left({}, dir.Path("left")), right({}, dir.Path("right"));
  window.SetFixture({left.Path(), right.Path()});
  FillFromWorkedSet(0);
  scanning = Scanning();
  window.EnableScan(*scanning);
  const auto& tiles = window.fixture()->Tiles();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.Start();
  window.resize(MainWindow::FixtureWindowSize(2, window.size(), {1920, 1080}));
  QApplication::processEvents();
  for (FixtureTile* tile : tiles) {
    EXPECT_EQ(tile->findChild<QLabel*>("lblResult")->text(), "SCAN");
    // The "Serial" box costs the badge none of its reach.
    const Readable r = ReadableIn(tile);
    EXPECT_GE(r.badgePx, ResultPanel::kReadableBadgePx);
    EXPECT_GE(r.countsPx, ResultPanel::kReadableBadgePx / 2);
    EXPECT_TRUE(r.fits);
  }
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return QApplication::focusWidget() == tiles[0]->SerialBox(); }, 2000));
  // What a screen reader announces for each socket's controls.
  for (FixtureTile* tile : tiles) {
    for (QWidget* control : {static_cast<QWidget*>(tile->SerialBox()),
                             static_cast<QWidget*>(tile->findChild<QPushButton*>("cmdReset")),
                             static_cast<QWidget*>(tile->findChild<QPushButton*>("cmdTileStop"))}) {
      QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(control);
      ASSERT_NE(reader, nullptr);
      EXPECT_FALSE(reader->text(QAccessible::Name).isEmpty())
          << control->objectName().toStdString();
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(tile->SerialBox())->text(QAccessible::Name),
              "Serial");
  }
  // A scanner types into whatever has the focus: one board for each socket in turn.
  const auto scan = [](const char* serial) {
    QTest::keyClicks(QApplication::focusWidget(), serial);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  };
  scan("SN-A");
  EXPECT_EQ(tiles[0]->station().gate()->Serial(), "SN-A");
  scan("#2");  // the second socket's label: no double read, the same board again on purpose
  scan("SN-A");
  auto* note = tiles[1]->findChild<QLabel*>("lblScanNote");
  EXPECT_EQ(note->text().toStdString(),
            "board SN-A is on " + left.Path() + " and has no result yet");
  EXPECT_EQ(tiles[1]->findChild<QLabel*>("lblResult")->text().replace('\n', ' '),
            "on another socket");
  ASSERT_TRUE(QTest::qWaitFor([&] { return left.Programmed() == 1; }, 5000));
  EXPECT_EQ(right.Polls(), 0);
  scan("SN-B");
  auto* counts = tiles[1]->findChild<QLabel*>("lblProgrammed");
  EXPECT_TRUE(QTest::qWaitFor([&] { return counts->text() == "Boards 1, first pass 1"; }, 5000))
      << counts->text().toStdString();
  EXPECT_EQ(right.Programmed(), 1);
  window.fixture()->StopAll();
}

TEST_F(WindowTest, SixteenScanningSocketsOnAFullHdScreenShowEveryWordWholeAndApart) {
  std::vector<std::string> ports;
  for (int i = 0; i < 16; ++i) ports.push_back("/dev/ttyUSB" + std::to_string(i));
  window.SetFixture(ports);
  scanning = Scanning();
  window.EnableScan(*scanning);
  window.resize(MainWindow::FixtureWindowSize(16, window.size(), {1920, 1080}));
  QApplication::processEvents();
  int leastBadge = 1 << 20, leastCounts = 1 << 20;
  for (FixtureTile* tile : window.fixture()->Tiles()) {
    tile->findChild<ResultPanel*>()->ShowScanNote(
        "board SN-0001 already passed at 2026-12-08T09:06:46.076+08:00 on line3 /dev/ttyUSB0; scan "
        "another board, or start with --rework to program it again");
    QApplication::processEvents();
    std::vector<QRect> taken;
    for (const char* name :
         {"lblResult", "lblProgrammed", "lblFailed", "lblScanNote", "txtSerial"}) {
      auto* w = tile->findChild<QWidget*>(name);
      ASSERT_TRUE(w->isVisible()) << name;
      const QRect at(w->mapTo(tile, QPoint(0, 0)), w->size());
      EXPECT_TRUE(tile->rect().contains(at)) << name << " leaves its tile";
      for (const QRect& other : taken) EXPECT_FALSE(at.intersects(other)) << name << " overlaps";
      taken.push_back(at);
    }
    const Readable r = ReadableIn(tile);
    EXPECT_TRUE(r.fits);
    leastBadge = std::min(leastBadge, r.badgePx);
    leastCounts = std::min(leastCounts, r.countsPx);
  }
  EXPECT_GE(leastBadge, ResultPanel::kReadableBadgePx);
  RecordProperty("least_badge_px", leastBadge);
  RecordProperty("least_counts_px", leastCounts);
}

TEST_F(WindowTest, SeveralPortsChosenInThePortListMakeAFixtureThatProgramsEachSocket) {
  TempDir dir;
  PtyDevice first({}, dir.Path("left")), second({}, dir.Path("right"));
  auto* box = qobject_cast<PortComboBox*>(Find<QComboBox>("cboComPort"));
  ASSERT_NE(box, nullptr);
  box->ShowPorts({});
  const int several = box->count() - 1;
  ASSERT_EQ(box->itemText(several), "Several ports…");

  struct Case {
    const char* what;
    std::vector<std::string> typed;
    bool accept;
  };
  // A cancel and a single port leave the single-port window; two ports make the fixture.
  const Case cases[] = {{"cancelled", {first.Path(), second.Path()}, false},
                        {"one port", {first.Path()}, true},
                        {"two ports", {first.Path(), second.Path()}, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    box->setEditText("1");
    WhenModalOpens([&c](QWidget* w) {
      auto* dialog = qobject_cast<QDialog*>(w);
      ASSERT_NE(dialog, nullptr);
      auto* other = dialog->findChild<QLineEdit*>("txtOtherPort");
      ASSERT_NE(other, nullptr);
      EXPECT_FALSE(other->accessibleName().isEmpty());
      for (const std::string& typed : c.typed) {
        other->setText(QString::fromStdString(typed));
        QTest::keyClick(other, Qt::Key_Return);  // adds it, chosen; the dialog stays open
      }
      if (c.accept) {
        dialog->accept();
      } else {
        dialog->reject();
      }
    });
    box->setCurrentIndex(several);
    emit box->activated(several);
    if (std::string_view(c.what) == "two ports") break;
    EXPECT_EQ(window.fixture(), nullptr);
    EXPECT_EQ(box->currentText().toStdString(), c.accept ? first.Path() : "1");
  }
  ASSERT_NE(window.fixture(), nullptr);
  const auto& tiles = window.fixture()->Tiles();
  ASSERT_EQ(tiles.size(), 2u);
  EXPECT_EQ(tiles[0]->Port(), first.Path());
  EXPECT_EQ(tiles[1]->Port(), second.Path());
  FillFromWorkedSet(0);
  window.Start();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return std::all_of(tiles.begin(), tiles.end(),
                           [](FixtureTile* t) { return t->station().tally().Programmed() >= 1; });
      },
      10000));
}

TEST_F(WindowTest, ListsAreAnnouncedByTheirCaptionsAndIgnoreAWheelPassingOver) {
  for (int i = 1; i < kParameterCount; ++i) {
    auto* label = Find<QLabel>(QString("lblCombo1(%1)").arg(i).toUtf8());
    EXPECT_EQ(label->buddy(), Combo(i));
    EXPECT_EQ(Combo(i)->accessibleName() + QChar(0xFF1A), label->text().replace("&&", "&"));
  }
  EXPECT_EQ(Combo(0)->accessibleName(), "Board Type");
  for (const char* name : {"cboComPort", "txtLoadDir", "txtSaveDir", "prgFileTransfer",
                           "rtfReceive", "lblStatus", "cmdReset"}) {
    EXPECT_FALSE(Find<QWidget>(name)->accessibleName().isEmpty()) << name;
  }

  Combo(5)->setCurrentIndex(3);
  Send()->setFocus();
  QWheelEvent wheel(QPointF(5, 5), Combo(5)->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(Combo(5), &wheel);
  EXPECT_EQ(Combo(5)->currentIndex(), 3) << "a wheel passing over changed the list";
  QApplication::setActiveWindow(&window);
  Combo(5)->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Combo(5)->hasFocus(); }, 1000));
  QApplication::sendEvent(Combo(5), &wheel);
  EXPECT_EQ(Combo(5)->currentIndex(), 4) << "a focused list takes the wheel";
}

TEST_F(WindowTest, ThePortListShowsAdaptersAndPutsTheirStablePathInTheBox) {
  auto* box = qobject_cast<PortComboBox*>(Find<QComboBox>("cboComPort"));
  ASSERT_NE(box, nullptr);
  box->ShowPorts({{"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0",
                   "FT232R USB UART", "FTDI", "A50285BI", 0x0403, 0x6001},
                  {"/dev/ttyS0", "", "", "", "", std::nullopt, std::nullopt}});
  ASSERT_EQ(box->count(), 7);
  EXPECT_EQ(box->itemText(6), "Several ports…");
  EXPECT_EQ(box->itemText(3), "4 ");
  EXPECT_EQ(box->itemText(4), "/dev/ttyUSB0  FT232R USB UART  A50285BI");
  EXPECT_EQ(box->itemText(5), "/dev/ttyS0  (port 1)");
  EXPECT_EQ(box->currentText(), "1") << "the box keeps its text";
  for (const auto& [index, text] : {std::pair{4, "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0"},
                                    std::pair{5, "/dev/ttyS0"}, std::pair{1, "2   "}}) {
    box->setCurrentIndex(index);
    emit box->activated(index);
    EXPECT_EQ(box->currentText(), text);
  }
}

// The text of `parent`'s label `name`, or "(none)".
QString LabelText(QWidget* parent, const char* name) {
  const auto* label = parent->findChild<QLabel*>(name);
  return label ? label->text() : QString("(none)");
}

// A refused scan's short reason is read from two metres.
constexpr int kRefusalPx = 20;

// A scanner's line typed into whatever has the focus.
void ScanInto(QWidget* focus, const char* serial) {
  QTest::keyClicks(focus, serial);
  QTest::keyClick(focus, Qt::Key_Return);
}

// A fixture of `n` sockets on simulated boards, scanning and started.
struct ScanningFixture {
  ScanningFixture(MainWindow& window, std::unique_ptr<UnitScanning>& scanning, size_t n,
                  PtyDevice::Behaviour behaviour) {
    std::vector<std::string> ports;
    for (size_t i = 0; i < n; ++i) {
      devices.push_back(
          std::make_unique<PtyDevice>(behaviour, dir.Path("socket" + std::to_string(i + 1))));
      ports.push_back(devices.back()->Path());
    }
    window.SetFixture(ports);
    if (!scanning) scanning = Scanning();  // the window's gates keep the one they were given
    window.EnableScan(*scanning);
    tiles = window.fixture()->Tiles();
    for (size_t i = 0; i < n; ++i) {
      tiles[i]->station().OnEvent([this, i](const LinkEvent& event) {
        if (event.kind == LinkEventKind::Passed) passed[i].push_back(event.serial);
      });
    }
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }
  TempDir dir;
  std::vector<std::unique_ptr<PtyDevice>> devices;
  std::vector<FixtureTile*> tiles;
  std::map<size_t, std::vector<std::string>> passed;  // each socket's passed boards, in order
};

TEST_F(WindowTest, AScanningFixtureGivesEachSerialToTheNextSocketInTurnWhereverTheFocusIs) {
  ScanningFixture f(window, scanning, 4, {});
  FillFromWorkedSet(0);
  window.Start();
  ASSERT_TRUE(f.tiles[0]->station().Running());
  // Eight boards scanned one after the other, while the focus goes round the window: sockets
  // 1 to 4 take the first four, and the next four wait for their socket's board to finish.
  QWidget* const places[] = {Find<QPlainTextEdit>("rtfReceive"),
                             Send(),
                             f.tiles[2]->findChild<QPushButton*>("cmdReset"),
                             f.tiles[3]->SerialBox(),
                             Find<QLineEdit>("txtLoadDir"),
                             f.tiles[1]->findChild<QPushButton*>("cmdTileStop"),
                             f.tiles[0]->SerialBox(),
                             Find<QPushButton>("cmdShow")};
  for (int n = 0; n < 8; ++n) {
    places[n]->setFocus();
    ScanInto(places[n], QString("SN-%1").arg(n + 1).toUtf8().constData());
  }
  EXPECT_TRUE(f.tiles[0]->station().Running()) << "Enter on Stop Transmit was the scan's";
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        for (size_t i = 0; i < 4; ++i) {
          if (f.passed[i].size() < 2) return false;
        }
        return true;
      },
      15000));
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(f.passed[i], (std::vector<std::string>{"SN-" + std::to_string(i + 1),
                                                     "SN-" + std::to_string(i + 5)}))
        << "socket " << i + 1;
  }
  window.fixture()->StopAll();
}

TEST_F(WindowTest, AScannedLabelChoosesTheSocketAndADoubleReadIsOneScan) {
  ScanningFixture f(window, scanning, 3, {.answer = false});
  FillFromWorkedSet(0);
  window.Start();
  QWidget* log = Find<QPlainTextEdit>("rtfReceive");
  log->setFocus();
  const auto held = [&](size_t i) { return f.tiles[i]->station().gate()->Serial(); };
  const struct {
    const char* label;
    size_t socket;
  } labels[] = {{"#3", 2}, {"socket1", 0}};  // its number, or its port's name as the tile shows it
  for (const auto& l : labels) {
    SCOPED_TRACE(l.label);
    ScanInto(log, l.label);
    EXPECT_EQ(LabelText(f.tiles[l.socket], "lblSerial"),
              QString("scan here #%1").arg(l.socket + 1));
    auto* turn = f.tiles[l.socket]->findChild<QLabel*>("lblSerial");
    ASSERT_NE(turn, nullptr);
    turn->ensurePolished();
    EXPECT_GE(QFontInfo(turn->font()).pixelSize(), kRefusalPx) << "large type";
    const std::string serial = std::string("SN-") + l.label;
    ScanInto(log, serial.c_str());
    EXPECT_EQ(held(l.socket), serial);
  }
  EXPECT_EQ(held(1), "") << "no label: the serial went where it was told";
  // A scanner that read a board twice: one scan, not a refusal on the socket whose turn is next.
  ScanInto(log, "SN-7");
  ScanInto(log, "SN-7");
  EXPECT_EQ(held(1), "SN-7");
  EXPECT_EQ(f.tiles[2]->findChild<QLabel*>("lblResult")->text(), "WAITING");
  EXPECT_EQ(LabelText(f.tiles[2], "lblScanNote"), "board SN-#3, attempt 1") << "nothing waits";
  window.fixture()->StopAll();
}

TEST_F(WindowTest, ADoubleReadAfterAFailureStartsNoSecondAttemptOnItsOwn) {
  PtyDevice device({.ack = false});
  window.SetPortText(device.Path());
  FillFromWorkedSet(0);
  scanning = Scanning();
  window.EnableScan(*scanning);
  window.Start();
  auto* box = Find<QLineEdit>("txtSerial");
  ScanInto(box, "SN-1");
  ScanInto(box, "SN-1");  // read twice while the board is being programmed
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.station().tally().Failed() == 1; }, 5000));
  WaitForTicks(Find<QTimer>("Timer1"), 3);
  EXPECT_TRUE(window.station().gate()->Waiting()) << "attempt 2 began without a scan";
  EXPECT_EQ(window.station().gate()->Attempts(), 1);
  window.station().Stop();
}

TEST_F(WindowTest, AScanningRunTakesTheFileCommandsAwayAndTheKeyboardStillMovesOn) {
  PtyDevice device({.answer = false});
  window.SetPortText(device.Path());
  FillFromWorkedSet(0);
  scanning = Scanning();
  window.EnableScan(*scanning);
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  auto* store = Find<QAction>("StoreFile");
  EXPECT_TRUE(OpenFile()->isEnabled() && store->isEnabled()) << "before the run";
  window.Start();
  EXPECT_FALSE(OpenFile()->isEnabled());
  EXPECT_FALSE(store->isEnabled()) << "a serial typed into its dialog would be a file name";
  auto* box = Find<QLineEdit>("txtSerial");
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == box; }, 2000));
  // Space alone types nothing; Tab and Shift+Tab leave the box, and the focus stays where they
  // took it.
  QTest::keyClick(box, Qt::Key_Space);
  EXPECT_EQ(box->text(), "");
  for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
    box->setFocus();
    QTest::keyClick(box, key);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_NE(QApplication::focusWidget(), box) << key;
    EXPECT_NE(QApplication::focusWidget(), nullptr) << key;
  }
  // From Reset, Enter and Space press it; a scanner's line still goes to the box's socket.
  auto* reset = Find<QPushButton>("cmdReset");
  reset->setFocus();
  bool pressed = false;
  QObject::connect(reset, &QPushButton::clicked, [&pressed] { pressed = true; });
  QTest::keyClick(reset, Qt::Key_Space);
  EXPECT_TRUE(pressed);
  ScanInto(reset, "SN-9");
  EXPECT_EQ(window.station().gate()->Serial(), "SN-9");
  QTest::qWait(QApplication::doubleClickInterval() + 50);
  QTest::keyClick(&window, Qt::Key_F5);
  EXPECT_FALSE(window.station().Running());
  EXPECT_TRUE(OpenFile()->isEnabled() && store->isEnabled()) << "after the run";
}

// Handles the next modal dialog, if one opens before the returned timer is deleted.
std::unique_ptr<QTimer> IfModalOpens(std::function<void(QWidget*)> handle) {
  auto poll = std::make_unique<QTimer>();
  QObject::connect(poll.get(), &QTimer::timeout, [handle] {
    if (QWidget* modal = QApplication::activeModalWidget()) handle(modal);
  });
  poll->start(20);
  return poll;
}

TEST_F(WindowTest, ALockedStationKeepsItsPortsThroughEveryStopAndStart) {
  PtyDevice device({.answer = false});
  FillFromWorkedSet(0);
  window.SetPortText(device.Path());
  window.Lock("line3.asv");
  auto* ports = Find<QComboBox>("cboComPort");
  const auto locked = [&] {
    return !ports->isEnabled() && !Find<QWidget>("Frame10")->isEnabled() &&
           !OpenFile()->isEnabled() && !Find<QAction>("StoreFile")->isEnabled();
  };
  EXPECT_TRUE(locked());
  for (int round = 0; round < 2; ++round) {
    for (const bool running : {true, false}) {
      QTest::qWait(QApplication::doubleClickInterval() + 50);
      QTest::keyClick(&window, Qt::Key_F5);
      EXPECT_EQ(window.station().Running(), running) << round;
      EXPECT_TRUE(locked()) << round << (running ? " running" : " stopped");
    }
  }
  // "Several ports…" asks nothing and makes no fixture.
  bool asked = false;
  const auto watch = IfModalOpens([&asked](QWidget* w) {
    asked = true;
    static_cast<QDialog*>(w)->reject();
  });
  window.ChooseFixturePorts();
  EXPECT_FALSE(asked);
  EXPECT_EQ(window.fixture(), nullptr);
}

TEST_F(WindowTest, ARefusedScanTurnsTheBadgeAmberWithAShortReasonReadFromTwoMetres) {
  PtyDevice device({});
  window.SetPortText(device.Path());
  FillFromWorkedSet(0);
  scanning = Scanning();
  window.EnableScan(*scanning);
  window.Start();
  auto* box = Find<QLineEdit>("txtSerial");
  ScanInto(box, "SN-1");
  auto* badge = Find<QLabel>("lblResult");
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return device.Programmed() == 1 && badge->text() == "SCAN"; }, 5000));
  const QString counted = Find<QLabel>("lblProgrammed")->text() + Find<QLabel>("lblFailed")->text();
  const QString status = Find<QLabel>("lblStatus")->toolTip();
  const struct {
    const char* serial;
    const char* word;
    const char* said;
  } refused[] = {{"SN\x01", "not a serial", "the serial holds \\x01"},
                 {"SN-1", "already passed", "board SN-1 already passed at "},
                 {"SN\x01", "not a serial", "the serial holds \\x01"}};
  for (const auto& r : refused) {
    SCOPED_TRACE(r.serial);
    box->insert(QString::fromUtf8(r.serial));
    QTest::keyClick(box, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(badge->text().replace('\n', ' '), r.word);  // on two lines, where that is larger
    EXPECT_TRUE(badge->styleSheet().contains("rgb(255, 170, 0)")) << "amber";
    EXPECT_GE(QFontInfo(badge->font()).pixelSize(), kRefusalPx);
    auto* note = Find<QLabel>("lblScanNote");
    EXPECT_TRUE(note->toolTip().startsWith(r.said)) << note->toolTip().toStdString();
    EXPECT_EQ(Find<QLabel>("lblProgrammed")->text() + Find<QLabel>("lblFailed")->text(), counted)
        << "a refused board is no board";
    EXPECT_EQ(Find<QLabel>("lblStatus")->toolTip(), status);
  }
  ScanInto(box, "SN-2");
  EXPECT_NE(badge->text(), "already passed") << "the next scan takes the refusal away";
  EXPECT_FALSE(badge->styleSheet().contains("rgb(255, 170, 0)"));
  window.station().Stop();

  // A socket of a fixture alike.
  ScanningFixture f(window, scanning, 2, {.answer = false});
  window.Start();
  ScanInto(f.tiles[0]->SerialBox(), "SN-A");
  ScanInto(f.tiles[0]->SerialBox(), "#2");
  ScanInto(f.tiles[0]->SerialBox(), "SN-A");
  auto* tileBadge = f.tiles[1]->findChild<QLabel*>("lblResult");
  EXPECT_EQ(tileBadge->text().replace('\n', ' '), "on another socket");
  EXPECT_TRUE(tileBadge->styleSheet().contains("rgb(255, 170, 0)"));
  EXPECT_GE(QFontInfo(tileBadge->font()).pixelSize(), kRefusalPx);
  window.fixture()->StopAll();
}

// Scanning checked against a line database whose server is not there (its socket folder
// `missing`): every question is answered "not asked".
std::unique_ptr<UnitScanning> ScanningWithoutItsLine(const std::string& missing,
                                                     bool lineOptional) {
  UnitScanning::Options options;
  options.station = "station-1";
  options.lineDb = "host=" + missing + " dbname=ctrlprog_line user=station1";
  options.post = [](std::function<void()> done) {
    QMetaObject::invokeMethod(qApp, std::move(done), Qt::QueuedConnection);
  };
  options.lineOptional = lineOptional;
  return std::make_unique<UnitScanning>(std::move(options));
}

TEST_F(WindowTest, ABoardTheLineDatabaseCannotAnswerForIsHeldUnderAnAmberBadge) {
  PtyDevice device({});
  window.SetPortText(device.Path());
  FillFromWorkedSet(0);
  TempDir dir;
  scanning = ScanningWithoutItsLine(dir.Path("no-server"), false);
  window.EnableScan(*scanning);
  window.Start();
  ScanInto(Find<QLineEdit>("txtSerial"), "SN-9");
  auto* badge = Find<QLabel>("lblResult");
  ASSERT_TRUE(QTest::qWaitFor([&] { return badge->text() == "CANNOT CHECK"; }, 10000))
      << badge->text().toStdString();
  EXPECT_TRUE(badge->styleSheet().contains("rgb(255, 170, 0)")) << "amber";
  EXPECT_TRUE(badge->accessibleName().contains("cannot check SN-9 with the line"))
      << badge->accessibleName().toStdString();
  EXPECT_EQ(device.Programmed(), 0) << "held: no frame";
  // The status line says the board is held, not that the port waits for one.
  const QString status = Find<QLabel>("lblStatus")->toolTip();
  EXPECT_TRUE(status.contains("Holding board SN-9 on " + QString::fromStdString(device.Path())))
      << status.toStdString();
  EXPECT_FALSE(status.contains("Waiting for a board")) << status.toStdString();
  window.station().Stop();

  // A station started to go on without the line says so while it waits for a scan.
  auto optional = ScanningWithoutItsLine(dir.Path("no-server"), true);
  QtSerialPort otherPort;
  MainWindow other(otherPort);
  other.EnableScan(*optional);
  other.SetPortText(device.Path());
  for (int i = 0; i < 16; ++i) other.ComboSelect(i, WorkedSets()[0].texts[static_cast<size_t>(i)]);
  other.Start();
  auto* otherBadge = other.findChild<QLabel*>("lblResult");
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return otherBadge->accessibleName().contains("checked without the line"); }, 5000))
      << otherBadge->accessibleName().toStdString();
  other.station().Stop();
}

TEST_F(WindowTest, AScannersLineNeverClosesABoxTheOperatorHasNotRead) {
  struct Case {
    const char* what;
    bool scanning;
    bool closedByScan;  // the scanner's Enter pressed OK
  };
  for (const Case c : {Case{"scanning", true, false}, Case{"not scanning", false, true}}) {
    SCOPED_TRACE(c.what);
    QtSerialPort otherPort;
    MainWindow other(otherPort);
    std::unique_ptr<UnitScanning> scans = Scanning();
    if (c.scanning) other.EnableScan(*scans);
    bool scannedWhileOpen = false, stillOpen = false, closed = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      QWidget* ok = box->button(QMessageBox::Ok);  // where the focus is in a box of one button
      QTest::keyClicks(ok, "SN-0001");
      QTest::keyClick(ok, Qt::Key_Return);
      scannedWhileOpen = true;
      QApplication::processEvents();
      stillOpen = box->isVisible();
      if (stillOpen) QTest::keyClick(box, Qt::Key_Escape);  // the operator's way out
    });
    other.MessageBox("The record cannot be written");
    closed = true;
    EXPECT_TRUE(scannedWhileOpen);
    EXPECT_EQ(stillOpen, !c.closedByScan);
    EXPECT_TRUE(closed);
  }
}

TEST_F(WindowTest, EveryRowOfAFixtureNamesItsParameterFile) {
  TempDir dir;
  const std::string set = dir.Path("line3.asv");
  {
    std::ofstream out(set);
    for (int i = 0; i < kParameterCount; ++i) out << WorkedSets()[0].texts[i] << "\r\n";
  }
  auto opened = StationSinks::Open({dir.Path("record.csv"), "station-1", std::nullopt, {}});
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<StationSinks>>(opened));
  auto& sinks = *std::get<std::unique_ptr<StationSinks>>(opened);
  PtyDevice left({}, dir.Path("left")), right({}, dir.Path("right"));
  window.AttachSinks(sinks);
  window.SetFixture({left.Path(), right.Path()});
  ASSERT_TRUE(window.form().LoadParameterFile(set));
  window.Start();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return left.Programmed() >= 1 && right.Programmed() >= 1; }, 10000));
  window.fixture()->StopAll();
  ASSERT_EQ(sinks.Finish(), std::nullopt);
  std::ifstream in(dir.Path("record.csv"));
  std::string line;
  std::getline(in, line);  // the header
  int rows = 0;
  while (std::getline(in, line)) {
    ++rows;
    EXPECT_NE(line.find("," + set + ","), std::string::npos) << line;
  }
  EXPECT_GE(rows, 2);
}

// What a start said in its message box, if it showed one, and what it planned.
struct Started {
  std::optional<StartPlan> plan;
  QString box;
};
Started PlanWithBoxes(const QStringList& arguments, const QString& systemConfig) {
  Started started;
  const auto watch = IfModalOpens([&started](QWidget* w) {
    if (auto* box = qobject_cast<QMessageBox*>(w)) started.box = box->text();
    static_cast<QDialog*>(w)->accept();
  });
  started.plan = PlanStart(arguments, systemConfig);
  return started;
}

TEST(StartOptions, TheFloorScreenIsAskedForOrALockedStationsDefault) {
  const StartOptions options;
  const struct {
    QStringList arguments;
    bool floor;
  } cases[] = {
      {{"ctrlprog"}, false},
      {{"ctrlprog", "--floor"}, true},
      {{"ctrlprog", "--lock", "--load", "a.asv"}, true},
      {{"ctrlprog", "--lock", "--load", "a.asv", "--no-floor"}, false},
      {{"ctrlprog", "--floor", "--no-floor"}, false},
  };
  for (const auto& c : cases) {
    QCommandLineParser parser;
    SetUpParser(parser, options);
    ASSERT_TRUE(parser.parse(c.arguments));
    EXPECT_EQ(FloorScreen(parser, options), c.floor) << c.arguments.join(' ').toStdString();
  }
}

TEST_F(WindowTest, AStationConfigurationStartsOnlyTheSetItNamesAndSaysWhyNotInABox) {
  TempDir dir;
  const QString set = QString::fromStdString(dir.Path("scooter.asv"));
  {
    std::ofstream out(set.toStdString());
    for (int i = 0; i < kParameterCount; ++i) out << WorkedSets()[0].texts[i] << "\r\n";
  }
  QFile read(set);
  ASSERT_TRUE(read.open(QIODevice::ReadOnly));
  const QString sha = QCryptographicHash::hash(read.readAll(), QCryptographicHash::Sha256).toHex();
  const QString otherSha = QString(64, 'a');
  const auto ini = [&](const char* name, const QString& text) {
    const QString path = QString::fromStdString(dir.Path(name));
    std::ofstream(path.toStdString()) << text.toStdString();
    return path;
  };
  const QString locked =
      ini("locked.ini", "ports = /dev/ttyUSB0, /dev/ttyUSB1\nfile = scooter.asv\nsha256 = " + sha +
                            "\nlock = true\nscan = yes\nserial_pattern = \"SN-[0-9]{4,6}\"\n");
  const QString changed =
      ini("changed.ini", "file = scooter.asv\nsha256 = " + otherSha + "\nlock = true\n");
  const QString noFile = ini("nofile.ini", "lock = true\n");
  const QString badFlag = ini("badflag.ini", "scan = maybe\n");
  const QString windowed = ini("windowed.ini", "floor = false\nstart = true\n");
  const QString floor = ini("floor.ini", "floor = yes\n");
  const QString unknown = ini("unknown.ini", "prot = /dev/ttyUSB0\n");
  const QString none = QString::fromStdString(dir.Path("none.ini"));
  const QStringList lockedArguments = {
      "ctrlprog", "--port", "/dev/ttyUSB0",     "--port",        "/dev/ttyUSB1", "--load",
      set,        "--scan", "--serial-pattern", "SN-[0-9]{4,6}", "--lock"};
  const struct {
    const char* what;
    QStringList arguments;
    QString systemConfig;
    std::optional<QStringList> planned;  // nothing: refused
    QString boxSays;                     // what the refusal's box holds
  } cases[] = {
      {"the command line alone",
       {"ctrlprog", "--port", "/dev/ttyUSB3"},
       none,
       QStringList{"ctrlprog", "--port", "/dev/ttyUSB3"},
       {}},
      {"--lock without --load", {"ctrlprog", "--lock"}, none, std::nullopt, "--lock needs --load"},
      {"a locked station's set as set up",
       {"ctrlprog", "--station-config", locked},
       none,
       lockedArguments,
       {}},
      {"the system's configuration", {"ctrlprog"}, locked, lockedArguments, {}},
      {"a set changed since", {"ctrlprog", "--station-config", changed}, none, std::nullopt, set},
      {"a lock without its set",
       {"ctrlprog", "--station-config", noFile},
       none,
       std::nullopt,
       "does not name its parameter file"},
      {"a flag neither true nor false", {"ctrlprog"}, badFlag, std::nullopt, "scan = \"maybe\""},
      {"the floor screen turned off",
       {"ctrlprog"},
       windowed,
       QStringList{"ctrlprog", "--start", "--no-floor"},
       {}},
      {"the floor screen", {"ctrlprog"}, floor, QStringList{"ctrlprog", "--floor"}, {}},
      {"a key it does not know", {"ctrlprog"}, unknown, std::nullopt, "prot"},
      {"options besides",
       {"ctrlprog", "--port", "/dev/ttyUSB3"},
       locked,
       std::nullopt,
       "not taken: --port"},
      {"an empty configuration's name is no way round the system's",
       {"ctrlprog", "--station-config=", "--port", "/dev/ttyUSB3"},
       locked,
       std::nullopt,
       "--station-config needs"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Started started = PlanWithBoxes(c.arguments, c.systemConfig);
    EXPECT_EQ(started.plan.has_value(), c.planned.has_value());
    if (started.plan && c.planned) {
      EXPECT_EQ(started.plan->arguments.join('|').toStdString(),
                c.planned->join('|').toStdString());
    }
    if (c.boxSays.isEmpty()) {
      EXPECT_TRUE(started.box.isEmpty()) << started.box.toStdString();
    } else {
      EXPECT_TRUE(started.box.contains(c.boxSays)) << started.box.toStdString();
    }
  }
}

TEST(WindowInChinese, AddedTextsFollowTheSystemLocaleAndSpecifiedTextsStayAsSpecified) {
  ASSERT_TRUE(InstallTranslations(QLocale(QLocale::Chinese, QLocale::China)));
  {
    QtSerialPort port;
    MainWindow window(port);
    window.show();
    auto* badge = window.findChild<QLabel*>("lblResult");
    EXPECT_EQ(badge->text(), "已停止");
    EXPECT_EQ(window.findChild<QLabel*>("lblProgrammed")->text(), "已编程 0");
    EXPECT_EQ(window.findChild<QLabel*>("lblFailed")->text(), "失败 0");
    EXPECT_EQ(window.findChild<QPushButton*>("cmdReset")->text(), "清零");
    EXPECT_EQ(window.findChild<QLabel*>("lblStatus")->toolTip(), "已停止。已编程 0，失败 0。");
    // The specified captions and log lines are the same in every language.
    EXPECT_EQ(window.findChild<QPushButton*>("cmdFileSend")->text(), "Start Transmit");
    EXPECT_EQ(window.findChild<QPushButton*>("cmdShow")->text(), "<<conceal");
    EXPECT_EQ(window.findChild<QLabel*>("Label1(0)")->text(), "Transmit Guage");
    window.form().ReceiveDisplay("Transmit Finished", 3);
    EXPECT_EQ(window.findChild<QPlainTextEdit*>("rtfReceive")->toPlainText(),
              "Transmit Finished\n");
    // Qt's own dialogs speak the operator's language too.
    QString lookIn, cancel;
    WhenModalOpens([&](QWidget* w) {
      if (auto* label = w->findChild<QLabel*>("lookInLabel")) lookIn = label->text();
      for (auto* button : w->findChildren<QPushButton*>()) {
        if (button->text().contains("取消")) cancel = button->text();
      }
      static_cast<QDialog*>(w)->reject();
    });
    window.findChild<QAction*>("OpenFile")->trigger();
    EXPECT_FALSE(lookIn.isEmpty());
    EXPECT_NE(lookIn, "Look in:") << lookIn.toStdString();
    EXPECT_FALSE(cancel.isEmpty()) << "a Cancel button in Chinese";

    // Our own message boxes too: a parameter file that holds too few parameters.
    TranslateMessages(true);
    TempDir dir;
    const std::string shortFile = dir.Path("short.asv");
    {
      std::ofstream out(shortFile);
      for (int i = 0; i < 10; ++i) out << WorkedSets()[0].texts[i] << "\r\n";
    }
    QString text;
    WhenModalOpens([&](QWidget* dialog) {
      CloseNextMessageBox(&text);  // the box the file draws, once the dialog is answered
      qobject_cast<QFileDialog*>(dialog)->setDirectory(QString::fromStdString(dir.Path("")));
      dialog->findChild<QLineEdit*>("fileNameEdit")->setText("short.asv");
      static_cast<QDialog*>(dialog)->accept();
    });
    window.findChild<QAction*>("OpenFile")->trigger();
    EXPECT_EQ(text.toStdString(),
              "参数文件 " + shortFile + " 只含 16 个参数中的 10 个。文件未载入，参数均未改变。");

    // A missing adapter: the advice is chosen by its code, so it says what the English says;
    // the box is titled in the operator's language.
    window.findChild<QComboBox*>("cboComPort")
        ->setEditText(QString::fromStdString(dir.Path("ttyUSB9")));
    for (int i = 0; i < kParameterCount; ++i) {
      window.findChild<QComboBox*>(QString("Combo1(%1)").arg(i))
          ->setCurrentText(QString::fromStdString(WorkedSets()[0].texts[static_cast<size_t>(i)]));
    }
    QString title;
    WhenModalOpens([&](QWidget* w) {
      title = w->windowTitle();
      static_cast<QDialog*>(w)->accept();
    });
    QTest::mouseClick(window.findChild<QPushButton*>("cmdFileSend"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !title.isEmpty(); }, 2000));
    EXPECT_EQ(title, "ctrlprog 电机控制器编程");
    const auto status = [&] { return window.findChild<QLabel*>("lblStatus")->toolTip(); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return status().contains("ttyUSB9"); }, 2000));
    EXPECT_EQ(status().toStdString(), dir.Path("ttyUSB9") + ": 没有此设备——请插入适配器");

    // A refused scan is said on its tile in the operator's language.
    const auto scanning = Scanning();
    {
      QtSerialPort fixturePort;
      MainWindow fixture(fixturePort);
      fixture.SetFixture({"/dev/ttyUSB0", "/dev/ttyUSB1"});
      fixture.EnableScan(*scanning);
      FixtureTile* tile = fixture.fixture()->Tiles()[1];
      EXPECT_EQ(fixture.findChild<QLabel*>("lblStatus")->toolTip(),
                "治具共 2 个端口，0 个运行中。已编程 0，失败 0。");
      EXPECT_EQ(tile->SerialBox()->accessibleName(), "序列号");
      tile->SerialBox()->setText(QString(65, 'x'));
      QTest::keyClick(tile->SerialBox(), Qt::Key_Return);
      EXPECT_EQ(tile->findChild<QLabel*>("lblScanNote")->text().toStdString(),
                "序列号有 65 个字符，超过 64 个");
    }
    // A refused start, in a box, in the operator's language.
    const Started started = PlanWithBoxes({"ctrlprog", "--lock"}, "/nonexistent/station.ini");
    EXPECT_FALSE(started.plan.has_value());
    EXPECT_EQ(started.box, "--lock 需要 --load 文件：本工位编程所用的参数集。");
    // A configuration that cannot be read says why by the system's code, whole in Chinese.
    const QString missing = QString::fromStdString(dir.Path("missing.ini"));
    EXPECT_EQ(PlanWithBoxes({"ctrlprog", "--station-config", missing}, "").box,
              "无法读取本工位的配置 " + missing + "：没有该文件或文件夹。");
    TranslateMessages(false);
  }
  InstallTranslations(QLocale::c());
}

// The rows and columns of `label` its text is drawn on: where it differs from the background.
QRect Ink(QLabel* label) {
  const QImage image = label->grab().toImage();
  const QColor background = image.pixelColor(1, 1);
  QRect ink;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      const int far = std::abs(c.red() - background.red()) +
                      std::abs(c.green() - background.green()) +
                      std::abs(c.blue() - background.blue());
      if (far > 150) ink |= QRect(x, y, 1, 1);
    }
  }
  return ink;
}

TEST(WindowInChinese, EveryBadgeWordIsDrawnWholeInsideItsBadge) {
  ASSERT_TRUE(InstallTranslations(QLocale(QLocale::Chinese, QLocale::China)));
  {
    // A fixture socket of the least size, and the concealed window's panel at its own.
    ResultPanel tile;
    tile.SetLayout(ResultPanel::Layout::Tile);
    tile.resize(FixtureView::kTileWidth - 8, FixtureView::kTileHeight - 40);
    QtSerialPort port;
    MainWindow window(port);
    window.form().cmdShow_Click();
    window.show();
    auto* concealed = window.findChild<ResultPanel*>();
    tile.show();
    ScanShown waiting;
    waiting.waiting = true;
    Tally passed;
    LinkEvent pass;
    pass.kind = LinkEventKind::Passed;
    passed.Count(pass);
    const std::pair<Link::Condition, std::optional<ScanShown>> shown[] = {
        {Link::Condition::Waiting, waiting},           // 请扫描
        {Link::Condition::Programming, std::nullopt},  // 编程中
        {Link::Condition::Stopped, std::nullopt},      // 已停止
        {Link::Condition::Lost, std::nullopt},
    };
    for (ResultPanel* panel : {&tile, concealed}) {
      for (const auto& [condition, scan] : shown) {
        panel->Show(condition, condition == Link::Condition::Waiting ? passed : Tally(), scan);
        QApplication::processEvents();
        auto* badge = panel->findChild<QLabel*>("lblResult");
        const QRect ink = Ink(badge);
        const std::string word = badge->text().toStdString();
        // In a tile the words read from two metres; the concealed window's badge is as high as
        // specified (26 px), where they take what it has.
        EXPECT_GE(QFontInfo(badge->font()).pixelSize(),
                  panel == &tile ? ResultPanel::kReadableBadgePx : 22)
            << word;
        ASSERT_FALSE(ink.isEmpty()) << word;
        EXPECT_GT(ink.top(), 0) << word << " is cut at the top";
        EXPECT_LT(ink.bottom(), badge->height() - 1) << word << " is cut at the bottom";
        EXPECT_GT(ink.left(), 0) << word;
        EXPECT_LT(ink.right(), badge->width() - 1) << word;
      }
    }
  }
  InstallTranslations(QLocale::c());
}

}  // namespace
}  // namespace ctrlprog
