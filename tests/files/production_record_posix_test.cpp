// The production record on POSIX systems, where a size limit makes a row fail to be written.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "files/production_record.h"
#include "files/record_rows.h"
#include "link/link_test_fixture.h"
#include "model/hex.h"
#include "record/record_writer.h"
#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

using testing::TempDir;

using testing::RowsOf;

// The form with a record attached: each board's row carries the frame the device received, and
// a row that cannot be written stops the transfer before another board is programmed.
class RecordedStation : public testing::LinkTest {
 protected:
  RecordedStation() {
    auto opened = ProductionRecord::Open(path);
    writer = std::make_unique<RecordWriter>(
        std::move(std::get<std::unique_ptr<ProductionRecord>>(opened)));
    form.AttachRecord(*writer, "station-1");
    form.cmdFileSend_Click();
  }
  // One board, its row stored before the next.
  void Board() {
    Tick();
    Ready();
    Tick();
    Ready();
    Tick();
    (void)writer->Drain();
  }
  TempDir dir;
  std::string path = dir.Path("record.csv");
  std::unique_ptr<RecordWriter> writer;
};

TEST_F(RecordedStation, RowsCarryTheFramesTheDeviceGotAndAFailedRowStopsTheLine) {
  Board();
  Board();
  const std::vector<std::string> rows = RowsOf(TempDir::Read(path));
  ASSERT_EQ(rows.size(), 3u);
  std::vector<std::string> frames;
  for (const auto& w : port.writes) {
    if (w.size() == kFrameSize) frames.push_back(ToHex(w));
  }
  ASSERT_EQ(frames.size(), 2u);
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_NE(rows[i + 1].find("," + frames[i] + ",PASS,"), std::string::npos) << rows[i + 1];
  }

  // The file may grow no further: the next board is programmed but cannot be recorded.
  struct rlimit old {};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = TempDir::Read(path).size();
  ::setrlimit(RLIMIT_FSIZE, &small);
  Board();
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  Tick();  // the next tick finds the record failed

  EXPECT_EQ(link().State(), Closed);
  EXPECT_FALSE(ui.TimerEnabled());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "The production record " + path +
                                " could not be written: the disk is full. The last board on 1 was "
                                "programmed but not recorded. The transfer was stopped.");
  EXPECT_EQ(RowsOf(TempDir::Read(path)).size(), 3u);
  const size_t frameWrites = port.writes.size();
  Board();
  EXPECT_EQ(port.writes.size(), frameWrites);
}

}  // namespace
}  // namespace ctrlprog

namespace ctrlprog {
namespace {

// The tests' own folders: one that cannot be made is a failure said at once, never a loop.
TEST(TempDir, GivesUpOnAFolderItCannotMakeAndSaysWhere) {
  const char* before = std::getenv("TMPDIR");
  const std::string saved = before ? before : "";
  ::setenv("TMPDIR", "/proc", 1);  // a folder where no folder can be made, even by root
  std::string said;
  try {
    testing::TempDir dir;
  } catch (const std::runtime_error& e) {
    said = e.what();
  }
  if (before) {
    ::setenv("TMPDIR", saved.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  EXPECT_TRUE(said.starts_with("cannot make a test folder in ")) << said;
}

}  // namespace
}  // namespace ctrlprog
