#include "station/station.h"

#include "station/station_sinks.h"
#include "station/unit_scanning.h"

namespace ctrlprog {

Station::Station(WindowServices& ui, SerialPort& port) : form_(ui, port) {
  form_.link().AddListener([this](const LinkEvent& event) {
    if (event.kind == LinkEventKind::Closed) stopped_ = std::chrono::steady_clock::now();
  });
}

Station::~Station() = default;

void Station::EnableScan(UnitScanning& scanning) {
  if (!gate_) gate_ = scanning.GateFor(form_.link());
}

void Station::Attach(StationSinks& sinks) {
  sinks.Wire(form_);
}

bool Station::Start() {
  if (Running()) return true;
  const auto now = std::chrono::steady_clock::now();
  form_.cmdFileSend_Click();
  if (!Running()) return false;
  if (!opened_) started_ = now;
  opened_ = true;
  return true;
}

void Station::Stop() {
  if (Running()) form_.cmdFileSend_Click();
}

double Station::Seconds() const {
  if (!opened_) return 0;
  const auto end = Running() ? std::chrono::steady_clock::now() : stopped_;
  return std::chrono::duration<double>(end - started_).count();
}

}  // namespace ctrlprog
