#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ctrlprog {

inline constexpr int kParameterCount = 16;

// One parameter of the controller: the frame it stands in on the window, the label beside its
// list, and its closed list of choices in list order.
struct Parameter {
  std::string group;    // caption of the group frame, as stored ("Time && Others")
  std::string caption;  // label text; empty for Board Type, whose group caption serves
  std::vector<std::string> choices;
};

// The sixteen parameters, index 0..15.
const std::array<Parameter, kParameterCount>& ParameterTable();

// What the operator reads for the parameter: its label, or the group caption when it has none.
const std::string& DisplayName(int index);

// The choice of parameter `index` that `text` names: an exact match, or else a match once
// trailing blanks are ignored on both sides. Empty when it names none.
[[nodiscard]] std::optional<std::string> MatchChoice(int index, std::string_view text);

}  // namespace ctrlprog
