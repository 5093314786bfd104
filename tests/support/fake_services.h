#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "form/state_services.h"

namespace ctrlprog::testing {

// Window services for unit tests. The lists, the port box and the enabled states are kept by
// StateServices; everything the window would only show is recorded here so tests can read it:
// captions, texts, the timer, the progress bar, the log with a colour per character, the file
// dialog's set-up and the window's size. Message boxes are recorded and the file dialog answers
// from a script (cancel when the script is empty).
class FakeServices : public StateServices {
 public:
  void MessageBox(std::string_view text) override { messages.emplace_back(text); }
  DialogResult ShowOpen() override { return NextDialog(); }
  DialogResult ShowSave() override { return NextDialog(); }

  void SetCaption(Control control, std::string_view caption) override {
    captions_[control] = caption;
  }
  void SetText(Control textBox, std::string_view text) override { texts_[textBox] = text; }
  void SetTimerEnabled(bool enabled) override;
  void SetProgressRange(int minimum, int maximum) override;
  void SetProgressValue(int value) override;
  void SetLogText(std::string_view text) override;
  void AppendLog(std::string_view text, std::optional<Rgb> colour) override;
  void SetDialogFlags(FileDialogFlags flags) override { dialogFlags_ = flags; }
  void SetFileFilter(std::string_view filter) override { fileFilter_ = filter; }
  void SetWindowWidth(int twips) override { windowWidth_ = twips; }
  void SetWindowHeight(int twips) override { windowHeight_ = twips; }

  // The rich text box's own selection and colouring, for comparing against a full re-colour.
  void SelectLog(long start, long length);
  void ColourLogSelection(Rgb colour);

  // Queues the path the next dialog returns.
  void AnswerDialogWith(std::string path) { dialogAnswers_.push_back({false, std::move(path)}); }

  // Selects a choice of every list: the first of each, or the texts given.
  void FillAll();
  void FillAll(const std::vector<std::string>& texts);

  // Read-outs.
  std::string Caption(Control control) const { return Lookup(captions_, control); }
  std::string Text(Control textBox) const { return Lookup(texts_, textBox); }
  bool TimerEnabled() const { return timerEnabled_; }
  int ProgressMinimum() const { return progressMin_; }
  int ProgressMaximum() const { return progressMax_; }
  int ProgressValue() const { return progressValue_; }
  std::string LogText() const;
  // Colour of each character of the log, by code point.
  const std::vector<std::optional<Rgb>>& LogColours() const { return logColours_; }
  long SelectionStart() const { return selStart_; }
  long SelectionLength() const { return selLength_; }
  const FileDialogFlags& DialogFlags() const { return dialogFlags_; }
  const std::string& FileFilter() const { return fileFilter_; }
  int WindowWidth() const { return windowWidth_; }
  int WindowHeight() const { return windowHeight_; }

  std::vector<std::string> messages;
  std::vector<int> progressHistory;
  std::vector<bool> timerHistory;
  int dialogsShown = 0;

 private:
  static std::string Lookup(const std::map<Control, std::string>& m, Control c) {
    const auto it = m.find(c);
    return it == m.end() ? std::string() : it->second;
  }
  DialogResult NextDialog();

  std::deque<DialogResult> dialogAnswers_;
  // As the window is designed, before any code runs.
  std::map<Control, std::string> captions_ = {{Control::cmdFileSend, "Start Transmit"}};
  std::map<Control, std::string> texts_;
  bool timerEnabled_ = false;
  int progressMin_ = 0;
  int progressMax_ = 100;
  int progressValue_ = 0;
  std::u32string log_;
  std::vector<std::optional<Rgb>> logColours_;
  long selStart_ = 0;
  long selLength_ = 0;
  FileDialogFlags dialogFlags_;
  std::string fileFilter_;
  int windowWidth_ = kDesignWidth;
  int windowHeight_ = kDesignHeight;
};

}  // namespace ctrlprog::testing
