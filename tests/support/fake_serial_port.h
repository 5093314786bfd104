#pragma once

#include <deque>
#include <string>
#include <vector>

#include "link/serial_port.h"

namespace ctrlprog::testing {

// A serial port for unit tests: opens succeed unless an error is queued, writes are recorded,
// and the test delivers the device's bytes by hand.
class FakeSerialPort : public SerialPort {
 public:
  int SetPort(std::string_view portText) override {
    portText_ = portText;
    return setPortError;
  }
  int Open() override {
    ++opens;
    if (!openErrors.empty()) {
      const int e = openErrors.front();
      openErrors.pop_front();
      if (e != kCommOk) return e;
    }
    open_ = true;
    return kCommOk;
  }
  void Close() override {
    ++closes;
    open_ = false;
    pending_.clear();
  }
  bool IsOpen() const override { return open_; }
  std::string DeviceName() const override { return portText_; }
  int WriteText(std::string_view text) override {
    return Record(std::vector<uint8_t>(text.begin(), text.end()));
  }
  int WriteBytes(std::span<const uint8_t> bytes) override {
    return Record(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  }
  std::vector<uint8_t> ReadAll() override { return std::exchange(pending_, {}); }

  // The device sends `bytes`; the port raises its receive notification.
  void Deliver(std::vector<uint8_t> bytes, int commEvent = kCommEvReceive) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    NotifyReceive(commEvent);
  }

  // The line fails: the port closes itself and says so, as the real adapter does.
  void LoseLine() {
    Close();
    NotifyReceive(kCommEvLineLost);
  }

  const std::string& PortText() const { return portText_; }

  std::vector<std::vector<uint8_t>> writes;
  std::deque<int> openErrors;  // results of the next opens; kCommOk lets one through
  int setPortError = kCommOk;
  int writeError = kCommOk;
  int opens = 0;
  int closes = 0;

 private:
  int Record(std::vector<uint8_t> bytes) {
    if (writeError != kCommOk) return writeError;
    writes.push_back(std::move(bytes));
    return kCommOk;
  }
  bool open_ = false;
  std::string portText_;
  std::vector<uint8_t> pending_;
};

}  // namespace ctrlprog::testing
