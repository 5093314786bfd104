// Record times as the line database and the report read them: real calendar dates only, UTC
// hours as the server counts them.
#include "linedb/record_time.h"

#include <gtest/gtest.h>

namespace ctrlprog {
namespace {

TEST(RecordTime, TimesBecomeUtcHoursAsTheServerCountsThemAndNoFalseDateIsATime) {
  const struct {
    std::string time, hour;
    std::optional<int64_t> ms;
  } cases[] = {
      {"2026-12-07T21:30:05.123+08:00", "2026-12-07T13:00Z", 1796650205123},
      {"2026-12-08T01:10:00.000+08:00", "2026-12-07T17:00Z", 1796663400000},
      {"2026-12-31T23:59:59.999-05:00", "2027-01-01T04:00Z", 1798779599999},
      {"2024-02-29T00:00:00.000+00:00", "2024-02-29T00:00Z", 1709164800000},
      {"1969-12-31T23:59:59.999+00:00", "1969-12-31T23:00Z", -1},
      {"2026-12-07T13:30Z", "", 1796650200000},  // a report's bound, not a record time
      {"2026-12-07T13:30:05", "", 1796650205000},
      {"2026-02-31T10:00:00.000+08:00", "", std::nullopt},  // a hand-edited date
      {"2025-02-29T10:00:00.000+08:00", "", std::nullopt},
      {"2026-12-07T24:00:00.000+08:00", "", std::nullopt},
      {"2026-12-07T21:30:60.000+08:00", "", std::nullopt},
      {"2026-12-07T21:30:05.123+16:00", "", std::nullopt},
      {"2026-12-07T21:30:05.123+08:00x", "", std::nullopt},
      {"yesterday", "", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UtcHour(c.time), c.hour) << c.time;
    EXPECT_EQ(EpochMs(c.time), c.ms) << c.time;
  }
  EXPECT_EQ(UtcIso(1796650205123), "2026-12-07T13:30:05.123Z");
  EXPECT_EQ(UtcIso(0), "1970-01-01T00:00:00.000Z");
}

}  // namespace
}  // namespace ctrlprog
