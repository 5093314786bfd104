#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "scan/serial_pattern.h"

namespace ctrlprog {

inline constexpr size_t kMaxSerialLength = 64;

// Why a scanned serial cannot name a board, or nothing when it can: printable ASCII, 1 to 64
// characters, and matching `pattern` whole where one is given. `patternText` is how the pattern
// was written, for the reason.
std::optional<std::string> SerialRefusal(std::string_view serial, const SerialPattern* pattern,
                                         std::string_view patternText);

// Why scanned boards' rows cannot go to the record at `path`, naming a new file for them: it was
// begun before rows named their board, in an older shape that keeps its header true. Nothing
// when they can (missing, empty, or begun with our header).
// With `namesChecks` (a station that goes on without the line database), rows must also name
// how their serial was checked.
std::optional<std::string> ScannedRecordRefusal(const std::string& path, bool namesChecks = false);
// A name for a new record beside `path`, for the rows that name their board.
std::string ScannedRecordName(const std::string& path);

// A scanned line without the spaces and line ends a scanner or a keyboard leaves around it.
std::string_view TrimScan(std::string_view line);

}  // namespace ctrlprog
