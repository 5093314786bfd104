#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "form/frm_main.h"
#include "form/window_services.h"
#include "link/serial_port.h"

namespace ctrlprog {

class StationSinks;
class UnitGate;
class UnitScanning;

// One port of a station, for the window and the console alike: its form (the handshake core,
// the log, the parameter files), its rows to the record and the line database, its tally and its
// events. The front end gives it the services it shows it through and the port it drives.
class Station {
 public:
  Station(WindowServices& ui, SerialPort& port);
  ~Station();
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  frmMain& form() { return form_; }
  const frmMain& form() const { return form_; }
  Link& link() { return form_.link(); }
  const Link& link() const { return form_.link(); }
  const Tally& tally() const { return form_.link().tally(); }

  // Every board's row goes to the sinks, which hold the next poll while they are behind and
  // stop the transfer once they failed.
  void Attach(StationSinks& sinks);
  // No scan, no board: from now on this port touches a board only while it holds a scanned
  // serial without a result.
  void EnableScan(UnitScanning& scanning);
  // The port's gate, with scanning; null without.
  UnitGate* gate() { return gate_.get(); }
  const UnitGate* gate() const { return gate_.get(); }

  // `listener` hears every event of this port.
  void OnEvent(LinkListener listener) { form_.link().AddListener(std::move(listener)); }

  // Presses "Start Transmit" when idle; whether the port opened.
  bool Start();
  // Presses "Stop Transmit" when running.
  void Stop();
  bool Running() const { return form_.link().State() != TransferState::Closed; }
  // Whether a start ever opened the port.
  bool Opened() const { return opened_; }
  // From the first start to the last stop (or now, while it runs).
  double Seconds() const;

 private:
  frmMain form_;
  std::unique_ptr<UnitGate> gate_;
  bool opened_ = false;
  std::chrono::steady_clock::time_point started_, stopped_;
};

}  // namespace ctrlprog
