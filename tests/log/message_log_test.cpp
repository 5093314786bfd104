#include "log/message_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_services.h"

namespace ctrlprog {
namespace {

using Colours = std::vector<std::optional<Rgb>>;
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};

// The log as a full re-colour leaves it: the whole text set again, then every line selected and
// coloured from its mark, in line order.
void RecolourEverything(testing::FakeServices& ui, const MessageLog& log) {
  const std::string text = ui.LogText();
  ui.SetLogText(text);
  const auto& marks = log.lngLineMark();
  const int32_t top = log.lngMarkTop();
  const long length = static_cast<long>(ui.LogColours().size());
  for (int32_t i = 1; i <= top - 1; i += 2) {
    const long start = marks[static_cast<size_t>(i)];
    const long len = i < top - 1 ? marks[static_cast<size_t>(i) + 2] - start : length - start;
    ui.SelectLog(start, len);
    if (auto c = ColourForCode(marks[static_cast<size_t>(i) + 1])) ui.ColourLogSelection(*c);
  }
}

TEST(MessageLog, FirstLineTakesItsColourWholeAndMarksStartAtZero) {
  testing::FakeServices ui;
  MessageLog log(ui);
  log.Reset();
  log.ReceiveDisplay("Transmit Started", 3);
  EXPECT_EQ(log.lngMarkTop(), 2);
  EXPECT_EQ(log.lngLineMark()[1], 0);
  EXPECT_EQ(log.lngLineMark()[2], 3);
  EXPECT_EQ(ui.LogText(), "Transmit Started\r");
  EXPECT_EQ(ui.LogColours(), Colours(17, kBlue));
}

TEST(MessageLog, ColoursEachLineIncludingItsCarriageReturn) {
  testing::FakeServices ui;
  MessageLog log(ui);
  log.ReceiveDisplay("A", 1);
  log.ReceiveDisplay("BC", 3);
  EXPECT_EQ(ui.LogText(), "A\rBC\r");
  EXPECT_EQ(ui.LogColours(), (Colours{kGreen, kGreen, kBlue, kBlue, kBlue}));
  EXPECT_EQ((std::vector<int32_t>{0, 0, 1, 2, 3}), log.lngLineMark());
}

TEST(MessageLog, OtherCodesLeaveTheirLineUncolouredAndEmptyMessagesStillAddALine) {
  testing::FakeServices ui;
  MessageLog log(ui);
  log.ReceiveDisplay("x", 0);
  log.ReceiveDisplay("", 1);
  log.ReceiveDisplay("y", 4);
  EXPECT_EQ(ui.LogText(), "x\r\ry\r");
  EXPECT_EQ(ui.LogColours(),
            (Colours{std::nullopt, std::nullopt, kGreen, std::nullopt, std::nullopt}));
  EXPECT_EQ(log.lngMarkTop(), 6);
}

TEST(MessageLog, AppendingOneLineGivesWhatAFullRecolourGives) {
  const std::vector<std::pair<std::string, int32_t>> lines = {
      {"Transmit Started", 3}, {"", 2},        {"Comm is Closed", 1},
      {"文件传输", 3},         {"x", 0},       {"tail", 2},
      {"Transmit Fail!", 5},   {"（Ture）", 1}};
  testing::FakeServices incremental;
  MessageLog log(incremental);
  log.Reset();
  for (const auto& [text, code] : lines) {
    log.ReceiveDisplay(text, code);
    testing::FakeServices full;
    full.SetLogText(incremental.LogText());
    RecolourEverything(full, log);
    EXPECT_EQ(full.LogText(), incremental.LogText());
    EXPECT_EQ(full.LogColours(), incremental.LogColours()) << "after " << text;
  }
}

TEST(MessageLog, OffsetsCountCharactersNotBytes) {
  testing::FakeServices ui;
  MessageLog log(ui);
  log.ReceiveDisplay("文件传输", 3);
  log.ReceiveDisplay("A", 3);
  EXPECT_EQ(log.lngLineMark()[3], 5);
}

TEST(MessageLog, ResetEmptiesTextAndMarks) {
  testing::FakeServices ui;
  MessageLog log(ui);
  log.ReceiveDisplay("A", 1);
  log.Reset();
  EXPECT_EQ(ui.LogText(), "");
  EXPECT_EQ(log.lngMarkTop(), 0);
  log.ReceiveDisplay("B", 1);
  EXPECT_EQ(log.lngLineMark()[1], 0);
}

// A view that keeps its newest lines only, as the window's does.
class NewestLines : public LogView {
 public:
  explicit NewestLines(size_t keep) : keep_(keep) {}
  void SetLogText(std::string_view text) override {
    lines_.clear();
    if (!text.empty()) lines_.emplace_back(text);
  }
  void AppendLog(std::string_view text, std::optional<Rgb>) override {
    lines_.emplace_back(text);
    if (lines_.size() > keep_) lines_.erase(lines_.begin());
  }
  size_t LogLineLimit() const override { return keep_; }
  std::string Text() const {
    std::string text;
    for (const std::string& line : lines_) text += line;
    return text;
  }

 private:
  size_t keep_;
  std::vector<std::string> lines_;
};

TEST(MessageLog, AViewThatKeepsItsNewestLinesHasTheMarksOfTheLinesItShows) {
  NewestLines view(3);
  MessageLog log(view);
  log.Reset();
  const std::vector<std::pair<std::string, int32_t>> lines = {{"Transmit Started", 3},
                                                              {"Comm Lost", 2},
                                                              {"Comm Restored", 1},
                                                              {"Transmit Finished", 3},
                                                              {"Transmit Fail!", 3}};
  for (const auto& [text, colour] : lines) log.ReceiveDisplay(text, colour);
  EXPECT_EQ(log.lngMarkTop(), 6);
  const std::vector<int32_t> marks = log.lngLineMark();
  const std::string shown = view.Text();
  for (int k = 0; k < 3; ++k) {
    const auto start = static_cast<size_t>(marks[static_cast<size_t>(2 * k + 1)]);
    const auto& [text, colour] = lines[static_cast<size_t>(k + 2)];
    EXPECT_EQ(shown.substr(start, text.size() + 1), text + "\r") << "line " << k;
    EXPECT_EQ(marks[static_cast<size_t>(2 * k + 2)], colour);
  }
}

}  // namespace
}  // namespace ctrlprog
