#include <benchmark/benchmark.h>

#include "log/message_log.h"
#include "support/fake_services.h"

namespace {

constexpr const char* kLine = "Transmit Finished";

// One append to a log that already holds range(0) lines: the cost must not grow with it.
void BM_AppendToLog(benchmark::State& state) {
  ctrlprog::testing::FakeServices ui;
  ctrlprog::MessageLog log(ui);
  for (int64_t i = 0; i < state.range(0); ++i) log.ReceiveDisplay(kLine, 3);
  for (auto _ : state) log.ReceiveDisplay(kLine, 3);
}
BENCHMARK(BM_AppendToLog)->Arg(100)->Arg(10'000)->Arg(100'000)->Iterations(2000);

// For comparison: an append that sets the whole text again and re-colours every line.
void BM_AppendWithFullRecolour(benchmark::State& state) {
  ctrlprog::testing::FakeServices ui;
  ctrlprog::MessageLog log(ui);
  for (int64_t i = 0; i < state.range(0); ++i) log.ReceiveDisplay(kLine, 3);
  for (auto _ : state) {
    log.ReceiveDisplay(kLine, 3);
    ui.SetLogText(ui.LogText() + "");
    const auto& marks = log.lngLineMark();
    const long size = static_cast<long>(ui.LogColours().size());
    for (int32_t i = 1; i < log.lngMarkTop(); i += 2) {
      const long start = marks[static_cast<size_t>(i)];
      const long end = i < log.lngMarkTop() - 1 ? marks[static_cast<size_t>(i) + 2] : size;
      ui.SelectLog(start, end - start);
      ui.ColourLogSelection(*ctrlprog::ColourForCode(marks[static_cast<size_t>(i) + 1]));
    }
  }
}
BENCHMARK(BM_AppendWithFullRecolour)->Arg(100)->Arg(10'000)->Arg(100'000)->Iterations(20);

}  // namespace
