#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ctrlprog {

// Milliseconds since 1970 of a time as the record writes it, or as an operator types it for a
// report: 2026-12-07T21:30:05.123+08:00, 2026-12-07T13:30Z, 2026-12-07T13:30:05 (UTC when no
// offset is given). A date the calendar does not have (2026-02-31) is no time.
std::optional<int64_t> EpochMs(const std::string& time);

// The UTC hour of a record time ("2026-12-07T21:30:05.123+08:00" → "2026-12-07T13:00Z"), or
// empty for anything but a record's own time.
std::string UtcHour(const std::string& recordTime);

// A time as an operator reads a clock, in local time: "10:18" on the day of `nowMs`, else with
// its date, "2026-12-07 10:18".
std::string LocalClockTime(int64_t epochMs, int64_t nowMs);

// A time as ISO 8601 in UTC with milliseconds: 2026-12-07T13:30:05.123Z.
std::string UtcIso(int64_t epochMs);

}  // namespace ctrlprog
