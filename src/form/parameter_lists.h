#pragma once

#include <optional>
#include <string_view>

#include "form/window_services.h"
#include "model/parameter_set.h"

namespace ctrlprog {

// Copies the lists' texts into `strParam` in index order, stopping right after the first empty
// one, whose index is returned. Nothing is returned when the set is complete.
[[nodiscard]] std::optional<int> ReadListsIntoSet(WindowServices& ui, ParameterSet& strParam);

// Sets parameter `index` to the choice `text` names and selects it in its list. A text that names
// no choice is refused (false) and nothing changes.
[[nodiscard]] bool ApplyText(WindowServices& ui, ParameterSet& strParam, int index,
                             std::string_view text);

}  // namespace ctrlprog
