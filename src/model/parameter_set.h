#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "model/parameter_table.h"
#include "ui/services/window_services.h"

namespace ctrlprog {

// The sixteen parameter texts, index 0..15; empty where nothing is chosen yet.
using ParameterSet = std::array<std::string, kParameterCount>;

inline constexpr std::string_view kIncompleteMessage = "Please check all parameter was stuffed";

// Copies the lists' texts into `strParam` in index order, stopping right after the first empty
// one, whose index is returned. Nothing is returned when the set is complete.
[[nodiscard]] std::optional<int> ReadListsIntoSet(WindowServices& ui, ParameterSet& strParam);

// Sets parameter `index` to the choice `text` names and selects it in its list. A text that names
// no choice is refused (false) and nothing changes.
[[nodiscard]] bool ApplyText(WindowServices& ui, ParameterSet& strParam, int index,
                             std::string_view text);

}  // namespace ctrlprog
