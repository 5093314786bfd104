// No scan, no board: the gate of one port over a device that acknowledges, withholds its
// acknowledgement, or vanishes, with ticks and bytes by hand.
#include "scan/unit_gate.h"

#include <string>

#include "link/link_test_fixture.h"
#include "scan/serial_check.h"
#include "support/temp_dir.h"

namespace ctrlprog::testing {
namespace {

using namespace std::string_literals;

class UnitGateTest : public LinkTest {
 protected:
  UnitGateTest() {
    link().AddListener([this](const LinkEvent& e) {
      if (e.kind == LinkEventKind::Passed || e.kind == LinkEventKind::Failed) {
        results.push_back({e.serial, e.attempt, e.kind == LinkEventKind::Passed});
      }
    });
    form.cmdFileSend_Click();
  }
  // Ticks until something is written or `limit` ticks pass; what was written.
  std::string TickUntilWrite(int limit = 12) {
    for (int i = 0; i < limit; ++i) {
      if (std::string w = Tick(); !w.empty()) return w;
    }
    return "";
  }
  // One board through the handshake up to its frame; then `ack` or not.
  void Program(bool ack) {
    ASSERT_EQ(TickUntilWrite(), "8");
    Ready();
    ASSERT_EQ(Tick(), "frame");
    if (ack) {
      Ready();
      Tick();
    } else {
      for (int i = 0; i < 12 && results.size() == before; ++i) Tick();
    }
  }

  struct Result {
    std::string serial;
    int attempt;
    bool passed;
  };
  UnitBook book;
  UnitGate gate{link(), book, {}, "station-1"};
  std::vector<Result> results;
  size_t before = 0;
};

TEST_F(UnitGateTest, NoPollBeforeAScanAndNoneAfterTheBoardsResult) {
  struct Case {
    const char* what;
    bool ack;
    bool passed;
  };
  for (const Case c : {Case{"acknowledges", true, true}, Case{"withholds", false, false}}) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(gate.Waiting());
    EXPECT_EQ(TickUntilWrite(), "") << "no scan, no poll";
    const std::string serial = std::string("SN-") + c.what;
    ASSERT_EQ(gate.Offer(serial + "\r\n"), std::nullopt);
    before = results.size();
    Program(c.ack);
    ASSERT_EQ(results.size(), before + 1);
    EXPECT_EQ(results.back().serial, serial);
    EXPECT_EQ(results.back().attempt, 1);
    EXPECT_EQ(results.back().passed, c.passed);
    EXPECT_TRUE(gate.Waiting()) << "the result uses the serial up";
    EXPECT_EQ(TickUntilWrite(), "") << "and the port waits for the next scan";
    if (!c.passed) {
      // The same serial scanned again is its next attempt.
      ASSERT_EQ(gate.Offer(serial), std::nullopt);
      before = results.size();
      Program(true);
      ASSERT_EQ(results.size(), before + 1);
      EXPECT_EQ(results.back().attempt, 2);
    }
  }
  EXPECT_EQ(gate.Boards(), 2);
  EXPECT_EQ(gate.FirstPass(), 1);
  EXPECT_EQ(gate.Attempts(), 3);
}

TEST_F(UnitGateTest, AVanishedDeviceKeepsItsBoardUntilItsResult) {
  ASSERT_EQ(gate.Offer("SN-7"), std::nullopt);
  ASSERT_EQ(TickUntilWrite(), "8");
  port.LoseLine();
  EXPECT_FALSE(gate.Waiting());
  EXPECT_EQ(gate.Offer("SN-8"), "board SN-7 on this port has no result yet");
  Program(true);  // the line is back: polled again for the same board
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results.back().serial, "SN-7");
}

TEST_F(UnitGateTest, ABoardThatPassedIsRefusedUnlessReworkedAndItsAttemptsGoOn) {
  ASSERT_EQ(gate.Offer("SN-1"), std::nullopt);
  Program(true);
  const std::optional<std::string> refused = gate.Offer("SN-1");
  ASSERT_TRUE(refused.has_value());
  EXPECT_TRUE(refused->starts_with("board SN-1 already passed at ")) << *refused;
  EXPECT_NE(refused->find("station-1"), std::string::npos) << *refused;
  EXPECT_EQ(TickUntilWrite(), "");

  // With --rework it is taken, as its second attempt.
  UnitBook reworkBook = book;
  FakeSerialPort otherPort;
  FakeServices otherUi;
  frmMain other(otherUi, otherPort);
  UnitGate rework{other.link(), reworkBook, {nullptr, "", true}, "station-1"};
  EXPECT_EQ(rework.Offer("SN-1"), std::nullopt);
  EXPECT_EQ(reworkBook.Find("SN-1")->attempts, 1);
  EXPECT_FALSE(rework.Waiting());
}

TEST_F(UnitGateTest, ABoardInHandOnOnePortIsRefusedOnAnotherUntilItsResult) {
  FakeSerialPort otherPort;
  FakeServices otherUi;
  frmMain other(otherUi, otherPort);
  UnitGate second{other.link(), book, {nullptr, "", true}, "station-1"};  // even reworking
  ASSERT_EQ(gate.Offer("SN-1"), std::nullopt);
  const auto refused = second.Offer("SN-1");
  ASSERT_TRUE(refused.has_value());
  EXPECT_TRUE(refused->starts_with("board SN-1 is on ")) << *refused;
  EXPECT_TRUE(refused->ends_with(" and has no result yet")) << *refused;
  Program(false);  // its result, a failure, lets it go
  EXPECT_EQ(second.Offer("SN-1"), std::nullopt);
  EXPECT_EQ(second.Attempt(), 2);
}

// The line database as the gate asks it: each question kept until the test answers it.
class HeldRegister : public PassRegister {
 public:
  void Ask(const std::string& serial,
           std::function<void(std::optional<UnitBook::Past>)> answer) override {
    asked.emplace_back(serial, std::move(answer));
  }
  std::vector<std::pair<std::string, std::function<void(std::optional<UnitBook::Past>)>>> asked;
};

TEST_F(UnitGateTest, TheLineDatabaseIsAskedBeforeTheBoardIsTouched) {
  struct Case {
    const char* what;
    std::optional<UnitBook::Past> known;  // what the line database knows; nothing: no answer
    bool rework;
    int attempt;  // the attempt taken; 0: refused
  };
  const Case cases[] = {
      {"unknown there", UnitBook::Past{}, false, 1},
      {"failed twice at another station", UnitBook::Past{2, ""}, false, 3},
      {"passed at another station", UnitBook::Past{1, "at T on s2 /dev/ttyUSB3"}, false, 0},
      {"passed there, reworked", UnitBook::Past{1, "at T on s2 /dev/ttyUSB3"}, true, 2},
      {"the server did not answer", std::nullopt, false, 1},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeSerialPort otherPort;
    FakeServices otherUi;
    frmMain other(otherUi, otherPort);
    other.Form_Load();
    otherUi.FillAll(
        std::vector<std::string>(WorkedSets()[0].texts.begin(), WorkedSets()[0].texts.end()));
    other.cmdFileSend_Click();
    HeldRegister remote;
    UnitGate held{other.link(), book, {nullptr, "", c.rework}, "station-1"};
    held.SetRegister(&remote);
    std::vector<std::string> refusals;
    held.onLateRefusal = [&](const std::string& serial, const std::string& reason) {
      refusals.push_back(serial + ": " + reason);
    };
    const std::string serial = "SN-R" + std::to_string(++n);
    ASSERT_EQ(held.Offer(serial), std::nullopt);
    ASSERT_EQ(remote.asked.size(), 1u);
    EXPECT_EQ(remote.asked[0].first, serial);
    for (int i = 0; i < 12; ++i) other.Timer1_Timer();
    EXPECT_TRUE(otherPort.writes.empty()) << "no poll while the line database is asked";
    EXPECT_FALSE(held.Waiting());
    remote.asked[0].second(c.known);
    EXPECT_FALSE(held.Checking());
    EXPECT_EQ(held.Attempt(), c.attempt);
    EXPECT_EQ(held.Waiting(), c.attempt == 0);
    for (int i = 0; i < 12; ++i) other.Timer1_Timer();
    EXPECT_EQ(otherPort.writes.empty(), c.attempt == 0) << "polled once taken";
    ASSERT_EQ(refusals.size(), c.attempt == 0 ? 1u : 0u);
    if (c.attempt == 0) {
      EXPECT_EQ(refusals[0], serial + ": board " + serial +
                                 " already passed at T on s2 /dev/ttyUSB3; scan another board, "
                                 "or start with --rework to program it again");
    }
  }
  // An answer that comes after its gate went is dropped.
  HeldRegister remote;
  {
    UnitGate gone{link(), book, {}, "station-1"};
    gone.SetRegister(&remote);
    ASSERT_EQ(gone.Offer("SN-LATE"), std::nullopt);
  }
  remote.asked[0].second(UnitBook::Past{});
}

TEST(SerialCheck, RefusesWhatCannotNameABoard) {
  const auto compiled = SerialPattern::Compile("SN-[0-9]{4}");
  const SerialPattern* pattern = std::get<std::unique_ptr<SerialPattern>>(compiled).get();
  struct Case {
    std::string serial;
    bool withPattern;
    const char* refusal;  // the start of it, or null when taken
  };
  const Case cases[] = {
      {"SN-0042", true, nullptr},
      {"any printable ~!", false, nullptr},
      {std::string(64, 'x'), false, nullptr},
      {"", false, "the serial is empty"},
      {std::string(65, 'x'), false, "the serial has 65 characters, more than 64"},
      {"SN\x01", false, "the serial holds \\x01, which is not a printable character"},
      {"序列", false, "the serial holds \\x"},
      {"SN-42", true, "the serial does not match the pattern SN-[0-9]{4}"},
      {"xSN-0042", true, "the serial does not match"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.serial);
    const auto refusal = SerialRefusal(c.serial, c.withPattern ? pattern : nullptr, "SN-[0-9]{4}");
    if (!c.refusal) {
      EXPECT_EQ(refusal, std::nullopt);
    } else {
      ASSERT_TRUE(refusal.has_value());
      EXPECT_TRUE(refusal->starts_with(c.refusal)) << *refusal;
    }
  }
}

TEST(UnitBook, LearnsBoardsFromARecordOfEveryShape) {
  TempDir dir;
  const std::string frame =
      "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";
  const std::string journal = "0123456789abcdef0123456789abcdef";
  const std::string path = dir.Write(
      "record.csv",
      std::string(kRecordHeader) + "2026-12-08T10:00:00.000+08:00,s1,/dev/ttyUSB0,,"s + frame +
          ",FAIL,400," + journal + ",1,SN-1,1\r\n" +
          "2026-12-08T10:00:05.000+08:00,s1,/dev/ttyUSB0,," + frame + ",PASS,400," + journal +
          ",2,SN-1,2\r\n" + "2026-12-08T10:00:09.000+08:00,s1,/dev/ttyUSB0,," + frame +
          ",PASS,400," + journal + ",3,,\r\n" + "2026-12-08T10:00:12.000+08:00,s1,/dev/ttyUSB0,," +
          frame + ",FAIL,400," + journal + ",4,SN-2,1\r\n");
  UnitBook book;
  book.ReadRecord(path);
  const UnitBook::Past* one = book.Find("SN-1");
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->attempts, 2);
  EXPECT_EQ(one->passed, "at 2026-12-08T10:00:05.000+08:00 on s1 /dev/ttyUSB0");
  const UnitBook::Past* two = book.Find("SN-2");
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(two->attempts, 1);
  EXPECT_TRUE(two->passed.empty());
  EXPECT_EQ(book.Find(""), nullptr);
}

}  // namespace
}  // namespace ctrlprog::testing
