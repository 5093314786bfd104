#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ui/services/state_services.h"

namespace ctrlprog::testing {

// Window services for unit tests: state is kept by StateServices; message boxes are recorded
// and the file dialog answers from a script (cancel when the script is empty).
class FakeServices : public StateServices {
 public:
  void MessageBox(std::string_view text) override;
  DialogResult ShowOpen() override { return NextDialog(); }
  DialogResult ShowSave() override { return NextDialog(); }
  void SetProgressValue(int value) override {
    StateServices::SetProgressValue(value);
    progressHistory.push_back(value);
  }
  void SetTimerEnabled(bool enabled) override {
    StateServices::SetTimerEnabled(enabled);
    timerHistory.push_back(enabled);
  }

  // Queues the path the next dialog returns.
  void AnswerDialogWith(std::string path) { dialogAnswers_.push_back({false, std::move(path)}); }

  // Selects a choice of every list: the first of each, or the texts given.
  void FillAll();
  void FillAll(const std::vector<std::string>& texts);

  std::vector<std::string> messages;
  std::vector<int> progressHistory;
  std::vector<bool> timerHistory;
  int dialogsShown = 0;

 private:
  DialogResult NextDialog();
  std::deque<DialogResult> dialogAnswers_;
};

}  // namespace ctrlprog::testing
