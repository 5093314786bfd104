#include "form/parameter_lists.h"

namespace ctrlprog {

std::optional<int> ReadListsIntoSet(WindowServices& ui, ParameterSet& strParam) {
  for (int i = 0; i < kParameterCount; ++i) {
    strParam[static_cast<size_t>(i)] = ui.ComboText(i);
    if (strParam[static_cast<size_t>(i)].empty()) return i;
  }
  return std::nullopt;
}

bool ApplyText(WindowServices& ui, ParameterSet& strParam, int index, std::string_view text) {
  const std::optional<std::string> choice = MatchChoice(index, text);
  if (!choice || !ui.ComboSelect(index, *choice)) return false;
  strParam[static_cast<size_t>(index)] = *choice;
  return true;
}

}  // namespace ctrlprog
