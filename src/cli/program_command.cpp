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

// SIGINT and SIGTERM reach the event loop as a byte on a socket pair.
bool CatchStopSignals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return false;
  ::fcntl(signalPipe[1], F_SETFL, ::fcntl(signalPipe[1], F_GETFL) | O_NONBLOCK);
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  return true;
}

void PrintLogLine(const std::string& line) {
  const QString now = QTime::currentTime().toString("HH:mm:ss.zzz");
  std::printf("%s %s\n", now.toUtf8().constData(), line.c_str());
  std::fflush(stdout);
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
  ui.onLogLine = [&](const std::string& line) {
    PrintLogLine(line);
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
  if (form.link().intCommFlag == Closed) return kExitPortFailed;

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
