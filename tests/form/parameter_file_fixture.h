#pragma once

#include <string>
#include <vector>

#include "form/file_commands.h"
#include "support/fake_services.h"
#include "support/temp_dir.h"
#include "support/worked_sets.h"

namespace ctrlprog::testing {

// The first worked set as another program writes it in GBK: "（" is A3 A8, "）" A3 A9.
inline const std::string kGbkFile =
    "1:Torva\r\n30     \r\n7.0\r\n20.1\r\n0.1\r\n50\r\n0:Switch Mode\r\n30\r\n30\r\n30\r\n"
    "1.0\r\n1.0\r\n0:Up 15 Mark\xA3\xA8Ture\xA3\xA9\r\n0:Comm VCC\r\n0\r\n15\r\n";

inline std::vector<std::string> AsVector(const ParameterSet& s) {
  return {s.begin(), s.end()};
}

// A window with the lists filled from the second worked set, and the form's file commands.
struct ParameterFileForm {
  FakeServices ui;
  ParameterSet strParam;
  ParameterFiles files{ui, strParam};
  ParameterFileForm() { ui.FillAll(AsVector(WorkedSets()[1].texts)); }
  std::vector<std::string> Lists() {
    std::vector<std::string> out;
    for (int i = 0; i < kParameterCount; ++i) out.push_back(ui.ComboText(i));
    return out;
  }
};

}  // namespace ctrlprog::testing
