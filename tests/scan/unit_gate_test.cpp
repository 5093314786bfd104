// No scan, no board: the gate of one port over a device that acknowledges, withholds its
// acknowledgement, or vanishes, with ticks and bytes by hand.
#include "scan/unit_gate.h"

#include <chrono>
#include <memory>
#include <string>

#include "linedb/record_time.h"
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

// What a device may send that answers no poll for the board scanned: a stray byte, a late
// acknowledgement of the board before, an acknowledgement sent twice. With boards scanned, only a
// ready byte that answers a poll sent for the serial held brings a frame; without, the handshake
// is as it always was (any ready byte while polling brings one).
TEST(NamedBoards, OnlyAReadyByteThatAnswersAPollForTheSerialHeldBringsAFrame) {
  enum Step { Scan, Poll, Ready, Tick };
  struct Case {
    const char* what;
    bool scanned;
    std::vector<Step> steps;
    std::vector<std::string> writes;  // what the ticks wrote, in order
  };
  const Case cases[] = {
      {"a stray byte before any scan", true, {Ready, Tick, Tick}, {}},
      {"a stray byte after the scan, before its poll", true, {Scan, Ready, Tick}, {"8"}},
      {"the ready byte that answers the poll", true, {Scan, Tick, Ready, Tick}, {"8", "frame"}},
      {"a stray byte while polling, without scanning", false, {Ready, Tick}, {"frame"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeServices ui;
    FakeSerialPort port;
    frmMain form(ui, port);
    form.Form_Load();
    ui.FillAll(
        std::vector<std::string>(WorkedSets()[0].texts.begin(), WorkedSets()[0].texts.end()));
    UnitBook book;
    std::unique_ptr<UnitGate> gate;
    if (c.scanned) gate = std::make_unique<UnitGate>(form.link(), book, ScanRules{}, "s");
    form.cmdFileSend_Click();
    std::vector<std::string> writes;
    for (const Step step : c.steps) {
      if (step == Scan) {
        ASSERT_EQ(gate->Offer("SN-1"), std::nullopt);
      }
      if (step == Ready) port.Deliver({kReadyByte});
      if (step == Tick) {
        const size_t before = port.writes.size();
        form.Timer1_Timer();
        if (port.writes.size() > before) {
          writes.push_back(port.writes.back().size() == kFrameSize ? "frame" : "8");
        }
      }
    }
    EXPECT_EQ(writes, c.writes);
  }
}

TEST_F(UnitGateTest, ALateOrSecondAcknowledgementBringsNoFrameAndNoFailure) {
  struct Case {
    const char* what;
    int extraAcks;  // acknowledgements after the first, before the result's tick
    bool lateAck;   // one more after the result, before the next board's poll
  };
  const Case cases[] = {
      {"acknowledged twice", 1, false}, {"a late acknowledgement", 0, true}, {"both", 2, true}};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string serial = "SN-A" + std::to_string(++n);
    ASSERT_EQ(gate.Offer(serial), std::nullopt);
    before = results.size();
    ASSERT_EQ(TickUntilWrite(), "8");
    Ready();
    ASSERT_EQ(Tick(), "frame");
    Ready();
    for (int i = 0; i < c.extraAcks; ++i) Ready();
    Tick();
    if (c.lateAck) Ready();
    ASSERT_EQ(results.size(), before + 1);
    EXPECT_TRUE(results.back().passed);
    // Nothing goes out until the next board is scanned, and then its poll comes first.
    EXPECT_EQ(TickUntilWrite(), "");
    ASSERT_EQ(gate.Offer(serial + "-next"), std::nullopt);
    if (c.lateAck) Ready();  // late again, after the next scan but before its poll
    EXPECT_EQ(TickUntilWrite(), "8");
    before = results.size();
    for (int i = 0; i < 12; ++i) Tick();
    EXPECT_EQ(results.size(), before) << "no frame went out, so no board failed";
    Ready();
    ASSERT_EQ(TickUntilWrite(), "frame");
    Ready();
    Tick();
    ASSERT_EQ(results.size(), before + 1);
    EXPECT_TRUE(results.back().passed);
  }
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

TEST_F(UnitGateTest, EveryRefusalSaysItsKind) {
  using R = UnitGate::Refusal;
  FakeSerialPort otherPort;
  FakeServices otherUi;
  frmMain other(otherUi, otherPort);
  UnitGate second{other.link(), book, {}, "station-1"};
  ASSERT_EQ(gate.Offer("SN-1"), std::nullopt);
  Program(true);                                // SN-1 passed
  ASSERT_EQ(gate.Offer("SN-2"), std::nullopt);  // SN-2 in hand on this port
  const struct {
    UnitGate* on;
    const char* serial;
    R kind;
  } cases[] = {
      {&second, "SN\x01", R::NotASerial},  {&gate, "SN-3", R::Busy},
      {&second, "SN-2", R::OnAnotherPort}, {&second, "SN-1", R::AlreadyPassed},
      {&second, "SN-4", R::None},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.serial);
    EXPECT_EQ(c.on->Offer(c.serial).has_value(), c.kind != R::None);
    EXPECT_EQ(c.on->LastRefusal(), c.kind);
  }
}

// The record's boards as an index answers for them, one serial at a time.
class FakeHistory : public BoardHistory {
 public:
  std::variant<std::optional<UnitBook::Past>, std::string> Look(
      const std::string& serial) override {
    ++asked;
    if (!why.empty()) return why;
    const auto it = boards.find(serial);
    if (it == boards.end()) return std::optional<UnitBook::Past>();
    return std::optional(it->second);
  }
  std::map<std::string, UnitBook::Past> boards;
  std::string why;  // the index cannot be asked
  int asked = 0;
};

TEST_F(UnitGateTest, TheRecordsIndexDecidesForABoardBeforeThisRunSawIt) {
  FakeHistory history;
  history.boards["SN-PASSED"] = {2, true, 1000, "line3", "/dev/ttyUSB1"};
  history.boards["SN-FAILED"] = {3, false, 0, "", ""};
  book.UseHistory(&history);
  const struct {
    const char* serial;
    const char* why;           // the index cannot be asked
    const char* refusedStart;  // nothing: taken, as `attempt`
    int attempt;
  } cases[] = {
      {"SN-PASSED", "", "board SN-PASSED already passed at ", 0},
      {"SN-FAILED", "", nullptr, 4},
      {"SN-NEW", "", nullptr, 1},
      {"SN-ANY", "the disk is gone",
       "board SN-ANY cannot be checked against this station's record: the disk is gone", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.serial);
    history.why = c.why;
    const auto refused = gate.Offer(c.serial);
    if (c.refusedStart) {
      ASSERT_TRUE(refused.has_value());
      EXPECT_TRUE(refused->starts_with(c.refusedStart)) << *refused;
      EXPECT_TRUE(gate.Waiting());
      continue;
    }
    ASSERT_EQ(refused, std::nullopt);
    EXPECT_EQ(gate.Attempt(), c.attempt);
    Program(false);  // a result lets the serial go
    before = results.size();
  }
  // What this run learnt stands over the index: a failed board's next attempt counts on.
  history.why.clear();
  ASSERT_EQ(gate.Offer("SN-FAILED"), std::nullopt);
  EXPECT_EQ(gate.Attempt(), 5);
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

UnitBook::Past PassedAt(int attempts, std::string station, std::string port) {
  // 2026-12-07 10:18 UTC, a day that is never today when the tests run
  return UnitBook::Past{attempts, true, 1796638680000, std::move(station), std::move(port)};
}

// A second port's form and gate, started, asking `remote`; its clock is the test's.
struct HeldPort {
  HeldPort(UnitBook& book, ScanRules rules, PassRegister* remote) {
    form.Form_Load();
    ui.FillAll(
        std::vector<std::string>(WorkedSets()[0].texts.begin(), WorkedSets()[0].texts.end()));
    form.link().steadyClock = [this] { return now; };
    form.cmdFileSend_Click();
    gate = std::make_unique<UnitGate>(form.link(), book, std::move(rules), "station-1");
    gate->SetRegister(remote);
    gate->onLateRefusal = [this](const std::string& serial, const std::string& reason) {
      refusals.push_back(serial + ": " + reason);
    };
    form.link().AddListener([this](const LinkEvent& e) {
      if (TraitsOf(e.kind).endsBoard) checks.push_back(e.checkedBy);
    });
  }
  // `n` ticks, each `step` later than the one before.
  void Ticks(int n, std::chrono::milliseconds step = std::chrono::milliseconds(200)) {
    for (int i = 0; i < n; ++i) {
      now += step;
      form.Timer1_Timer();
    }
  }
  FakeSerialPort port;
  FakeServices ui;
  frmMain form{ui, port};
  SteadyClock::time_point now{};
  std::unique_ptr<UnitGate> gate;
  std::vector<std::string> refusals;
  std::vector<std::string> checks;  // how each board's serial was checked, by its result
};

TEST_F(UnitGateTest, TheLineDatabaseIsAskedBeforeTheBoardIsTouched) {
  struct Case {
    const char* what;
    std::optional<UnitBook::Past> known;  // what the line database knows; nothing: no answer
    bool rework;
    int attempt;  // the attempt taken; 0: refused; -1: held
  };
  const Case cases[] = {
      {"unknown there", UnitBook::Past{}, false, 1},
      {"failed twice at another station", UnitBook::Past{2, false, 0, "", ""}, false, 3},
      {"passed at another station", PassedAt(1, "s2", "/dev/ttyUSB3"), false, 0},
      {"passed there, reworked", PassedAt(1, "s2", "/dev/ttyUSB3"), true, 2},
      {"the server could not be asked", std::nullopt, false, -1},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HeldRegister remote;
    HeldPort other(book, {nullptr, "", c.rework}, &remote);
    const std::string serial = "SN-R" + std::to_string(++n);
    ASSERT_EQ(other.gate->Offer(serial), std::nullopt);
    ASSERT_EQ(remote.asked.size(), 1u);
    EXPECT_EQ(remote.asked[0].first, serial);
    other.Ticks(5);
    EXPECT_TRUE(other.port.writes.empty()) << "no poll while the line database is asked";
    EXPECT_FALSE(other.gate->Waiting());
    remote.asked[0].second(c.known);
    EXPECT_EQ(other.gate->Checking(), c.attempt == -1);
    EXPECT_EQ(other.gate->LineUnreachable(), c.attempt == -1);
    EXPECT_EQ(other.gate->Attempt(), std::max(c.attempt, 0));
    EXPECT_EQ(other.gate->Waiting(), c.attempt == 0);
    other.Ticks(12);
    EXPECT_EQ(other.port.writes.empty(), c.attempt <= 0) << "polled once taken, and only then";
    ASSERT_EQ(other.refusals.size(), c.attempt == 0 ? 1u : 0u);
    if (c.attempt == 0) {
      EXPECT_EQ(other.refusals[0], serial + ": board " + serial + " already passed at 2026-12-07 " +
                                       LocalClockTime(1796638680000, 1796638680000) +
                                       " on s2 /dev/ttyUSB3; scan another board, or ask the "
                                       "engineer to allow a rework");
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

TEST_F(UnitGateTest, ABoardTheLineCannotAnswerForIsHeldAndAskedForAgainNeverTakenAsNew) {
  struct Case {
    const char* what;
    bool silent;  // the question is never answered, rather than answered "not asked"
  };
  for (const Case c : {Case{"no answer", false}, Case{"a hung server", true}}) {
    SCOPED_TRACE(c.what);
    HeldRegister remote;
    HeldPort other(book, {}, &remote);
    ASSERT_EQ(other.gate->Offer("SN-ELSEWHERE"), std::nullopt);
    if (!c.silent) remote.asked[0].second(std::nullopt);
    other.Ticks(1);
    EXPECT_EQ(other.gate->LineUnreachable(), !c.silent) << "said at once when not asked";
    other.Ticks(10);  // past the time the line has to answer
    EXPECT_TRUE(other.gate->LineUnreachable());
    EXPECT_TRUE(other.port.writes.empty()) << "held: no poll, no frame";
    // Asked again while it cannot answer (a hung server's question is not asked twice).
    EXPECT_EQ(remote.asked.size(), c.silent ? 1u : 2u);
    if (!c.silent) {
      remote.asked[1].second(std::nullopt);
      other.Ticks(6);
      EXPECT_EQ(remote.asked.size(), 3u);
    }
    // Then it answers: the board passed at another station, and is refused.
    remote.asked.back().second(PassedAt(1, "s2", "/dev/ttyUSB3"));
    EXPECT_TRUE(other.gate->Waiting());
    EXPECT_FALSE(other.gate->LineUnreachable());
    ASSERT_EQ(other.refusals.size(), 1u);
    other.Ticks(12);
    EXPECT_TRUE(other.port.writes.empty());
  }
}

TEST_F(UnitGateTest, AStationStartedToGoOnWithoutTheLineChecksWithItsRecordAndSaysSo) {
  HeldRegister remote;
  ScanRules rules;
  rules.lineOptional = true;
  HeldPort other(book, rules, &remote);
  // Answered: checked by the line.
  ASSERT_EQ(other.gate->Offer("SN-1"), std::nullopt);
  remote.asked[0].second(UnitBook::Past{});
  EXPECT_EQ(other.gate->CheckedBy(), "line");
  other.Ticks(1);
  other.port.Deliver({kReadyByte});
  other.Ticks(1);
  other.port.Deliver({kReadyByte});
  other.Ticks(1);
  ASSERT_TRUE(other.gate->Waiting());
  // Silent: after the time it has to answer, the record alone decides.
  ASSERT_EQ(other.gate->Offer("SN-2"), std::nullopt);
  other.Ticks(9);
  EXPECT_TRUE(other.gate->Checking());
  other.Ticks(2);
  EXPECT_EQ(other.gate->CheckedBy(), "record");
  EXPECT_EQ(other.gate->Serial(), "SN-2");
  other.port.Deliver({kReadyByte});
  other.Ticks(12);  // its frame, and no acknowledgement: a failure
  // The next board is asked for; the answer for the board before comes only now, too late to
  // change it, and the next board keeps its own deadline.
  ASSERT_EQ(other.gate->Offer("SN-3"), std::nullopt);
  remote.asked[1].second(PassedAt(1, "s2", "/dev/ttyUSB3"));
  EXPECT_TRUE(other.refusals.empty());
  other.Ticks(11);
  EXPECT_EQ(other.gate->Serial(), "SN-3");
  EXPECT_EQ(other.gate->CheckedBy(), "record");
  EXPECT_EQ(other.checks, (std::vector<std::string>{"line", "record"}));
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
  EXPECT_TRUE(one->passed);
  EXPECT_EQ(one->passedMs, *EpochMs("2026-12-08T10:00:05.000+08:00"));
  EXPECT_EQ(one->station + " " + one->port, "s1 /dev/ttyUSB0");
  const UnitBook::Past* two = book.Find("SN-2");
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(two->attempts, 1);
  EXPECT_FALSE(two->passed);
  EXPECT_EQ(book.Find(""), nullptr);
}

}  // namespace
}  // namespace ctrlprog::testing
