// One log line appended to the window's log that already holds range(0) lines.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "form/frm_main.h"
#include "link/qt/qt_serial_port.h"
#include "ui/main_window.h"

namespace {

void BM_WindowAppendToLog(benchmark::State& state) {
  ctrlprog::QtSerialPort port;
  ctrlprog::MainWindow window(port);
  for (int64_t i = 0; i < state.range(0); ++i) window.form().ReceiveDisplay("Transmit Finished", 3);
  for (auto _ : state) window.form().ReceiveDisplay("Transmit Finished", 3);
}
BENCHMARK(BM_WindowAppendToLog)->Arg(100)->Arg(10'000)->Arg(100'000)->Iterations(2000);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
