#pragma once

#include <string>

#include "files/file_commands.h"
#include "files/production_record.h"
#include "link/link.h"
#include "link/serial_port.h"
#include "log/message_log.h"
#include "model/parameter_set.h"
#include "ui/services/window_services.h"

namespace ctrlprog {

// The main form's code: it owns the system's state and has the handlers the window (or the
// console front end) forwards its events to. It reaches the controls only through
// WindowServices and the line only through SerialPort, whose notifications it takes.
class frmMain {
 public:
  frmMain(WindowServices& ui, SerialPort& port);
  ~frmMain();
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  void Form_Load();
  void cmdShow_Click();
  void OpenFile_Click() { files_.OpenFile_Click(); }
  void StoreFile_Click() { files_.StoreFile_Click(); }
  void cmdFileSend_Click() { link_.cmdFileSend_Click(); }
  void Timer1_Timer() { link_.Timer1_Timer(); }
  void ctrMSComm_OnComm(int commEvent) { link_.ctrMSComm_OnComm(commEvent); }
  void CommPortOpen_Close() { link_.CommPortOpen_Close(); }
  void ReceiveDisplay(std::string_view strAdd, int32_t intColor) {
    log_.ReceiveDisplay(strAdd, intColor);
  }

  // Appends a row to `record` for every board and every lost or restored line; a row that
  // cannot be written stops the transfer. The record must outlive the form.
  void AttachRecord(ProductionRecord& record);

  // Loads a parameter file without the dialog, as "OpenFile" does once a file is chosen.
  bool LoadParameterFile(const std::string& path) { return files_.Load(path); }

  const ParameterSet& strParam() const { return strParam_; }
  ParameterSet& strParam() { return strParam_; }
  bool blnExpanded() const { return blnExpanded_; }
  const std::string& strFileDirectary() const { return files_.strFileDirectary(); }
  const MessageLog& log() const { return log_; }
  const Link& link() const { return link_; }
  Link& link() { return link_; }

 private:
  WindowServices& ui_;
  ParameterSet strParam_;
  MessageLog log_;
  ParameterFiles files_;
  SerialPort& port_;
  Link link_;
  bool blnExpanded_ = true;
};

}  // namespace ctrlprog
