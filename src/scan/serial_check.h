#pragma once

#include <optional>
#include <regex>
#include <string>
#include <string_view>

namespace ctrlprog {

inline constexpr size_t kMaxSerialLength = 64;

// Why a scanned serial cannot name a board, or nothing when it can: printable ASCII, 1 to 64
// characters, and matching `pattern` whole where one is given. `patternText` is how the pattern
// was written, for the reason.
std::optional<std::string> SerialRefusal(std::string_view serial, const std::regex* pattern,
                                         std::string_view patternText);

// A scanned line without the spaces and line ends a scanner or a keyboard leaves around it.
std::string_view TrimScan(std::string_view line);

}  // namespace ctrlprog
