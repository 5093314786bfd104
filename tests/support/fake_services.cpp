#include "support/fake_services.h"

#include <algorithm>

#include "model/parameter_table.h"
#include "model/utf8.h"

namespace ctrlprog::testing {

void FakeServices::SetTimerEnabled(bool enabled) {
  timerEnabled_ = enabled;
  timerHistory.push_back(enabled);
}

void FakeServices::SetProgressRange(int minimum, int maximum) {
  progressMin_ = minimum;
  progressMax_ = maximum;
}

void FakeServices::SetProgressValue(int value) {
  progressValue_ = value;
  progressHistory.push_back(value);
}

std::string FakeServices::LogText() const {
  return EncodeUtf8(log_);
}

void FakeServices::SetLogText(std::string_view text) {
  log_ = DecodeUtf8(text);
  logColours_.assign(log_.size(), std::nullopt);
  selStart_ = static_cast<long>(log_.size());
  selLength_ = 0;
}

void FakeServices::SelectLog(long start, long length) {
  const long size = static_cast<long>(log_.size());
  selStart_ = std::clamp(start, 0L, size);
  selLength_ = std::clamp(length, 0L, size - selStart_);
}

void FakeServices::ColourLogSelection(Rgb colour) {
  for (long i = selStart_; i < selStart_ + selLength_; ++i) {
    logColours_[static_cast<size_t>(i)] = colour;
  }
}

void FakeServices::AppendLog(std::string_view text, std::optional<Rgb> colour) {
  const std::u32string added = DecodeUtf8(text);
  selStart_ = static_cast<long>(log_.size());
  selLength_ = static_cast<long>(added.size());
  log_ += added;
  logColours_.resize(log_.size(), colour);
}

void FakeServices::FillAll() {
  for (int i = 0; i < kParameterCount; ++i) {
    ComboSelect(i, ParameterTable()[static_cast<size_t>(i)].choices.front());
  }
}

void FakeServices::FillAll(const std::vector<std::string>& texts) {
  for (size_t i = 0; i < texts.size(); ++i) ComboSelect(static_cast<int>(i), texts[i]);
}

DialogResult FakeServices::NextDialog() {
  ++dialogsShown;
  if (dialogAnswers_.empty()) return {};
  DialogResult r = dialogAnswers_.front();
  dialogAnswers_.pop_front();
  return r;
}

}  // namespace ctrlprog::testing
