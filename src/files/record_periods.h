#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ctrlprog {

// How often a record kept for years starts a new file: never, every day or every month.
enum class RecordRotation { None, Daily, Monthly };
// "daily" or "monthly"; nothing for any other word.
std::optional<RecordRotation> RotationNamed(std::string_view word);

// The file the rows of `time` (its local date) go to: RECORD-YYYY-MM-DD.csv or
// RECORD-YYYY-MM.csv beside the record named RECORD.csv, or the record itself.
std::string PeriodFile(const std::string& recordPath, RecordRotation rotation,
                       std::chrono::system_clock::time_point time);

// Every file of the record named `recordPath`, oldest first: the record itself where it is,
// then each period's file beside it, in the order of their dates.
std::vector<std::string> RecordFiles(const std::string& recordPath);

}  // namespace ctrlprog
