#include "cli/program_command.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "cli/console_services.h"
#include "cli/encode_command.h"
#include "cli/json_lines.h"
#include "cli/program_output.h"
#include "files/file_system.h"
#include "files/production_record.h"
#include "link/qt/detected_ports.h"
#include "link/qt/qt_serial_port.h"
#include "model/utf8.h"
#include "ui/form/frm_main.h"
#include "ui/form/station_sinks.h"

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

// The window says nothing for a failure other than "no use" or "occupied"; the console always
// says why, since a script has nobody to look at the screen.
void PrintOpenFailure(const std::string& portText, int error, const std::string& reason) {
  if (error == kCommNoSuchPort || error == kCommPortBusy) return;  // its message box said why
  if (error == kCommOk) return;  // the parameter check stopped it and said why
  std::fprintf(stderr, "ctrlprog-cli: cannot open port %s: %s\n", EscapeName(portText).c_str(),
               reason.c_str());
}

// Runs the event loop until the line database's start-up verdict is in (at most its connect
// timeout) or a stop signal comes; the signal's number, or 0.
int AwaitLineDb(const StationSinks& sinks, QSocketNotifier& stopSignals) {
  if (sinks.LineDbVerdict()) return 0;
  QEventLoop wait;
  int signo = 0;
  QTimer look, limit;
  QObject::connect(&look, &QTimer::timeout, &wait, [&] {
    if (sinks.LineDbVerdict()) wait.quit();
  });
  QObject::connect(&limit, &QTimer::timeout, &wait, &QEventLoop::quit);
  QObject::connect(&stopSignals, &QSocketNotifier::activated, &wait, [&] {
    char byte = 0;
    if (::read(signalPipe[0], &byte, 1) == 1) signo = static_cast<unsigned char>(byte);
    wait.quit();
  });
  look.start(50);
  limit.setSingleShot(true);
  limit.start(StationSinks::kVerdictWaitMs);
  wait.exec();
  QObject::disconnect(&stopSignals, nullptr, &wait, nullptr);
  return signo;
}

}  // namespace

// One port's link: its own form, state machine, tick timer and tally.
struct Station {
  explicit Station(std::shared_ptr<TickScheduler> ticks) : ui(std::move(ticks)) {}
  std::string port;  // as given on the command line
  ConsoleServices ui;
  QtSerialPort serial;
  frmMain form{ui, serial};
  bool opened = false;
  std::chrono::steady_clock::time_point started, closed;
};

int RunProgram(const ProgramOptions& options) {
  if (!CatchStopSignals()) {
    std::fprintf(stderr, "ctrlprog-cli: cannot watch for signals: %s\n",
                 Describe(FileErrorFromSystem(errno)).c_str());
    return kExitPortFailed;
  }
  auto openedSinks = StationSinks::Open(
      {options.record, options.station ? *options.station : StationName(), options.lineDb,
       [](const std::string& news) { std::fprintf(stderr, "ctrlprog-cli: %s\n", news.c_str()); }});
  if (const auto* message = std::get_if<std::string>(&openedSinks)) {
    std::fprintf(stderr, "ctrlprog-cli: %s\n", message->c_str());
    return kExitBadInput;
  }
  const auto sinks = std::move(std::get<std::unique_ptr<StationSinks>>(openedSinks));
  // The line database is asked on its own thread; a signal meanwhile ends the run at once.
  QSocketNotifier stopSignals(signalPipe[0], QSocketNotifier::Read);
  if (const int signo = AwaitLineDb(*sinks, stopSignals); signo != 0) {
    (void)sinks->Finish(0);
    return 128 + signo;
  }
  if (const auto verdict = sinks->LineDbVerdict(); verdict && verdict->final()) {
    std::fprintf(stderr, "ctrlprog-cli: %s\n", verdict->message.c_str());
    return kExitBadInput;
  }

  // The context of every timer this run starts: they capture its locals, and go with it.
  QObject run;
  const bool several = options.ports.size() > 1;
  ProgramOutput output(options.json, several);
  std::vector<std::unique_ptr<Station>> stations;
  const auto ticks = std::make_shared<TickScheduler>();
  int exitCode = kExitOk;
  bool stopping = false;
  bool recordFailed = false;
  // Stops the way the operator does, by pressing "Stop Transmit" on every running link, then
  // leaves the loop.
  auto stopAll = [&] {
    for (auto& s : stations) {
      if (s->form.link().State() != TransferState::Closed) s->form.cmdFileSend_Click();
    }
  };
  auto stop = [&](int code) {
    if (stopping) return;
    stopping = true;
    exitCode = code;
    QTimer::singleShot(0, &run, [&] {
      stopAll();
      QCoreApplication::exit(exitCode);
    });
  };
  auto checkOutput = [&] {
    if (!output.Error() || exitCode == kExitOutputFailed) return;
    std::fprintf(stderr, "ctrlprog-cli: cannot write the log to standard output: %s\n",
                 Describe(FileErrorFromSystem(output.Error())).c_str());
    stop(kExitOutputFailed);
    exitCode = kExitOutputFailed;  // a lost log outweighs why the run was ending anyway
  };
  auto everyOpenedPortDone = [&] {
    for (const auto& s : stations) {
      if (s->opened && s->form.link().tally().Programmed() < *options.count) return false;
    }
    return true;
  };

  for (const std::string& port : options.ports) {
    auto station = std::make_unique<Station>(ticks);
    Station& s = *station;
    s.port = port;
    if (several) s.ui.messagePrefix = EscapeName(port) + ": ";
    s.form.Form_Load();
    if (!LoadCompleteSet(s.form, s.ui, options.file)) return kExitBadInput;
    sinks->Wire(s.form);
    s.ui.onTick = [&s] { s.form.Timer1_Timer(); };
    s.form.link().AddListener([&, port](const LinkEvent& event) {
      output.Event(port, event);
      checkOutput();
      switch (event.kind) {
        case LinkEventKind::Closed:
          s.closed = std::chrono::steady_clock::now();
          break;
        case LinkEventKind::RecordFailed:
          // Its reason went to stderr as the window's message box; every other port stops
          // before its next frame, as the record's gate already holds them.
          if (!recordFailed) {
            recordFailed = true;
            stopAll();
            stop(kExitRecordFailed);
            exitCode = kExitRecordFailed;
          }
          break;
        case LinkEventKind::Passed:
          if (!options.count || s.form.link().tally().Programmed() < *options.count) break;
          // This port has its boards: stop it, and the run once every port has its own.
          QTimer::singleShot(0, &run, [&] {
            if (s.form.link().State() != TransferState::Closed) s.form.cmdFileSend_Click();
            if (everyOpenedPortDone()) stop(kExitOk);
          });
          break;
        default:
          break;
      }
    });
    stations.push_back(std::move(station));
  }

  QObject::connect(&stopSignals, &QSocketNotifier::activated, &run, [&] {
    char signo = 0;
    if (::read(signalPipe[0], &signo, 1) == 1) stop(128 + signo);
  });

  bool anyFailed = false, anyOpened = false;
  for (auto& s : stations) {
    s->ui.SetPortText(s->port);
    s->started = std::chrono::steady_clock::now();
    s->form.cmdFileSend_Click();
    s->opened = s->form.link().State() != TransferState::Closed;
    if (!s->opened) {
      PrintOpenFailure(s->port, s->form.link().LastOpenError(), s->form.link().OpenFailure());
      anyFailed = true;
    }
    anyOpened = anyOpened || s->opened;
  }
  checkOutput();

  // The line database's backlog, said when it changes.
  QTimer lineWatch;
  int64_t lastWaiting = -1;  // said once at the start, then whenever it changes
  if (LineForwarder* forwarder = sinks->forwarder()) {
    if (!options.record) {
      std::fprintf(stderr, "ctrlprog-cli: line record: the journal is %s\n",
                   EscapeName(sinks->RecordPath()).c_str());
    }
    auto sayWaiting = [&, forwarder] {
      const int64_t waiting = forwarder->Waiting();
      if (waiting == lastWaiting) return;
      lastWaiting = waiting;
      output.LineRecord(waiting);
      checkOutput();
    };
    QObject::connect(&lineWatch, &QTimer::timeout, &run, sayWaiting);
    sayWaiting();
    lineWatch.start(1000);
  }

  if (anyOpened) {
    if (options.timeoutSec) {
      QTimer::singleShot(static_cast<int>(*options.timeoutSec * 1000), Qt::PreciseTimer, &run,
                         [&] { stop(kExitTimedOut); });
    }
    QCoreApplication::exec();
    stopAll();  // whatever ended the loop, no link is left running
  }

  lineWatch.stop();
  // Every row is stored before the summary; a record that failed ends the run with 74. After a
  // signal nothing waits for the line database: its rows stay in the journal for later.
  const bool signalled = exitCode > 128;
  if (const auto failure = sinks->Finish(signalled ? 0 : 3000); failure && !recordFailed) {
    std::fprintf(stderr, "ctrlprog-cli: %s\n", failure->c_str());
    recordFailed = true;
  }
  std::optional<LineRecordTotals> lineTotals;
  if (const LineForwarder* forwarder = sinks->forwarder()) {
    lineTotals = LineRecordTotals{forwarder->Waiting(), forwarder->SetAside()};
    if (const std::string later = sinks->LeftForLater(); !later.empty()) {
      std::fprintf(stderr, "ctrlprog-cli: %s\n", later.c_str());
    }
  }
  for (const auto& s : stations) {
    if (!s->opened) continue;
    const double seconds = std::chrono::duration<double>(s->closed - s->started).count();
    output.Summary(s->port, s->form.link().tally(), seconds, lineTotals);
  }
  checkOutput();
  if (exitCode == kExitOutputFailed) return exitCode;
  if (recordFailed) return kExitRecordFailed;
  if (!anyOpened) return kExitPortFailed;
  if (anyFailed && exitCode == kExitOk) return kExitPortFailed;
  return exitCode;
}

int RunPorts(bool json) {
  const std::vector<PortDescription> ports = DetectedPorts();
  const std::string text = json ? PortListJson(ports) : FormatPortList(ports);
  std::fputs(text.c_str(), stdout);
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return kExitOk;
  std::fprintf(stderr, "ctrlprog-cli: cannot write the port list to standard output: %s\n",
               Describe(FileErrorFromSystem(errno != 0 ? errno : EIO)).c_str());
  return kExitOutputFailed;
}

}  // namespace ctrlprog
