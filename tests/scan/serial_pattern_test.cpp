// Operators' serial patterns: matched whole, refused at start when the matcher will not take
// them, and never slower than linear on a mis-scan. A matcher that backtracks hangs here until
// the test's time limit ends it.
#include "scan/serial_pattern.h"

#include <gtest/gtest.h>

#include <string>

#include "scan/serial_check.h"

namespace ctrlprog::testing {
namespace {

std::unique_ptr<SerialPattern> Compiled(const std::string& text) {
  auto compiled = SerialPattern::Compile(text);
  if (auto* why = std::get_if<std::string>(&compiled)) ADD_FAILURE() << text << ": " << *why;
  auto* p = std::get_if<std::unique_ptr<SerialPattern>>(&compiled);
  return p ? std::move(*p) : nullptr;
}

TEST(SerialPattern, MatchesTheWholeSerialOnly) {
  struct Case {
    const char* pattern;
    const char* serial;
    bool matches;
  };
  const Case cases[] = {
      {"SN-[0-9]{4}", "SN-0042", true},
      {"SN-[0-9]{4}", "SN-00421", false},
      {"SN-[0-9]{4}", "xSN-0042", false},
      {"A|AB", "AB", true},
      {"A|B", "AB", false},
      {"[A-Z]+\\d*", "ABC123", true},
      {"([A-Z0-9]+-?)+", "AB-12-CD", true},
      {"([A-Z0-9]+-?)+", "AB--12", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " on " + c.serial);
    const auto pattern = Compiled(c.pattern);
    ASSERT_NE(pattern, nullptr);
    EXPECT_EQ(pattern->Matches(c.serial), c.matches);
  }
}

TEST(SerialPattern, AnswersAtOnceOnAMisScanThatWouldBacktrackForAges) {
  // Nested repetition over 36 letters and one stray byte: 2^36 ways to fail for a backtracker.
  const auto pattern = Compiled("([A-Z0-9]+-?)+");
  ASSERT_NE(pattern, nullptr);
  const std::string misScan = std::string(36, 'A') + "!";
  EXPECT_FALSE(pattern->Matches(misScan));
  const auto refusal = SerialRefusal(misScan, pattern.get(), pattern->Text());
  ASSERT_TRUE(refusal.has_value());
  EXPECT_EQ(*refusal, "the serial does not match the pattern ([A-Z0-9]+-?)+");
}

TEST(SerialPattern, RefusesWhatTheMatcherCannotTakeAndSaysWhy) {
  // A back-reference cannot be matched in linear time; the others do not parse.
  for (const char* text : {"(a)\\1", "[A-Z", "SN-(", "a**"}) {
    SCOPED_TRACE(text);
    const auto compiled = SerialPattern::Compile(text);
    ASSERT_TRUE(std::holds_alternative<std::string>(compiled));
    EXPECT_FALSE(std::get<std::string>(compiled).empty());
  }
}

}  // namespace
}  // namespace ctrlprog::testing
