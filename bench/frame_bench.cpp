#include <benchmark/benchmark.h>

#include "model/frame_encoder.h"

namespace {

void BM_EncodeFrame(benchmark::State& state) {
  const ctrlprog::ParameterSet set = {"2:Mesik",
                                      "60",
                                      "15.0",
                                      "41.5",
                                      "1.0",
                                      "85",
                                      "1:Cycle Mode",
                                      "100",
                                      "70",
                                      "45",
                                      "2.0",
                                      "5.0",
                                      "1:Only fake Indicate",
                                      "2:164 Mode-P1-DAT P2-CLK",
                                      "2",
                                      "30"};
  for (auto _ : state) benchmark::DoNotOptimize(ctrlprog::EncodeFrame(set));
}
BENCHMARK(BM_EncodeFrame);

}  // namespace
