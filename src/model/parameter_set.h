#pragma once

#include <array>
#include <string>
#include <string_view>

#include "model/parameter_table.h"

namespace ctrlprog {

// The sixteen parameter texts, index 0..15; empty where nothing is chosen yet.
using ParameterSet = std::array<std::string, kParameterCount>;

inline constexpr std::string_view kIncompleteMessage = "Please check all parameter was stuffed";

}  // namespace ctrlprog
