#include "cli/program_command.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <regex>
#include <variant>
#include <vector>

#include "cli/console_services.h"
#include "cli/encode_command.h"
#include "cli/json_lines.h"
#include "cli/program_output.h"
#include "files/file_system.h"
#include "files/production_record.h"
#include "front/line_db_wait.h"
#include "front/posted_call.h"
#include "index/record_index.h"
#include "link/qt/detected_ports.h"
#include "link/qt/qt_serial_port.h"
#include "model/say.h"
#include "model/utf8.h"
#include "scan/serial_check.h"
#include "scan/unit_gate.h"
#include "station/station.h"
#include "station/station_sinks.h"
#include "station/unit_scanning.h"

namespace ctrlprog {
namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int signo) {
  const int savedErrno = errno;  // the interrupted code may be about to read it
  const char byte = static_cast<char>(signo);
  // Non-blocking: should the loop never drain the pair, a signal is dropped, never a hang.
  [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
  errno = savedErrno;
}

// SIGINT, SIGTERM and SIGHUP (the terminal closed) reach the event loop as a byte on a socket
// pair, so each stops the run the way "Stop Transmit" does and the port is closed behind it.
bool CatchStopSignals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return false;
  ::fcntl(signalPipe[1], F_SETFL, ::fcntl(signalPipe[1], F_GETFL) | O_NONBLOCK);
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGHUP, &sa, nullptr);
  // A closed pipe on stdout is a write error to report, not a silent death.
  ::signal(SIGPIPE, SIG_IGN);
  return true;
}

// Why a port did not open, on the line after whatever the window would have said: a script has
// nobody to look at the screen.
// The advice is chosen by the cause's code, whole in the operator's language: the platform's own
// words (English whatever the locale) stay out of it.
void PrintOpenFailure(const std::string& portText, int error, OpenCause cause,
                      const std::string& reason) {
  if (error == kCommOk || reason.empty()) return;  // the parameter check stopped it and said why
  std::fprintf(
      stderr, "ctrlprog-cli: %s\n",
      Say("cannot open port %1: %2", {EscapeName(portText), OpenCauseAdvice(cause)}).c_str());
}

// One port of the run: the console's services and the Qt port under its station.
struct ConsolePort {
  explicit ConsolePort(std::shared_ptr<TickScheduler> ticks) : ui(std::move(ticks)) {}
  std::string port;  // as given on the command line
  ConsoleServices ui;
  QtSerialPort serial;
  Station station{ui, serial};
  std::deque<std::string> scans;  // scanned while its board had no result yet, in order
};

// One `ctrlprog-cli program`: its stations, the loop they run in, and what it prints.
class ProgramRun {
 public:
  ProgramRun(const ProgramOptions& options, StationSinks& sinks, QSocketNotifier& stopSignals)
      : options_(options), sinks_(sinks), output_(options.json, options.ports.size() > 1) {
    QObject::connect(&stopSignals, &QSocketNotifier::activated, &run_, [this] {
      char signo = 0;
      if (::read(signalPipe[0], &signo, 1) == 1) Stop(128 + static_cast<unsigned char>(signo));
    });
  }

  // Every port with its set loaded and its rows wired; false when the file would not load.
  bool Build();
  // Presses "Start Transmit" on every port; whether any opened.
  bool StartAll();
  // Until every port has its boards, the time is up, a signal, or a failure.
  void Loop();
  // Stores what is left, prints the summaries; the exit code.
  int Finish();

 private:
  void OnEvent(ConsolePort& p, const LinkEvent& event);
  // Stops every port, then the loop, with `code`.
  void Stop(int code);
  void StopAll() {
    for (auto& p : ports_) p->station.Stop();
  }
  void CheckOutput();
  bool EveryOpenedPortDone() const;
  void WatchLineRecord();
  // With --scan: serials from standard input, one a line ("SERIAL", or "PORT SERIAL" where
  // there are several ports); the run ends at the end of input once every board has its result.
  void ReadScans();
  void TakeScan(std::string_view line);
  void EndIfScansDone();
  void OfferScans();

  const ProgramOptions& options_;
  StationSinks& sinks_;
  ProgramOutput output_;
  // The context of every timer this run starts: they capture it, and go with it.
  QObject run_;
  QTimer lineWatch_;
  int64_t lastWaiting_ = -1;                // said once at the start, then whenever it changes
  std::unique_ptr<UnitScanning> scanning_;  // with --scan; outlives the gates
  std::vector<std::unique_ptr<ConsolePort>> ports_;
  std::unique_ptr<QSocketNotifier> scans_;
  std::string scanned_;  // input not yet ended by a line break
  bool scansEnded_ = false;
  int exitCode_ = kExitOk;
  bool stopping_ = false;
  bool recordFailed_ = false;
  bool anyFailed_ = false;
};

bool ProgramRun::Build() {
  if (options_.scan) {
    // A board that passed at another station is known from the line database, when it answers.
    scanning_ = std::make_unique<UnitScanning>(
        UnitScanning::Options{
            options_.serialPattern, options_.rework, options_.station.value_or(StationName()),
            sinks_.RecordPath(), options_.lineDb,
            [calls = new PostedCalls(&run_)](std::function<void()> done) {
              calls->Post(std::move(done));
            },
            options_.lineOptional,
            [said = -1, path = sinks_.RecordPath()](uint64_t done, uint64_t total) mutable {
              // The first start on a long record reads it into its index once: said every tenth.
              if (total < RecordIndex::kWorthShowing) return;
              const int tenths = static_cast<int>(done * 10 / total);
              if (tenths == said || (said < 0 && tenths == 10)) return;
              said = tenths;
              std::fprintf(stderr, "ctrlprog-cli: %s\n",
                           Say("indexing the record %1: %2%",
                               {EscapeName(path), std::to_string(tenths * 10)})
                               .c_str());
            }},
        [](const std::string& why) {
          std::fprintf(stderr, "ctrlprog-cli: %s\n",
                       Say("every scanned board is refused until this station's record can be "
                           "checked: %1",
                           {why})
                           .c_str());
        });
    if (options_.lineOptional) {
      std::fprintf(stderr, "ctrlprog-cli: %s\n",
                   Say("while the line database cannot answer, scanned boards are checked "
                       "against this station's record alone, and their rows say \"record\"")
                       .c_str());
    }
  }
  const auto ticks = std::make_shared<TickScheduler>();
  for (const std::string& port : options_.ports) {
    auto consolePort = std::make_unique<ConsolePort>(ticks);
    ConsolePort& p = *consolePort;
    p.port = port;
    if (options_.ports.size() > 1) p.ui.messagePrefix = EscapeName(port) + ": ";
    p.station.form().Form_Load();
    if (!LoadCompleteSet(p.station.form(), p.ui, options_.file)) return false;
    p.station.Attach(sinks_);
    p.ui.onTick = [&p] { p.station.form().Timer1_Timer(); };
    p.station.OnEvent([this, &p](const LinkEvent& event) { OnEvent(p, event); });
    if (options_.scan) {
      p.station.EnableScan(*scanning_);
      p.station.gate()->onLateRefusal = [this, &p](const std::string& serial,
                                                   const std::string& reason) {
        output_.ScanRefused(p.port, serial, reason);
        CheckOutput();
        QTimer::singleShot(0, &run_, [this] { EndIfScansDone(); });
      };
      p.station.gate()->onChanged = [this, &p, said = false]() mutable {
        const UnitGate& gate = *p.station.gate();
        if (gate.LineUnreachable() && !said) {
          output_.ScanUnchecked(p.port, gate.Serial());
          CheckOutput();
        }
        said = gate.LineUnreachable();
      };
    }
    ports_.push_back(std::move(consolePort));
  }
  return true;
}

void ProgramRun::OnEvent(ConsolePort& p, const LinkEvent& event) {
  output_.Event(p.port, event);
  CheckOutput();
  if (event.kind == LinkEventKind::RecordFailed && !recordFailed_) {
    // Its reason went to stderr as the window's message box; every other port stops before
    // its next board, as the record's gate already holds them.
    recordFailed_ = true;
    StopAll();
    Stop(kExitRecordFailed);
    exitCode_ = kExitRecordFailed;
  }
  if (options_.scan && TraitsOf(event.kind).endsBoard) {
    QTimer::singleShot(0, &run_, [this] { EndIfScansDone(); });  // once the gate let it go
  }
  if (event.kind == LinkEventKind::Passed && options_.count &&
      p.station.tally().Programmed() >= *options_.count) {
    // This port has its boards: stop it, and the run once every port has its own.
    QTimer::singleShot(0, &run_, [this, &p] {
      p.station.Stop();
      if (EveryOpenedPortDone()) Stop(kExitOk);
    });
  }
}

void ProgramRun::Stop(int code) {
  if (stopping_) return;
  stopping_ = true;
  exitCode_ = code;
  QTimer::singleShot(0, &run_, [this] {
    StopAll();
    QCoreApplication::exit(exitCode_);
  });
}

void ProgramRun::CheckOutput() {
  if (!output_.Error() || exitCode_ == kExitOutputFailed) return;
  std::fprintf(stderr, "ctrlprog-cli: %s\n",
               Say("cannot write the log to standard output: %1",
                   {Describe(FileErrorFromSystem(output_.Error()))})
                   .c_str());
  Stop(kExitOutputFailed);
  exitCode_ = kExitOutputFailed;  // a lost log outweighs why the run was ending anyway
}

bool ProgramRun::EveryOpenedPortDone() const {
  return std::all_of(ports_.begin(), ports_.end(), [this](const auto& p) {
    return !p->station.Opened() || p->station.tally().Programmed() >= *options_.count;
  });
}

bool ProgramRun::StartAll() {
  bool anyOpened = false;
  for (auto& p : ports_) {
    p->ui.SetPortText(p->port);
    if (p->station.Start()) {
      anyOpened = true;
      continue;
    }
    const Link& link = p->station.link();
    PrintOpenFailure(p->port, link.LastOpenError(), link.LastOpenCause(), link.OpenFailure());
    anyFailed_ = true;
  }
  CheckOutput();
  return anyOpened;
}

void ProgramRun::WatchLineRecord() {
  LineForwarder* forwarder = sinks_.forwarder();
  if (!forwarder) return;
  if (!options_.record) {
    std::fprintf(stderr, "ctrlprog-cli: %s\n",
                 Say("line record: the journal is %1", {EscapeName(sinks_.RecordPath())}).c_str());
  }
  // The line database's backlog, said when it changes.
  auto sayWaiting = [this, forwarder] {
    const int64_t waiting = forwarder->Waiting();
    if (waiting == lastWaiting_) return;
    lastWaiting_ = waiting;
    output_.LineRecord(waiting);
    CheckOutput();
  };
  QObject::connect(&lineWatch_, &QTimer::timeout, &run_, sayWaiting);
  sayWaiting();
  lineWatch_.start(1000);
}

void ProgramRun::ReadScans() {
  scans_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(scans_.get(), &QSocketNotifier::activated, &run_, [this] {
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
      scans_->setEnabled(false);
      if (!scanned_.empty()) TakeScan(std::exchange(scanned_, {}));
      scansEnded_ = true;
      EndIfScansDone();
      return;
    }
    scanned_.append(buffer, static_cast<size_t>(n));
    for (size_t end; (end = scanned_.find('\n')) != std::string::npos;) {
      const std::string line = scanned_.substr(0, end);
      scanned_.erase(0, end + 1);
      TakeScan(line);
    }
    if (scanned_.size() > 4096) scanned_.clear();  // no scanner types that much on one line
  });
}

void ProgramRun::TakeScan(std::string_view line) {
  line = TrimScan(line);
  if (line.empty()) return;
  ConsolePort* target = ports_.front().get();
  std::string_view serial = line;
  if (ports_.size() > 1) {
    // "PORT SERIAL": the port as given, or its place (1 for the first).
    const size_t space = line.find(' ');
    const std::string_view port = line.substr(0, space);
    serial = space == std::string_view::npos ? std::string_view() : TrimScan(line.substr(space));
    target = nullptr;
    for (size_t i = 0; i < ports_.size(); ++i) {
      if (ports_[i]->port == port || std::to_string(i + 1) == port) target = ports_[i].get();
    }
    if (!target) {
      output_.ScanRefused(std::string(port), std::string(serial),
                          Say("no port %1 in this run", {EscapeName(port)}));
      CheckOutput();
      return;
    }
  }
  // Serials read ahead (a file, or a scan while the board is still on) wait their turn.
  target->scans.emplace_back(serial);
  OfferScans();
}

void ProgramRun::OfferScans() {
  for (auto& p : ports_) {
    while (p->station.gate()->Waiting() && !p->scans.empty()) {
      const std::string serial = std::move(p->scans.front());
      p->scans.pop_front();
      if (auto refusal = p->station.gate()->Offer(serial)) {
        output_.ScanRefused(p->port, serial, *refusal);
        CheckOutput();
      }
    }
  }
}

void ProgramRun::EndIfScansDone() {
  OfferScans();
  if (!scansEnded_) return;
  const bool busy = std::any_of(ports_.begin(), ports_.end(), [](const auto& p) {
    return p->station.Running() && (!p->station.gate()->Waiting() || !p->scans.empty());
  });
  if (!busy) Stop(kExitOk);
}

void ProgramRun::Loop() {
  WatchLineRecord();
  if (options_.scan) ReadScans();
  if (options_.timeoutSec) {
    QTimer::singleShot(static_cast<int>(*options_.timeoutSec * 1000), Qt::PreciseTimer, &run_,
                       [this] { Stop(kExitTimedOut); });
  }
  QCoreApplication::exec();
  StopAll();  // whatever ended the loop, no port is left running
  lineWatch_.stop();
}

int ProgramRun::Finish() {
  // Every row is stored before the summary; a record that failed ends the run with 74. After a
  // signal nothing waits for the line database: its rows stay in the journal for later.
  const bool signalled = exitCode_ > 128;
  if (const auto failure = sinks_.Finish(signalled ? 0 : 3000); failure && !recordFailed_) {
    std::fprintf(stderr, "ctrlprog-cli: %s\n", failure->c_str());
    recordFailed_ = true;
  }
  std::optional<LineRecordTotals> lineTotals;
  if (const LineForwarder* forwarder = sinks_.forwarder()) {
    lineTotals = LineRecordTotals{forwarder->Waiting(), forwarder->SetAside()};
    if (const std::string later = sinks_.LeftForLater(); !later.empty()) {
      std::fprintf(stderr, "ctrlprog-cli: %s\n", later.c_str());
    }
  }
  bool anyOpened = false;
  for (const auto& p : ports_) {
    if (!p->station.Opened()) continue;
    anyOpened = true;
    std::optional<BoardCounts> boards;
    if (const UnitGate* gate = p->station.gate()) {
      boards = BoardCounts{gate->Boards(), gate->FirstPass(), gate->Attempts()};
    }
    output_.Summary(p->port, p->station.tally(), p->station.Seconds(), lineTotals, boards);
  }
  CheckOutput();
  if (exitCode_ == kExitOutputFailed) return exitCode_;
  if (recordFailed_) return kExitRecordFailed;
  if (!anyOpened) return kExitPortFailed;
  if (anyFailed_ && exitCode_ == kExitOk) return kExitPortFailed;
  return exitCode_;
}

// Opens the record and the line database, and waits for the server's word; the sinks, or the
// exit code.
std::variant<std::unique_ptr<StationSinks>, int> OpenSinks(const ProgramOptions& options,
                                                           QSocketNotifier& stopSignals) {
  auto opened = StationSinks::Open(
      {options.record, options.station ? *options.station : StationName(), options.lineDb,
       [](const std::string& news) { std::fprintf(stderr, "ctrlprog-cli: %s\n", news.c_str()); },
       options.rotation});
  if (const auto* message = std::get_if<std::string>(&opened)) {
    std::fprintf(stderr, "ctrlprog-cli: %s\n", message->c_str());
    return kExitBadInput;
  }
  auto sinks = std::move(std::get<std::unique_ptr<StationSinks>>(opened));
  // The line database is asked on its own thread; a signal meanwhile ends the run at once.
  if (AwaitLineDbVerdict(*sinks, &stopSignals)) {
    char signo = 0;
    [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &signo, 1);
    (void)sinks->Finish(0);
    return 128 + static_cast<unsigned char>(signo);
  }
  if (const auto verdict = sinks->LineDbVerdict(); verdict && verdict->final()) {
    std::fprintf(stderr, "ctrlprog-cli: %s\n", verdict->message.c_str());
    return kExitBadInput;
  }
  return sinks;
}

}  // namespace

int RunProgram(const ProgramOptions& options) {
  if (!CatchStopSignals()) {
    const int error = errno;
    std::fprintf(
        stderr, "ctrlprog-cli: %s\n",
        Say("cannot watch for signals: %1", {Describe(FileErrorFromSystem(error))}).c_str());
    return kExitPortFailed;
  }
  QSocketNotifier stopSignals(signalPipe[0], QSocketNotifier::Read);
  auto opened = OpenSinks(options, stopSignals);
  if (const int* code = std::get_if<int>(&opened)) return *code;
  const auto sinks = std::move(std::get<std::unique_ptr<StationSinks>>(opened));
  ProgramRun run(options, *sinks, stopSignals);
  if (!run.Build()) return kExitBadInput;
  if (run.StartAll()) run.Loop();
  return run.Finish();
}

int RunPorts(bool json) {
  const std::vector<PortDescription> ports = DetectedPorts();
  const std::string text = json ? PortListJson(ports) : FormatPortList(ports);
  std::fputs(text.c_str(), stdout);
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return kExitOk;
  const std::string said = Say("cannot write the port list to standard output: %1",
                               {Describe(FileErrorFromSystem(errno != 0 ? errno : EIO))});
  std::fprintf(stderr, "ctrlprog-cli: %s\n", said.c_str());
  return kExitOutputFailed;
}

}  // namespace ctrlprog
