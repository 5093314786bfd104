#pragma once

#include <string>

#include "form/file_commands.h"
#include "form/window_services.h"
#include "link/link.h"
#include "link/serial_port.h"
#include "log/message_log.h"
#include "model/parameter_set.h"
#include "record/record_sink.h"

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
  // "Start Transmit" / "Stop Transmit".
  void cmdFileSend_Click();
  // Every 200 ms while a transfer runs: the label blinks and the handshake takes a step.
  void Timer1_Timer();
  void ctrMSComm_OnComm(int commEvent) { link_.ctrMSComm_OnComm(commEvent); }
  // Closed: checks the lists, opens the port from the port box and starts polling.
  // Otherwise: closes the link.
  void CommPortOpen_Close();
  void ReceiveDisplay(std::string_view strAdd, int32_t intColor) {
    log_.ReceiveDisplay(strAdd, intColor);
  }

  // Hands `sink` a row for every board and every lost or restored line, under this station's
  // name; while the sink writes earlier rows no frame goes out, and once it fails the transfer
  // stops with its reason. The sink must outlive the form.
  void AttachRecord(RecordSink& sink, std::string station);

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
  // What the window shows of each event: the log line, and the idle or running controls.
  void OnEvent(const LinkEvent& event);
  bool StartTransfer();
  void SetParametersEditable(bool editable);

  WindowServices& ui_;
  ParameterSet strParam_;
  MessageLog log_;
  ParameterFiles files_;
  SerialPort& port_;
  Link link_;
  bool blnExpanded_ = true;
  std::string refusal_;  // why the last start did not open the port
};

}  // namespace ctrlprog
