#include "support/fake_services.h"

#include "model/parameter_table.h"

namespace ctrlprog::testing {

void FakeServices::MessageBox(std::string_view text) {
  messages.emplace_back(text);
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
