#pragma once

#include <string>

#include "files/file_commands.h"
#include "log/message_log.h"
#include "model/parameter_set.h"
#include "ui/services/window_services.h"

namespace ctrlprog {

// The main form's code: it owns the system's state and has the handlers the window (or the
// console front end) forwards its events to. It reaches the controls only through
// WindowServices.
class frmMain {
 public:
  explicit frmMain(WindowServices& ui);

  void Form_Load();
  void cmdShow_Click();
  void OpenFile_Click() { files_.OpenFile_Click(); }
  void StoreFile_Click() { files_.StoreFile_Click(); }
  void ReceiveDisplay(std::string_view strAdd, int32_t intColor) {
    log_.ReceiveDisplay(strAdd, intColor);
  }

  // Loads a parameter file without the dialog, as "OpenFile" does once a file is chosen.
  bool LoadParameterFile(const std::string& path) { return files_.Load(path); }

  const ParameterSet& strParam() const { return strParam_; }
  ParameterSet& strParam() { return strParam_; }
  bool blnExpanded() const { return blnExpanded_; }
  const std::string& strFileDirectary() const { return files_.strFileDirectary(); }
  const MessageLog& log() const { return log_; }

 private:
  WindowServices& ui_;
  ParameterSet strParam_;
  MessageLog log_;
  ParameterFiles files_;
  bool blnExpanded_ = true;
};

}  // namespace ctrlprog
