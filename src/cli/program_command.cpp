#include "cli/program_command.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QSerialPortInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "cli/console_services.h"
#include "cli/encode_command.h"
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

// 0, or the errno of a line that could not be written (a full disk, a closed pipe).
int PrintLogLine(const std::string& line) {
  const QByteArray now = QTime::currentTime().toString("HH:mm:ss.zzz").toUtf8();
  errno = 0;
  const int written = std::printf("%s %s\n", now.constData(), line.c_str());
  const int flushed = std::fflush(stdout);
  if (written >= 0 && flushed == 0 && !std::ferror(stdout)) return 0;
  return errno != 0 ? errno : EIO;
}

// The window says nothing for a failure other than "no use" or "occupied"; the console always
// says why, since a script has nobody to look at the screen.
void PrintOpenFailure(const std::string& portText, int error, const std::string& detail) {
  if (error == kCommNoSuchPort || error == kCommPortBusy) return;  // its message box said why
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

int RunProgram(const ProgramOptions& options) {
  ConsoleServices ui;
  QtSerialPort port;
  frmMain form(ui, port);
  form.Form_Load();
  if (!LoadCompleteSet(form, ui, options.file)) return kExitBadInput;

  int exitCode = kExitOk;
  bool stopping = false;
  long finished = 0;
  // Stops the way the operator does, by pressing "Stop Transmit", then leaves the loop.
  auto stop = [&](int code) {
    if (stopping) return;
    stopping = true;
    exitCode = code;
    QTimer::singleShot(0, [&] {
      if (form.link().intCommFlag != Closed) form.cmdFileSend_Click();
      QCoreApplication::exit(exitCode);
    });
  };

  ui.onTick = [&] { form.Timer1_Timer(); };
  bool outputFailed = false;
  ui.onLogLine = [&](const std::string& line) {
    if (outputFailed) return;
    if (const int error = PrintLogLine(line)) {
      outputFailed = true;
      std::fprintf(stderr, "ctrlprog-cli: cannot write the log to standard output: %s\n",
                   std::strerror(error));
      stop(kExitOutputFailed);
      exitCode = kExitOutputFailed;  // a lost log outweighs why the run was ending anyway
      return;
    }
    if (line == "Transmit Finished" && options.count && ++finished >= *options.count) {
      stop(kExitOk);
    }
  };

  if (!CatchStopSignals()) {
    std::fprintf(stderr, "ctrlprog-cli: cannot watch for signals: %s\n", std::strerror(errno));
    return kExitPortFailed;
  }
  QSocketNotifier stopSignals(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(&stopSignals, &QSocketNotifier::activated, [&] {
    char signo = 0;
    if (::read(signalPipe[0], &signo, 1) == 1) stop(128 + signo);
  });

  ui.SetPortText(options.port);
  form.cmdFileSend_Click();
  if (form.link().intCommFlag == Closed) {
    PrintOpenFailure(options.port, form.link().LastOpenError(), port.LastOpenError());
    return kExitPortFailed;
  }

  if (options.timeoutSec) {
    QTimer::singleShot(static_cast<int>(*options.timeoutSec * 1000), Qt::PreciseTimer,
                       [&] { stop(kExitTimedOut); });
  }
  QCoreApplication::exec();
  return exitCode;
}

int RunPorts() {
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    QString line = info.systemLocation();
    if (!info.description().isEmpty()) line += "  " + info.description();
    if (!info.manufacturer().isEmpty()) line += "  " + info.manufacturer();
    if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
      line += QString("  USB %1:%2")
                  .arg(info.vendorIdentifier(), 4, 16, QChar('0'))
                  .arg(info.productIdentifier(), 4, 16, QChar('0'));
    }
    if (!info.serialNumber().isEmpty()) line += "  serial " + info.serialNumber();
    std::printf("%s\n", line.toUtf8().constData());
  }
  return kExitOk;
}

}  // namespace ctrlprog
