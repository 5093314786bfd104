// Memory growth of a station that programs board after board: the console front end and the
// window (offscreen), each driven through the link's own handlers with a fake port, far faster
// than real time. Prints resident memory after 10 000 and after 100 000 boards.
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <fstream>
#include <functional>

#include "cli/console_services.h"
#include "form/frm_main.h"
#include "model/parameter_table.h"
#include "support/fake_serial_port.h"
#include "ui/main_window.h"

namespace {

using ctrlprog::frmMain;
using ctrlprog::testing::FakeSerialPort;

long ResidentKiB() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

void FillLists(ctrlprog::WindowServices& ui) {
  for (int i = 0; i < ctrlprog::kParameterCount; ++i) {
    static_cast<void>(ui.ComboSelect(i, ctrlprog::ParameterTable()[size_t(i)].choices.front()));
  }
}

// One board: a poll answered, the frame sent and acknowledged, success reported.
void ProgramOneBoard(frmMain& form, FakeSerialPort& port) {
  form.Timer1_Timer();
  port.Deliver({ctrlprog::kReadyByte});
  form.Timer1_Timer();
  port.Deliver({ctrlprog::kReadyByte});
  form.Timer1_Timer();
  port.writes.clear();
}

void Measure(const char* name, frmMain& form, FakeSerialPort& port,
             const std::function<void()>& settle) {
  form.cmdFileSend_Click();
  long at10k = 0;
  for (int board = 1; board <= 100'000; ++board) {
    ProgramOneBoard(form, port);
    if (board % 100 == 0) settle();
    if (board == 10'000) at10k = ResidentKiB();
    if (board % 10'000 == 0)
      std::printf("  %-8s %6d boards: resident %6ld KiB\n", name, board, ResidentKiB());
  }
  const long at100k = ResidentKiB();
  std::printf(
      "%-8s resident after 10000 boards %6ld KiB, after 100000 %6ld KiB: %+ld KiB in all, %+.1f "
      "KiB per 1000\n",
      name, at10k, at100k, at100k - at10k, (at100k - at10k) / 90.0);
  form.cmdFileSend_Click();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const bool window = argc > 1 && std::string(argv[1]) == "window";
  FakeSerialPort port;
  if (window) {
    ctrlprog::MainWindow w(port);
    w.show();
    FillLists(w);
    Measure("window", w.form(), port, [] { QApplication::processEvents(); });
  } else {
    ctrlprog::ConsoleServices ui;
    frmMain form(ui, port);
    form.Form_Load();
    FillLists(ui);
    Measure("console", form, port, [] {});
  }
  return 0;
}
