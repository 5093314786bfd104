#pragma once

#include <string>
#include <vector>

#include "form/window_services.h"

namespace ctrlprog {

// Window services without a window, for the console front end and the tests' fakes: the
// parameter lists, the port box and the enabled states are values held here, as the logic reads
// them back; everything only shown on screen is dropped. Message boxes and dialogs do nothing.
class StateServices : public WindowServices {
 public:
  StateServices();

  void MessageBox(std::string_view) override {}

  std::string ComboText(int index) override;
  bool ComboSelect(int index, std::string_view text) override;

  std::string PortText() override { return portText_; }
  void SetPortText(std::string_view text) override { portText_ = text; }

  void SetCaption(Control, std::string_view) override {}
  void SetEnabled(Control control, bool enabled) override;
  bool IsEnabled(Control control) override;

  void SetTimerEnabled(bool) override {}
  void SetProgressRange(int, int) override {}
  void SetProgressValue(int) override {}
  void SetText(Control, std::string_view) override {}
  void SetLogText(std::string_view) override {}
  void AppendLog(std::string_view, std::optional<Rgb>) override {}

  void SetDialogFlags(FileDialogFlags) override {}
  void SetFileFilter(std::string_view) override {}
  DialogResult ShowOpen() override { return {}; }
  DialogResult ShowSave() override { return {}; }

  void SetWindowWidth(int) override {}
  void SetWindowHeight(int) override {}

 private:
  std::vector<int> comboSelection_;  // choice index per list, -1 for none
  std::string portText_;
  std::vector<Control> disabled_;
};

}  // namespace ctrlprog
