#include "form/state_services.h"

#include <algorithm>

#include "model/parameter_table.h"

namespace ctrlprog {

StateServices::StateServices() : comboSelection_(kParameterCount, -1) {}

std::string StateServices::ComboText(int index) {
  if (index < 0 || index >= kParameterCount) return {};
  const int selected = comboSelection_[static_cast<size_t>(index)];
  if (selected < 0) return {};
  return ParameterTable()[static_cast<size_t>(index)].choices[static_cast<size_t>(selected)];
}

bool StateServices::ComboSelect(int index, std::string_view text) {
  if (index < 0 || index >= kParameterCount) return false;
  const auto& choices = ParameterTable()[static_cast<size_t>(index)].choices;
  const auto it = std::find(choices.begin(), choices.end(), text);
  if (it == choices.end()) return false;
  comboSelection_[static_cast<size_t>(index)] = static_cast<int>(it - choices.begin());
  return true;
}

void StateServices::SetEnabled(Control control, bool enabled) {
  const auto it = std::find(disabled_.begin(), disabled_.end(), control);
  if (enabled && it != disabled_.end()) disabled_.erase(it);
  if (!enabled && it == disabled_.end()) disabled_.push_back(control);
}

bool StateServices::IsEnabled(Control control) {
  return std::find(disabled_.begin(), disabled_.end(), control) == disabled_.end();
}

}  // namespace ctrlprog
