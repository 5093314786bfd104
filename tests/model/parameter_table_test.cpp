#include "model/parameter_table.h"

#include <gtest/gtest.h>

#include <set>

namespace ctrlprog {
namespace {

TEST(ParameterTable, HasTheListedNumberOfChoicesPerParameter) {
  const size_t counts[kParameterCount] = {4, 46, 84, 44, 9, 50, 2, 74, 74, 74, 11, 11, 2, 3, 3, 12};
  for (size_t i = 0; i < kParameterCount; ++i) {
    EXPECT_EQ(ParameterTable()[i].choices.size(), counts[i]) << "index " << i;
  }
}

TEST(ParameterTable, ChoicesAreUniqueWithinEachList) {
  for (const auto& p : ParameterTable()) {
    EXPECT_EQ(std::set<std::string>(p.choices.begin(), p.choices.end()).size(), p.choices.size())
        << p.caption;
  }
}

TEST(ParameterTable, KeepsTheExactTextsAtTheEdgesOfEachList) {
  struct Case {
    int index;
    std::string first, last;
  };
  const Case cases[] = {
      {0, "1:Torva", "4:Pibes"},
      {1, "30     ", "135"},
      {2, "7.0", "57.0"},
      {3, "20.1", "64.0"},
      {4, "0.1", "4.0"},
      {5, "50", "99"},
      {6, "0:Switch Mode", "1:Cycle Mode"},
      {7, "30", "120"},
      {10, "1.0", "10.0"},
      {11, "1.0", "15.0"},
      {12, "0:Up 15 Mark（Ture）", "1:Only fake Indicate"},
      {13, "0:Comm VCC", "2:164 Mode-P1-DAT P2-CLK"},
      {14, "0", "2"},
      {15, "15", "70"},
  };
  for (const auto& c : cases) {
    const auto& choices = ParameterTable()[static_cast<size_t>(c.index)].choices;
    EXPECT_EQ(choices.front(), c.first) << c.index;
    EXPECT_EQ(choices.back(), c.last) << c.index;
  }
}

TEST(ParameterTable, WritesRangesOfIndicesTwoAndThreeWithOneDecimal) {
  const auto& rated = ParameterTable()[2].choices;
  EXPECT_EQ(rated[1], "7.5");
  EXPECT_EQ(rated[66], "40.0");
  EXPECT_EQ(rated[67], "41.0");
  const auto& limit = ParameterTable()[3].choices;
  EXPECT_EQ(limit[19], "22.0");
  EXPECT_EQ(limit[20], "22.5");
  EXPECT_EQ(limit[21], "30.5");
  for (const auto& c : limit) EXPECT_EQ(c.size() - c.find('.'), 2u) << c;
}

TEST(ParameterTable, NamesGroupsAndCaptionsAsShown) {
  EXPECT_EQ(ParameterTable()[1].group, "Current、Voltage Design");
  EXPECT_EQ(ParameterTable()[1].caption, "PhaseCurrent(A)：");
  EXPECT_EQ(ParameterTable()[10].group, "Time && Others");
  EXPECT_EQ(ParameterTable()[13].group, "Speed Mode");
  EXPECT_EQ(DisplayName(0), "Board Type");
  EXPECT_EQ(DisplayName(15), "Converse Speed%：");
}

TEST(MatchChoice, MatchesExactlyOrIgnoringTrailingBlanks) {
  struct Case {
    int index;
    std::string text;
    std::optional<std::string> choice;
  };
  const Case cases[] = {
      {1, "30     ", "30     "},    {1, "30", "30     "},
      {1, "30 ", "30     "},        {1, "35  ", "35"},
      {1, " 35", std::nullopt},     {1, "", std::nullopt},
      {1, "     ", std::nullopt},   {1, "36.0", std::nullopt},
      {0, "1:torva", std::nullopt}, {12, "0:Up 15 Mark（Ture）", "0:Up 15 Mark（Ture）"},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchChoice(c.index, c.text), c.choice) << c.text;
}

}  // namespace
}  // namespace ctrlprog
