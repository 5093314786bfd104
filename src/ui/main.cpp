// ctrlprog: the window.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string_view>
#include <variant>

#include "files/file_system.h"
#include "files/production_record.h"
#include "files/record_periods.h"
#include "form/frm_main.h"
#include "front/argument_bytes.h"
#include "front/line_db_wait.h"
#include "front/posted_call.h"
#include "front/translations.h"
#include "index/record_index.h"
#include "linedb/journal.h"
#include "link/qt/qt_serial_port.h"
#include "model/say.h"
#include "model/utf8.h"
#include "scan/serial_check.h"
#include "station/station_sinks.h"
#include "station/unit_scanning.h"
#include "ui/fixture_view.h"
#include "ui/main_window.h"
#include "ui/start_options.h"

namespace {

using Options = ctrlprog::StartOptions;

QString Tr(const char* text) {
  return QCoreApplication::translate("Start", text);
}

// What the scanning options lack or break, said before any window opens; nothing when fine.
std::optional<std::string> ScanProblem(const QCommandLineParser& parser, const Options& options) {
  if (!parser.isSet(options.scan)) {
    if (parser.isSet(options.rework) || parser.isSet(options.serialPattern)) {
      return Tr("--rework and --serial-pattern need --scan").toStdString();
    }
    return std::nullopt;
  }
  if (parser.isSet(options.serialPattern) &&
      ctrlprog::UnitScanning::PatternProblem(parser.value(options.serialPattern).toStdString())) {
    return Tr("--serial-pattern takes a regular expression, not '%1'")
        .arg(parser.value(options.serialPattern))
        .toStdString();
  }
  if (parser.isSet(options.lineOptional) && !parser.isSet(options.lineDb)) {
    return Tr("--line-optional needs --scan and --line-db").toStdString();
  }
  if (parser.isSet(options.record)) {
    return ctrlprog::ScannedRecordRefusal(ctrlprog::ArgumentBytes(parser.value(options.record)),
                                          parser.isSet(options.lineOptional));
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
  if (parser.isSet(options.recordRotate)) {
    const auto rotation = ctrlprog::RotationNamed(parser.value(options.recordRotate).toStdString());
    if (!rotation) {
      std::fprintf(stderr, "ctrlprog: --record-rotate takes daily or monthly\n");
      return 2;
    }
    sinkOptions.rotation = *rotation;
  }
  if (parser.isSet(options.station)) {
    sinkOptions.station = parser.value(options.station).toStdString();
    if (sinkOptions.station.empty() || sinkOptions.station.size() > ctrlprog::kMaxStationBytes) {
      ctrlprog::RefuseStart(
          Tr("--station takes a name of 1 to %1 bytes").arg(ctrlprog::kMaxStationBytes));
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
    ctrlprog::RefuseStart(QString::fromStdString(refusal));
    return 2;
  }
  return std::move(std::get<std::unique_ptr<ctrlprog::StationSinks>>(opened));
}

// The window on its port and sinks, until it is closed; the exit status.
// The scanning the options ask for, on the record `sinks` keep.
std::unique_ptr<ctrlprog::UnitScanning> ScanningFor(const QCommandLineParser& parser,
                                                    const Options& options,
                                                    ctrlprog::StationSinks& sinks) {
  // The first start on a long record reads it into its index once: a bar shows how far.
  std::unique_ptr<QProgressDialog> indexing;
  const auto indexProgress = [&indexing, &sinks](uint64_t done, uint64_t total) {
    if (!indexing) {
      if (done >= total || total < ctrlprog::RecordIndex::kWorthShowing) return;
      indexing = std::make_unique<QProgressDialog>(
          QString::fromStdString(
              ctrlprog::Say("Indexing the record %1 once; the next start opens at once.",
                            {ctrlprog::EscapeName(sinks.RecordPath())})),
          QString(), 0, 1000);
      indexing->setWindowTitle(ctrlprog::MainWindow::kTitle);
      indexing->setWindowModality(Qt::ApplicationModal);
      indexing->setMinimumDuration(0);
    }
    indexing->setValue(total ? static_cast<int>(done * 1000 / total) : 1000);
  };
  auto scanning = std::make_unique<ctrlprog::UnitScanning>(ctrlprog::UnitScanning::Options{
      parser.isSet(options.serialPattern)
          ? std::optional(parser.value(options.serialPattern).toStdString())
          : std::nullopt,
      parser.isSet(options.rework),
      parser.isSet(options.station) ? parser.value(options.station).toStdString()
                                    : ctrlprog::StationName(),
      sinks.RecordPath(),
      parser.isSet(options.lineDb) ? std::optional(parser.value(options.lineDb).toStdString())
                                   : std::nullopt,
      [calls = new ctrlprog::PostedCalls(qApp)](std::function<void()> done) {
        calls->Post(std::move(done));
      },
      parser.isSet(options.lineOptional), indexProgress});
  return scanning;
}

int RunWindow(const QCommandLineParser& parser, const Options& options,
              const ctrlprog::StartPlan& plan, ctrlprog::StationSinks& sinks) {
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
    scanning = ScanningFor(parser, options, sinks);
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
  // The set loaded is the one the configuration names: checked again now it is on screen, so a
  // file changed meanwhile is not programmed either.
  if (loaded && !plan.sha256.isEmpty()) {
    if (const auto changed =
            ctrlprog::SetChanged(parser.value(options.load), plan.sha256, plan.config)) {
      ctrlprog::RefuseStart(*changed);
      return 2;
    }
  }
  if (parser.isSet(options.lock)) {
    // A locked station without its set could program nothing: it says why and ends.
    if (!loaded) return 2;
    window.Lock(QFileInfo(parser.value(options.load)).fileName().toStdString());
  }
  // The floor screen names the set it programs, so a wrong set is seen from across the line.
  if (ctrlprog::FloorScreen(parser, options)) {
    const QString path = parser.value(options.load);
    const QString hash = loaded && !path.isEmpty() ? ctrlprog::FileSha256(path) : QString();
    window.ShowFloor(hash.isEmpty() ? QString() : QFileInfo(path).fileName(), hash.left(8));
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
    ctrlprog::SetUpParser(parser, options);
    parser.process(app);  // prints and ends the program
    return 0;
  }
  ctrlprog::KeepArgumentBytes(argc, argv);
  QApplication app(argc, argv);
  ctrlprog::InstallTranslations();    // the texts this project added, in the system's language
  ctrlprog::TranslateMessages(true);  // every text the window shows is for a person
  // A station's configuration file, where one applies, says what the command line would.
  const auto plan =
      ctrlprog::PlanStart(QCoreApplication::arguments(), ctrlprog::kSystemStationConfig);
  if (!plan) return 2;
  QCommandLineParser parser;
  ctrlprog::SetUpParser(parser, options);
  parser.process(plan->arguments);
  if (const auto problem = ScanProblem(parser, options)) {
    ctrlprog::RefuseStart(QString::fromStdString(*problem));
    return 2;
  }
  auto opened = OpenSinks(parser, options);
  if (const int* code = std::get_if<int>(&opened)) return *code;
  const auto sinks = std::move(std::get<std::unique_ptr<ctrlprog::StationSinks>>(opened));
  const int status = RunWindow(parser, options, *plan, *sinks);
  // The window stopped any transfer as it closed; what it recorded last is stored before the
  // program ends.
  if (const auto failure = sinks->Finish()) {
    std::fprintf(stderr, "ctrlprog: %s\n", failure->c_str());
    return 74;
  }
  return status;
}
