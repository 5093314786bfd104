#include "model/val.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace ctrlprog {
namespace {

TEST(Val, ReadsTheLeadingNumberOfAText) {
  struct Case {
    std::string text;
    double value;
  };
  const Case cases[] = {
      {"1:Torva", 1},
      {"30     ", 30},
      {"2:164 Mode-P1-DAT P2-CLK", 2},
      {"0:Up 15 Mark（Ture）", 0},
      {"20.5", 20.5},
      {"1 2", 12},
      {"", 0},
      {"abc", 0},
      {"   \t\n 7.5", 7.5},
      {"1\t2\n3", 123},
      {"- 5", -5},
      {"+4", 4},
      {"-", 0},
      {".", 0},
      {".5", 0.5},
      {"1.2.3", 1.2},
      {"1,5", 1},  // the decimal point is "." whatever the locale
      {"1E2", 100},
      {"1e2", 100},
      {"1D2", 100},
      {"2.5E-1", 0.25},
      {"1 E +2", 100},
      {"1E", 1},
      {"1E+", 1},
      {"1Ex", 1},
      {"&H1F", 31},
      {"&hff", 255},
      {"&HFFFF", -1},  // 16-bit values are signed
      {"&H10000", 65536},
      {"&HFFFFFFFF", -1},
      {"&O17", 15},
      {"&o777", 511},
      {"&O8", 0},
      {"&", 0},
      {"&X1", 0},
      {"\r1", 0},  // a carriage return is not skipped
      {"１", 0},   // full-width digits are not digits
      {"1E-999", 0},
      // Too small for a double with no exponent at all, or with a large number before it.
      {"0." + std::string(330, '0') + "1", 0},
      {"-0." + std::string(400, '0') + "7", 0},
      {"1" + std::string(400, '0') + "E-800", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Val(c.text), c.value) << '"' << c.text << '"';
}

TEST(Val, GivesInfinityForAnExponentTooLarge) {
  EXPECT_EQ(Val("1E999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(Val("-1E999"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(Val("&H1FFFFFFFF"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(Val("0." + std::string(400, '0') + "1E999"), std::numeric_limits<double>::infinity());
}

TEST(RoundHalfEven, SendsExactHalvesToTheEvenNeighbour) {
  const std::pair<double, double> cases[] = {{0.5, 0},   {1.5, 2},     {2.5, 2},    {3.5, 4},
                                             {2.4, 2},   {2.6, 3},     {-0.5, -0},  {-1.5, -2},
                                             {-2.5, -2}, {254.5, 254}, {255.5, 256}};
  for (const auto& [x, r] : cases) EXPECT_EQ(RoundHalfEven(x), r) << x;
  EXPECT_TRUE(std::isnan(RoundHalfEven(std::nan(""))));
}

}  // namespace
}  // namespace ctrlprog
