#include <cstdio>
#include <variant>

#include "model/frame_encoder.h"

// First form of the main job: encode a built-in parameter set and print its frame.
int main() {
  using namespace ctrlprog;
  const ParameterSet example = {"1:Torva", "30     ", "7.0",  "20.1",
                                "0.1",     "50",      "0:Switch Mode",
                                "30",      "30",      "30",   "1.0",
                                "1.0",     "0:Up 15 Mark（Ture）",
                                "0:Comm VCC", "0",    "15"};
  const EncodeResult r = EncodeFrame(example);
  const auto* frame = std::get_if<ParameterFrame>(&r);
  if (!frame) return 2;
  for (size_t i = 0; i < frame->size(); ++i) std::printf(i ? " %02X" : "%02X", (*frame)[i]);
  std::printf("\n");
  return 0;
}
