#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/services/window_services.h"

namespace ctrlprog {

// Window services without a window: every control is a value held here. The console front end
// builds on it, and so do the tests' fakes. Message boxes and dialogs do nothing by default.
class StateServices : public WindowServices {
 public:
  StateServices();

  void MessageBox(std::string_view) override {}

  std::string ComboText(int index) override;
  bool ComboSelect(int index, std::string_view text) override;

  std::string PortText() override { return portText_; }
  void SetPortText(std::string_view text) override { portText_ = text; }

  void SetCaption(Control control, std::string_view caption) override;
  void SetEnabled(Control control, bool enabled) override;
  bool IsEnabled(Control control) override;

  void SetTimerEnabled(bool enabled) override { timerEnabled_ = enabled; }
  bool TimerEnabled() override { return timerEnabled_; }

  void SetProgressRange(int minimum, int maximum) override;
  void SetProgressValue(int value) override { progressValue_ = value; }

  void SetText(Control textBox, std::string_view text) override;

  std::string LogText() override;
  void SetLogText(std::string_view text) override;
  void SelectLog(long start, long length) override;
  void ColourLogSelection(Rgb colour) override;
  void AppendLog(std::string_view text, std::optional<Rgb> colour) override;

  void SetDialogFlags(FileDialogFlags flags) override { dialogFlags_ = flags; }
  void SetFileFilter(std::string_view filter) override { fileFilter_ = filter; }
  DialogResult ShowOpen() override { return {}; }
  DialogResult ShowSave() override { return {}; }

  void SetWindowWidth(int twips) override { windowWidth_ = twips; }
  void SetWindowHeight(int twips) override { windowHeight_ = twips; }

  // Read-outs for front ends and tests.
  std::string Caption(Control control) const;
  std::string Text(Control textBox) const;
  int ProgressMinimum() const { return progressMin_; }
  int ProgressMaximum() const { return progressMax_; }
  int ProgressValue() const { return progressValue_; }
  // Colour of each character of the log, by code point.
  const std::vector<std::optional<Rgb>>& LogColours() const { return logColours_; }
  long SelectionStart() const { return selStart_; }
  long SelectionLength() const { return selLength_; }
  const std::string& FileFilter() const { return fileFilter_; }
  int WindowWidth() const { return windowWidth_; }
  int WindowHeight() const { return windowHeight_; }

 private:
  std::vector<int> comboSelection_;  // choice index per list, -1 for none
  std::string portText_;
  std::map<Control, std::string> captions_;
  std::map<Control, bool> enabled_;
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
  int windowWidth_ = 11625;
  int windowHeight_ = 6810;
};

}  // namespace ctrlprog
