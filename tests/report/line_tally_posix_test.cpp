// A report's hours in local time, named with their offset: a zone half an hour off the hour, and
// the night the clocks go forward. POSIX: the zone is set through TZ.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "linedb/record_time.h"
#include "report/line_tally.h"

namespace ctrlprog {
namespace {

// Sets TZ for one test, and puts back what was there.
class TimeZone {
 public:
  explicit TimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~TimeZone() {
    if (old_.empty()) {
      ::unsetenv("TZ");
    } else {
      ::setenv("TZ", old_.c_str(), 1);
    }
    ::tzset();
  }

 private:
  std::string old_;
};

TEST(LineTally, LocalHoursAreNamedWithTheirOwnOffsetAndBeginWhenTheClockSays) {
  const struct {
    const char *zone, *at, *hour, *began;
  } cases[] = {
      {"Asia/Kolkata", "2026-12-07T13:40:00Z", "2026-12-07T19:00+05:30", "2026-12-07T13:30Z"},
      {"Asia/Shanghai", "2026-12-07T13:40:00Z", "2026-12-07T21:00+08:00", "2026-12-07T13:00Z"},
      {"America/New_York", "2026-03-08T06:30:00Z", "2026-03-08T01:00-05:00", "2026-03-08T06:00Z"},
      {"America/New_York", "2026-03-08T07:30:00Z", "2026-03-08T03:00-04:00", "2026-03-08T07:00Z"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.zone) + " " + c.at);
    const TimeZone zone(c.zone);
    std::string name;
    const int64_t began = HourOf(*EpochMs(c.at), false, name);
    EXPECT_EQ(name, c.hour);
    EXPECT_EQ(began, *EpochMs(c.began));
    HourOf(*EpochMs(c.at), true, name);
    EXPECT_EQ(name, std::string(c.began).substr(0, 13) + ":00Z") << "UTC, whatever the zone";
  }
}

}  // namespace
}  // namespace ctrlprog
