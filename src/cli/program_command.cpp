#include "cli/program_command.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
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
#include "cli/program_output.h"
#include "files/file_system.h"
#include "files/production_record.h"
#include "link/qt/detected_ports.h"
#include "link/qt/qt_serial_port.h"
#include "ui/form/frm_main.h"

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
void PrintOpenFailure(const std::string& portText, int error, const std::string& detail) {
  if (error == kCommNoSuchPort || error == kCommPortBusy) return;  // its message box said why
  if (error == kCommOk) return;  // the parameter check stopped it and said why
  std::string reason;
  if (error == kCommOverflow) {
    reason = "the port number does not fit 16 bits (-32768 to 32767)";
  } else if (!detail.empty()) {
    reason = detail;
  } else {
    reason = "error " + std::to_string(error);
  }
  std::fprintf(stderr, "ctrlprog-cli: cannot open port %s: %s\n", portText.c_str(), reason.c_str());
}

}  // namespace

// One port's link: its own form, state machine, tick timer, log and tally.
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
    std::fprintf(stderr, "ctrlprog-cli: cannot watch for signals: %s\n", std::strerror(errno));
    return kExitPortFailed;
  }
  std::unique_ptr<ProductionRecord> record;
  if (options.record) {
    KeepRunningAtFileSizeLimit();  // a full record is a write error to report
    auto opened = ProductionRecord::Open(*options.record);
    if (const auto* error = std::get_if<FileError>(&opened)) {
      std::fprintf(stderr, "ctrlprog-cli: %s\n",
                   RecordOpenFailureMessage(*options.record, *error).c_str());
      return kExitBadInput;
    }
    record = std::move(std::get<std::unique_ptr<ProductionRecord>>(opened));
  }

  const bool several = options.ports.size() > 1;
  ProgramOutput output(options.json, several);
  std::vector<std::unique_ptr<Station>> stations;
  const auto ticks = std::make_shared<TickScheduler>();
  int exitCode = kExitOk;
  bool stopping = false;
  // Stops the way the operator does, by pressing "Stop Transmit" on every running link, then
  // leaves the loop.
  auto stop = [&](int code) {
    if (stopping) return;
    stopping = true;
    exitCode = code;
    QTimer::singleShot(0, [&] {
      for (auto& s : stations) {
        if (s->form.link().intCommFlag != Closed) s->form.cmdFileSend_Click();
      }
      QCoreApplication::exit(exitCode);
    });
  };
  auto checkOutput = [&] {
    if (!output.Error() || exitCode == kExitOutputFailed) return;
    std::fprintf(stderr, "ctrlprog-cli: cannot write the log to standard output: %s\n",
                 std::strerror(output.Error()));
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
    if (several) s.ui.messagePrefix = port + ": ";
    s.form.Form_Load();
    if (!LoadCompleteSet(s.form, s.ui, options.file)) return kExitBadInput;
    if (record) s.form.AttachRecord(*record);
    s.ui.onTick = [&s] { s.form.Timer1_Timer(); };
    s.ui.onLogLine = [&, port](const std::string& line) {
      output.LogLine(port, line);
      checkOutput();
    };
    s.form.link().AddListener([&, port](const LinkEvent& event) -> std::optional<std::string> {
      output.Event(port, event);
      checkOutput();
      if (event.kind == LinkEventKind::Closed) s.closed = std::chrono::steady_clock::now();
      if (event.kind == LinkEventKind::Passed && options.count &&
          s.form.link().tally().Programmed() >= *options.count) {
        // This port has its boards: stop it, and the run once every port has its own.
        QTimer::singleShot(0, [&] {
          if (s.form.link().intCommFlag != Closed) s.form.cmdFileSend_Click();
          if (everyOpenedPortDone()) stop(kExitOk);
        });
      }
      return std::nullopt;
    });
    stations.push_back(std::move(station));
  }

  QSocketNotifier stopSignals(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(&stopSignals, &QSocketNotifier::activated, [&] {
    char signo = 0;
    if (::read(signalPipe[0], &signo, 1) == 1) stop(128 + signo);
  });

  bool anyFailed = false, anyOpened = false;
  for (auto& s : stations) {
    s->ui.SetPortText(s->port);
    s->started = std::chrono::steady_clock::now();
    s->form.cmdFileSend_Click();
    s->opened = s->form.link().intCommFlag != Closed;
    if (!s->opened) {
      PrintOpenFailure(s->port, s->form.link().LastOpenError(), s->serial.LastOpenError());
      anyFailed = true;
    }
    anyOpened = anyOpened || s->opened;
  }
  checkOutput();
  if (!anyOpened) return exitCode == kExitOutputFailed ? exitCode : kExitPortFailed;

  if (options.timeoutSec) {
    QTimer::singleShot(static_cast<int>(*options.timeoutSec * 1000), Qt::PreciseTimer,
                       [&] { stop(kExitTimedOut); });
  }
  QCoreApplication::exec();

  for (const auto& s : stations) {
    if (!s->opened) continue;
    const double seconds = std::chrono::duration<double>(s->closed - s->started).count();
    output.Summary(s->port, s->form.link().tally(), seconds);
  }
  checkOutput();
  if (anyFailed && exitCode == kExitOk) return kExitPortFailed;
  return exitCode;
}

int RunPorts(bool json) {
  const std::vector<PortDescription> ports = DetectedPorts();
  const std::string text = json ? FormatPortListJson(ports) : FormatPortList(ports);
  std::fputs(text.c_str(), stdout);
  return std::fflush(stdout) == 0 ? kExitOk : kExitOutputFailed;
}

}  // namespace ctrlprog
