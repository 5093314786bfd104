// ctrlprog-cli program driving several ports in one process, run as a program against boards on
// pseudo-terminals that the test's event loop serves.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <map>

#include "files/record_rows.h"
#include "model/hex.h"
#include "support/comma_locale.h"
#include "support/pty_device.h"
#include "support/temp_dir.h"
#include "support/worked_sets.h"

namespace ctrlprog {
namespace {

using testing::PtyDevice;
using testing::TempDir;

struct CliRun {
  int exitCode = -1;
  QList<QByteArray> lines;  // stdout
  QByteArray errors;        // stderr
};

// Runs ctrlprog-cli with `args`, serving the boards meanwhile. With `closedPipe` its stdout is a
// pipe whose reader has gone; with `sizeLimit` no file it writes may grow past that many KiB.
CliRun RunCli(const QStringList& args, bool closedPipe = false, int sizeLimit = 0,
              const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
  QProcess cli;
  cli.setProcessEnvironment(env);
  if (sizeLimit) {
    cli.start("bash", QStringList{"-c", QString(R"(ulimit -f %1; exec "$0" "$@")").arg(sizeLimit),
                                  CTRLPROG_CLI} +
                          args);
  } else if (closedPipe) {
    cli.start("bash",
              QStringList{"-c", R"((sleep 0.3; exec "$0" "$@") | true; exit ${PIPESTATUS[0]})",
                          CTRLPROG_CLI} +
                  args);
  } else {
    cli.start(CTRLPROG_CLI, args);
  }
  EXPECT_TRUE(cli.waitForStarted());
  EXPECT_TRUE(QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 30000));
  CliRun run;
  run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
  run.lines = cli.readAllStandardOutput().split('\n');
  run.lines.removeAll("");
  run.errors = cli.readAllStandardError();
  return run;
}

TEST(SeveralPorts, EachPortGetsItsBoardsItsEventsAndItsRowsAndABadPortIsLeftOut) {
  TempDir dir;
  std::vector<std::unique_ptr<PtyDevice>> boards;
  QStringList args = {"program"};
  for (int i = 0; i < 3; ++i) {
    boards.push_back(
        std::make_unique<PtyDevice>(PtyDevice::Behaviour{}, dir.Path("board" + std::to_string(i))));
    args << "--port" << QString::fromStdString(boards.back()->Path());
  }
  const QString bad = QString::fromStdString(dir.Path("no-such-port"));
  const std::string record = dir.Path("record.csv");
  args << "--port" << bad << "--file" << CTRLPROG_EXAMPLES "/example.asv"
       << "--count"
       << "2"
       << "--timeout"
       << "20"
       << "--json"
       << "--record" << QString::fromStdString(record);
  const CliRun run = RunCli(args);

  EXPECT_EQ(run.exitCode, 1) << "a port that failed to open makes the run exit 1";
  EXPECT_TRUE(run.errors.contains(bad.toUtf8() + ": This Comm is no use")) << run.errors.data();
  std::map<QString, std::map<QString, int>> events;  // port -> event -> count
  std::map<QString, QJsonObject> summaries;
  for (const QByteArray& line : run.lines) {
    QJsonParseError error{};
    const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line.data();
    EXPECT_TRUE(o.contains("time") && o.contains("port") && o.contains("event")) << line.data();
    ++events[o["port"].toString()][o["event"].toString()];
    if (o["event"] == "summary") summaries[o["port"].toString()] = o;
  }

  const ParameterFrame expected = testing::FrameOf(testing::WorkedSets()[1]);
  for (const auto& board : boards) {
    const QString port = QString::fromStdString(board->Path());
    EXPECT_EQ(board->Programmed(), 2) << board->Path();
    EXPECT_EQ(board->FirstFrame(), std::vector<uint8_t>(expected.begin(), expected.end()));
    EXPECT_EQ(events[port]["started"], 1);
    EXPECT_EQ(events[port]["finished"], board->Programmed());
    EXPECT_EQ(events[port]["closed"], 1);
    ASSERT_TRUE(summaries.count(port)) << port.toStdString();
    EXPECT_EQ(summaries[port]["programmed"].toInt(), board->Programmed());
    EXPECT_EQ(summaries[port]["failed"].toInt(), 0);
  }
  EXPECT_EQ(summaries.count(bad), 0u) << "a port that never opened has no summary";
  EXPECT_EQ(events[bad]["refused"], 1) << "refused, with its reason";
  EXPECT_EQ(events[bad]["closed"], 0) << "never opened, never closed";

  // One row per board, each naming its port and the frame it got.
  const std::string rows = TempDir::Read(record);
  for (const auto& board : boards) {
    size_t n = 0;
    for (size_t at = 0; (at = rows.find("," + board->Path() + ",", at)) != std::string::npos;
         ++at) {
      ++n;
    }
    EXPECT_EQ(n, 2u) << board->Path();
  }
  EXPECT_NE(rows.find(ToHex(expected) + ",PASS,"), std::string::npos);
}

TEST(SeveralPorts, OutputToAClosedPipeStopsTheRunWithExit74) {
  TempDir dir;
  PtyDevice a({.answer = false}, dir.Path("a")), b({.answer = false}, dir.Path("b"));
  const CliRun run = RunCli({"program", "--port", QString::fromStdString(a.Path()), "--port",
                             QString::fromStdString(b.Path()), "--file",
                             CTRLPROG_EXAMPLES "/example.asv", "--timeout", "10"},
                            true);
  EXPECT_EQ(run.exitCode, 74);
  EXPECT_TRUE(run.errors.contains("cannot write the log to standard output")) << run.errors.data();
}

TEST(SeveralPorts, NumbersAndMessagesAreTheSameInACommaDecimalLocale) {
  TempDir dir;
  PtyDevice board({}, dir.Path("board"));
  QProcessEnvironment german = QProcessEnvironment::systemEnvironment();
  german.insert("LOCPATH", QString::fromStdString(testing::CommaLocalePath()));
  german.insert("LC_ALL", testing::kCommaLocale);
  const QStringList args = {"program",
                            "--port",
                            QString::fromStdString(board.Path()),
                            "--port",
                            "/dev/null",
                            "--file",
                            CTRLPROG_EXAMPLES "/example.asv",
                            "--count",
                            "1",
                            "--timeout",
                            "2.5",
                            "--json"};
  const CliRun run = RunCli(args, false, 0, german);
  EXPECT_EQ(run.exitCode, 1) << "2.5 is a number here too; /dev/null is no port"
                             << run.errors.data();
  bool summary = false;
  for (const QByteArray& line : run.lines) {
    QJsonParseError error{};
    const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line.data();
    if (o["event"] == "summary") summary = o["seconds"].isDouble();
    if (o["event"] == "refused") {
      EXPECT_EQ(o["reason"].toString(), "Inappropriate ioctl for device") << "not in German";
    }
  }
  EXPECT_TRUE(summary);
}

TEST(SeveralPorts, ARecordThatFailsStopsEveryPortBeforeItsNextFrameAndEndsTheRunWith74) {
  TempDir dir;
  std::vector<std::unique_ptr<PtyDevice>> boards;
  QStringList args = {"program",
                      "--file",
                      CTRLPROG_EXAMPLES "/example.asv",
                      "--count",
                      "50",
                      "--timeout",
                      "40",
                      "--json",
                      "--record",
                      QString::fromStdString(dir.Path("record.csv"))};
  for (int i = 0; i < 3; ++i) {
    boards.push_back(
        std::make_unique<PtyDevice>(PtyDevice::Behaviour{}, dir.Path("d" + std::to_string(i))));
    args << "--port" << QString::fromStdString(boards.back()->Path());
  }
  const auto started = std::chrono::steady_clock::now();
  const CliRun run = RunCli(args, false, 1);  // room for a handful of rows
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20)) << "promptly";
  EXPECT_EQ(run.exitCode, 74);
  EXPECT_TRUE(run.errors.contains("could not be written: the disk is full")) << run.errors.data();

  const std::string text = TempDir::Read(dir.Path("record.csv"));
  const size_t rows = testing::RowsOf(text).size() - 1;  // whole rows only, after the header
  long programmed = 0;
  for (const auto& board : boards) programmed += board->Programmed();
  // A board whose frame was already out when the record failed may finish; no frame goes out
  // after it, so at most one board per port, and the failed row's, miss the record.
  EXPECT_GE(programmed, static_cast<long>(rows));
  EXPECT_LE(programmed, static_cast<long>(rows) + 3)
      << programmed << " boards, " << rows << " rows";
  int failedEvents = 0;
  for (const QByteArray& line : run.lines) failedEvents += line.contains("\"record_failed\"");
  EXPECT_EQ(failedEvents, 1);
}

}  // namespace
}  // namespace ctrlprog
