#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "form/frm_main.h"
#include "support/fake_serial_port.h"
#include "support/fake_services.h"
#include "support/worked_sets.h"

namespace ctrlprog {
// The link's states by their short names, as the tests read best.
using enum TransferState;
inline void PrintTo(TransferState state, std::ostream* os) {
  *os << static_cast<int>(state);
}
}  // namespace ctrlprog

namespace ctrlprog::testing {

// A started form on fake services and a fake port; ticks and the device's bytes by hand.
class LinkTest : public ::testing::Test {
 protected:
  LinkTest() {
    form.Form_Load();
    ui.FillAll(
        std::vector<std::string>(WorkedSets()[0].texts.begin(), WorkedSets()[0].texts.end()));
  }

  Link& link() { return form.link(); }

  // Runs one tick and says what it wrote: "", "8", "frame", or the bytes in hex.
  std::string Tick() {
    const size_t before = port.writes.size();
    form.Timer1_Timer();
    if (port.writes.size() == before) return "";
    EXPECT_EQ(port.writes.size(), before + 1) << "one write per tick";
    const auto& w = port.writes.back();
    if (w == std::vector<uint8_t>{kPollByte}) return "8";
    if (w.size() == kFrameSize && std::equal(w.begin(), w.end(), link().Frame().begin())) {
      return "frame";
    }
    return "other";
  }

  void Device(std::vector<uint8_t> bytes) { port.Deliver(std::move(bytes)); }
  void Ready() { Device({kReadyByte}); }

  // Lines of the log, without their carriage returns.
  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::string current;
    for (char c : ui.LogText()) {
      if (c == '\r') {
        lines.push_back(current);
        current.clear();
      } else {
        current += c;
      }
    }
    return lines;
  }

  FakeServices ui;
  FakeSerialPort port;
  frmMain form{ui, port};
};

}  // namespace ctrlprog::testing
