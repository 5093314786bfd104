#include "ui/services/state_services.h"

#include <algorithm>

#include "model/parameter_table.h"
#include "model/utf8.h"

namespace ctrlprog {

StateServices::StateServices() : comboSelection_(kParameterCount, -1) {
  // As the window is designed, before any code runs.
  captions_[Control::cmdFileSend] = "Start Transmit";
}

std::string StateServices::ComboText(int index) {
  const int selected = comboSelection_.at(static_cast<size_t>(index));
  if (selected < 0) return {};
  return ParameterTable()[static_cast<size_t>(index)].choices[static_cast<size_t>(selected)];
}

bool StateServices::ComboSelect(int index, std::string_view text) {
  const auto& choices = ParameterTable().at(static_cast<size_t>(index)).choices;
  const auto it = std::find(choices.begin(), choices.end(), text);
  if (it == choices.end()) return false;
  comboSelection_[static_cast<size_t>(index)] = static_cast<int>(it - choices.begin());
  return true;
}

void StateServices::SetCaption(Control control, std::string_view caption) {
  captions_[control] = caption;
}

std::string StateServices::Caption(Control control) const {
  const auto it = captions_.find(control);
  return it == captions_.end() ? std::string() : it->second;
}

void StateServices::SetEnabled(Control control, bool enabled) {
  enabled_[control] = enabled;
}

bool StateServices::IsEnabled(Control control) {
  const auto it = enabled_.find(control);
  return it == enabled_.end() || it->second;
}

void StateServices::SetProgressRange(int minimum, int maximum) {
  progressMin_ = minimum;
  progressMax_ = maximum;
}

void StateServices::SetText(Control textBox, std::string_view text) {
  texts_[textBox] = text;
}

std::string StateServices::Text(Control textBox) const {
  const auto it = texts_.find(textBox);
  return it == texts_.end() ? std::string() : it->second;
}

std::string StateServices::LogText() {
  return EncodeUtf8(log_);
}

void StateServices::SetLogText(std::string_view text) {
  log_ = DecodeUtf8(text);
  logColours_.assign(log_.size(), std::nullopt);
  selStart_ = static_cast<long>(log_.size());
  selLength_ = 0;
}

void StateServices::SelectLog(long start, long length) {
  const long size = static_cast<long>(log_.size());
  selStart_ = std::clamp(start, 0L, size);
  selLength_ = std::clamp(length, 0L, size - selStart_);
}

void StateServices::ColourLogSelection(Rgb colour) {
  for (long i = selStart_; i < selStart_ + selLength_; ++i) {
    logColours_[static_cast<size_t>(i)] = colour;
  }
}

void StateServices::AppendLog(std::string_view text, std::optional<Rgb> colour) {
  const std::u32string added = DecodeUtf8(text);
  selStart_ = static_cast<long>(log_.size());
  selLength_ = static_cast<long>(added.size());
  log_ += added;
  logColours_.resize(log_.size(), colour);
}

}  // namespace ctrlprog
