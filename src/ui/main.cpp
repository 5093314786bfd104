// ctrlprog: the window.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string_view>
#include <variant>

#include "files/file_system.h"
#include "files/production_record.h"
#include "form/frm_main.h"
#include "front/argument_bytes.h"
#include "front/line_db_wait.h"
#include "front/translations.h"
#include "linedb/journal.h"
#include "link/qt/qt_serial_port.h"
#include "scan/serial_check.h"
#include "station/station_sinks.h"
#include "station/unit_scanning.h"
#include "ui/fixture_view.h"
#include "ui/main_window.h"

namespace {

struct Options {
  QCommandLineOption port{"port",
                          "Put TEXT in the port box instead of \"1\". Given more than once, the "
                          "window shows a fixture: one tile a port, all run by one Start.",
                          "TEXT"};
  QCommandLineOption load{"load", "Load the parameter file FILE at start-up.", "FILE"};
  QCommandLineOption record{
      "record",
      "Append a row for every board programmed or failed, and every lost or restored line, to "
      "the CSV file FILE.",
      "FILE"};
  QCommandLineOption lineDb{
      "line-db",
      "Forward every row of the record to the line's PostgreSQL database URI (a libpq URI or "
      "keyword string; passwords from ~/.pgpass or PGPASSWORD). Without --record the record is "
      "$XDG_STATE_HOME/ctrlprog/record.csv.",
      "URI"};
  QCommandLineOption station{"station",
                             "This station's name in the record (default: the host name).", "NAME"};
  QCommandLineOption lock{"lock",
                          "A locked station, for a line PC: the parameter lists, OpenFile, "
                          "StoreFile and conceal stay disabled; Start, Stop and Reset work. Needs "
                          "--load FILE."};
  QCommandLineOption start{"start",
                           "Press \"Start Transmit\" once the window is up, for a station that "
                           "boots into the tool."};
  QCommandLineOption scan{"scan",
                          "No scan, no board: a \"Serial\" box (each tile's, in a fixture) takes "
                          "a scanner's line; a port polls only while it holds a serial without a "
                          "result. A board that passed in the record or on the line database is "
                          "refused unless --rework is given."};
  QCommandLineOption serialPattern{"serial-pattern",
                                   "With --scan: a serial must match REGEX whole.", "REGEX"};
  QCommandLineOption rework{"rework",
                            "With --scan: a board that passed may be programmed again, its "
                            "attempts counted on."};
};

void SetUp(QCommandLineParser& parser, const Options& options) {
  QCoreApplication::setApplicationName("ctrlprog");
  QCoreApplication::setApplicationVersion(CTRLPROG_VERSION);
  parser.setApplicationDescription("Programs the parameters of a motor-controller board.");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOption(options.port);
  parser.addOption(options.load);
  parser.addOption(options.record);
  parser.addOption(options.lineDb);
  parser.addOption(options.station);
  parser.addOption(options.lock);
  parser.addOption(options.start);
  parser.addOption(options.scan);
  parser.addOption(options.serialPattern);
  parser.addOption(options.rework);
}

// What the scanning options lack or break, said before any window opens; nothing when fine.
std::optional<std::string> ScanProblem(const QCommandLineParser& parser, const Options& options) {
  if (!parser.isSet(options.scan)) {
    if (parser.isSet(options.rework) || parser.isSet(options.serialPattern)) {
      return "--rework and --serial-pattern need --scan";
    }
    return std::nullopt;
  }
  if (parser.isSet(options.serialPattern) &&
      ctrlprog::UnitScanning::PatternProblem(parser.value(options.serialPattern).toStdString())) {
    return "--serial-pattern takes a regular expression, not '" +
           parser.value(options.serialPattern).toStdString() + "'";
  }
  if (parser.isSet(options.record)) {
    return ctrlprog::ScannedRecordRefusal(ctrlprog::ArgumentBytes(parser.value(options.record)));
  }
  return std::nullopt;
}

// Help and version are printed without opening a window, so they need no display.
bool OnlyPrints(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "-h" || a == "--help" || a == "--help-all" || a == "-v" || a == "--version") {
      return true;
    }
  }
  return false;
}

// Opens the record and the line database as the options say, and waits for the server's word;
// the sinks, or the exit code after saying why.
std::variant<std::unique_ptr<ctrlprog::StationSinks>, int> OpenSinks(
    const QCommandLineParser& parser, const Options& options) {
  ctrlprog::SinkOptions sinkOptions{
      std::nullopt, ctrlprog::StationName(), std::nullopt,
      [](const std::string& news) { std::fprintf(stderr, "ctrlprog: %s\n", news.c_str()); }};
  if (parser.isSet(options.record)) {
    sinkOptions.recordPath = ctrlprog::ArgumentBytes(parser.value(options.record));
  }
  if (parser.isSet(options.lineDb)) sinkOptions.lineDb = parser.value(options.lineDb).toStdString();
  if (parser.isSet(options.station)) {
    sinkOptions.station = parser.value(options.station).toStdString();
    if (sinkOptions.station.empty() || sinkOptions.station.size() > ctrlprog::kMaxStationBytes) {
      std::fprintf(stderr, "ctrlprog: --station takes a name of 1 to %zu bytes\n",
                   ctrlprog::kMaxStationBytes);
      return 2;
    }
  }
  auto opened = ctrlprog::StationSinks::Open(std::move(sinkOptions));
  std::string refusal;
  if (const auto* message = std::get_if<std::string>(&opened)) refusal = *message;
  if (refusal.empty()) {
    // The line database is asked on its own thread, for at most its connect timeout; what it
    // refuses for good is said before the window opens.
    const auto& sinks = *std::get<std::unique_ptr<ctrlprog::StationSinks>>(opened);
    ctrlprog::AwaitLineDbVerdict(sinks);
    if (const auto verdict = sinks.LineDbVerdict(); verdict && verdict->final()) {
      refusal = verdict->message;
    }
  }
  if (!refusal.empty()) {
    std::fprintf(stderr, "ctrlprog: %s\n", refusal.c_str());
    QMessageBox::critical(nullptr, ctrlprog::MainWindow::kTitle, QString::fromStdString(refusal));
    return 2;
  }
  return std::move(std::get<std::unique_ptr<ctrlprog::StationSinks>>(opened));
}

// The window on its port and sinks, until it is closed; the exit status.
int RunWindow(const QCommandLineParser& parser, const Options& options,
              ctrlprog::StationSinks& sinks) {
  ctrlprog::QtSerialPort serial;
  std::unique_ptr<ctrlprog::UnitScanning> scanning;  // outlives the window's gates
  ctrlprog::MainWindow window(serial);
  window.AttachSinks(sinks);
  // Several ports: a fixture, one tile each.
  if (const QStringList ports = parser.values(options.port); ports.size() > 1) {
    std::vector<std::string> devices;
    for (const QString& port : ports) devices.push_back(ctrlprog::ArgumentBytes(port));
    window.SetFixture(devices);
  }
  if (parser.isSet(options.scan)) {
    scanning = std::make_unique<ctrlprog::UnitScanning>(ctrlprog::UnitScanning::Options{
        parser.isSet(options.serialPattern)
            ? std::optional(parser.value(options.serialPattern).toStdString())
            : std::nullopt,
        parser.isSet(options.rework),
        parser.isSet(options.station) ? parser.value(options.station).toStdString()
                                      : ctrlprog::StationName(),
        sinks.RecordPath(),
        parser.isSet(options.lineDb) ? std::optional(parser.value(options.lineDb).toStdString())
                                     : std::nullopt,
        [](std::function<void()> done) {
          QMetaObject::invokeMethod(qApp, std::move(done), Qt::QueuedConnection);
        }});
    window.EnableScan(*scanning);
  }
  if (ctrlprog::LineForwarder* forwarder = sinks.forwarder()) {
    window.ShowLineRecord([forwarder] { return forwarder->Waiting(); }, sinks.RecordPath());
  }
  if (parser.values(options.port).size() == 1) {
    window.SetPortText(ctrlprog::ArgumentBytes(parser.value(options.port)));
  }
  window.show();
  bool loaded = true;
  if (parser.isSet(options.load)) {
    loaded = window.form().LoadParameterFile(ctrlprog::ArgumentBytes(parser.value(options.load)));
  }
  if (parser.isSet(options.lock)) {
    // A locked station without its set could program nothing: it says why and ends.
    if (!loaded) return 2;
    window.Lock(QFileInfo(parser.value(options.load)).fileName().toStdString());
  }
  // Only with the set it was told to load: a file that failed has said why already.
  if (parser.isSet(options.start) && loaded) {
    QTimer::singleShot(0, &window, [&window] { window.Start(); });
  }
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  const Options options;
  if (OnlyPrints(argc, argv)) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    SetUp(parser, options);
    parser.process(app);  // prints and ends the program
    return 0;
  }
  ctrlprog::KeepArgumentBytes(argc, argv);
  QApplication app(argc, argv);
  ctrlprog::InstallTranslations();    // the texts this project added, in the system's language
  ctrlprog::TranslateMessages(true);  // every text the window shows is for a person
  QCommandLineParser parser;
  SetUp(parser, options);
  parser.process(app);
  if (parser.isSet(options.lock) && !parser.isSet(options.load)) {
    std::fprintf(stderr, "ctrlprog: --lock needs --load FILE, the set the station programs\n");
    return 2;
  }
  if (const auto problem = ScanProblem(parser, options)) {
    std::fprintf(stderr, "ctrlprog: %s\n", problem->c_str());
    QMessageBox::critical(nullptr, ctrlprog::MainWindow::kTitle, QString::fromStdString(*problem));
    return 2;
  }
  auto opened = OpenSinks(parser, options);
  if (const int* code = std::get_if<int>(&opened)) return *code;
  const auto sinks = std::move(std::get<std::unique_ptr<ctrlprog::StationSinks>>(opened));
  const int status = RunWindow(parser, options, *sinks);
  // The window stopped any transfer as it closed; what it recorded last is stored before the
  // program ends.
  if (const auto failure = sinks->Finish()) {
    std::fprintf(stderr, "ctrlprog: %s\n", failure->c_str());
    return 74;
  }
  return status;
}
