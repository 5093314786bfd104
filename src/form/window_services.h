#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "log/log_view.h"

namespace ctrlprog {

// The window's controls that the logic reaches by name. The sixteen parameter lists (`Combo1`)
// are reached by index instead.
enum class Control {
  Frame10,       // the parameter panel; disabling it disables every list in it
  cboComPort,    // the editable port box
  cmdFileSend,   // "Start Transmit" / "Stop Transmit"
  cmdShow,       // "<<conceal" / ">>visible"
  Label1_0,      // "Transmit Guage", blinks while a transfer runs
  txtLoadDir,    // path of the last loaded file
  txtSaveDir,    // path of the last stored file
  mnuOpenFile,   // the "OpenFile" menu item
  mnuStoreFile,  // the "StoreFile" menu item
};

// The window's client area at design size, in twips.
inline constexpr int kDesignWidth = 11625;
inline constexpr int kDesignHeight = 6810;

// How the file dialog behaves; set once at start-up. Long names are always on, and a cancel is
// always reported (as DialogResult::cancelled).
struct FileDialogFlags {
  bool overwritePrompt = false;
};

// What the file dialog returned: a path, or the operator's cancel.
struct DialogResult {
  bool cancelled = true;
  std::string path;
};

// Everything the form asks of the window, the message log's view among it. Texts are UTF-8.
class WindowServices : public LogView {
 public:
  // Modal box with the text, one OK button and the application's title.
  virtual void MessageBox(std::string_view text) = 0;

  // Parameter list `Combo1(index)`: the selected choice, or empty when nothing is selected.
  virtual std::string ComboText(int index) = 0;
  // Selects the choice equal to `text`; a text that is no choice is refused (false) and the
  // previous choice stays.
  [[nodiscard]] virtual bool ComboSelect(int index, std::string_view text) = 0;

  // The editable port box `cboComPort`: any text.
  virtual std::string PortText() = 0;
  virtual void SetPortText(std::string_view text) = 0;

  virtual void SetCaption(Control control, std::string_view caption) = 0;
  virtual void SetEnabled(Control control, bool enabled) = 0;
  virtual bool IsEnabled(Control control) = 0;

  // `Timer1`: 200 ms; enabling starts a fresh interval.
  virtual void SetTimerEnabled(bool enabled) = 0;

  // `prgFileTransfer`.
  virtual void SetProgressRange(int minimum, int maximum) = 0;
  virtual void SetProgressValue(int value) = 0;

  // Text boxes `txtLoadDir` and `txtSaveDir`.
  virtual void SetText(Control textBox, std::string_view text) = 0;

  // The file dialog `ctrCommonDialog`.
  virtual void SetDialogFlags(FileDialogFlags flags) = 0;
  virtual void SetFileFilter(std::string_view filter) = 0;
  virtual DialogResult ShowOpen() = 0;
  virtual DialogResult ShowSave() = 0;

  // The window, sizes in twips.
  virtual void SetWindowWidth(int twips) = 0;
  virtual void SetWindowHeight(int twips) = 0;
};

}  // namespace ctrlprog
