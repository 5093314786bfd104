#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/frame_encoder.h"

namespace ctrlprog::testing {

// Three parameter sets whose frames are known byte for byte.
struct WorkedSet {
  ParameterSet texts;
  std::vector<uint8_t> frameStart;  // bytes 0..17; the rest are zero
};

inline const std::array<WorkedSet, 3>& WorkedSets() {
  static const std::array<WorkedSet, 3> sets = {{
      {{"1:Torva", "30     ", "7.0", "20.1", "0.1", "50", "0:Switch Mode", "30", "30", "30", "1.0",
        "1.0", "0:Up 15 Mark（Ture）", "0:Comm VCC", "0", "15"},
       {0x02, 0x0F, 0x22, 0x0D, 0x4C, 0x00, 0x68, 0x00, 0x27, 0x27, 0x27, 0x0A, 0x0A, 0x00, 0x00,
        0x00, 0x1F, 0x33}},
      {{"2:Mesik", "60", "15.0", "41.5", "1.0", "85", "1:Cycle Mode", "100", "70", "45", "2.0",
        "5.0", "1:Only fake Indicate", "2:164 Mode-P1-DAT P2-CLK", "2", "30"},
       {0x02, 0x0F, 0x22, 0x0D, 0x9D, 0x04, 0xB1, 0x01, 0x83, 0x5C, 0x3B, 0x14, 0x32, 0x01, 0x02,
        0x06, 0x3E, 0xFF}},
      {{"4:Pibes", "135", "57.0", "64.0", "4.0", "99", "0:Switch Mode", "120", "110", "115", "10.0",
        "15.0", "0:Up 15 Mark（Ture）", "1:Comm GND", "1", "70"},
       {0x02, 0x0F, 0x32, 0x22, 0xF3, 0x0F, 0xCE, 0x00, 0x9E, 0x91, 0x97, 0x64, 0x96, 0x00, 0x01,
        0x03, 0x92, 0xD8}},
  }};
  return sets;
}

inline ParameterFrame FrameOf(const WorkedSet& s) {
  ParameterFrame f{};
  for (size_t i = 0; i < s.frameStart.size(); ++i) f[i] = s.frameStart[i];
  return f;
}

}  // namespace ctrlprog::testing
