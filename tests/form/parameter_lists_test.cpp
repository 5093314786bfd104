#include "form/parameter_lists.h"

#include <gtest/gtest.h>

#include "support/fake_services.h"

namespace ctrlprog {
namespace {

TEST(ReadListsIntoSet, FailsAtIndexZeroOnAFreshStart) {
  testing::FakeServices ui;
  ParameterSet set;
  set.fill("old");
  EXPECT_EQ(ReadListsIntoSet(ui, set), 0);
  EXPECT_EQ(set[0], "");
  EXPECT_EQ(set[1], "old");  // stopped right after the empty one
}

TEST(ReadListsIntoSet, CopiesInPlaceUpToAndIncludingTheFirstEmptyList) {
  for (int empty : {7, 15}) {
    testing::FakeServices ui;
    ParameterSet set;
    set.fill("old");
    for (int i = 0; i < kParameterCount; ++i) {
      if (i != empty) ui.ComboSelect(i, ParameterTable()[static_cast<size_t>(i)].choices.back());
    }
    EXPECT_EQ(ReadListsIntoSet(ui, set), empty);
    for (int i = 0; i < kParameterCount; ++i) {
      const std::string expected = i < empty
                                       ? ParameterTable()[static_cast<size_t>(i)].choices.back()
                                   : i == empty ? ""
                                                : "old";
      EXPECT_EQ(set[static_cast<size_t>(i)], expected) << "index " << i;
    }
  }
}

TEST(ReadListsIntoSet, ReportsACompleteSet) {
  testing::FakeServices ui;
  ui.FillAll();
  ParameterSet set;
  EXPECT_EQ(ReadListsIntoSet(ui, set), std::nullopt);
  EXPECT_EQ(set[1], "30     ");
}

TEST(ApplyText, SelectsTheChoiceOrRefusesAndKeepsThePrevious) {
  testing::FakeServices ui;
  ParameterSet set;
  EXPECT_TRUE(ApplyText(ui, set, 1, "30"));
  EXPECT_EQ(set[1], "30     ");
  EXPECT_EQ(ui.ComboText(1), "30     ");
  EXPECT_FALSE(ApplyText(ui, set, 1, "31"));
  EXPECT_EQ(set[1], "30     ");
  EXPECT_EQ(ui.ComboText(1), "30     ");
}

}  // namespace
}  // namespace ctrlprog
