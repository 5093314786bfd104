#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/open_cause.h"

namespace ctrlprog {

// Error numbers the serial port reports, as the form's code knows them.
inline constexpr int kCommOk = 0;
inline constexpr int kCommOverflow = 6;       // the port number does not fit 16 bits
inline constexpr int kCommNoSuchPort = 8002;  // no such port, or not a usable serial device
inline constexpr int kCommPortBusy = 8005;    // already opened elsewhere
inline constexpr int kCommOtherError = 8020;  // any other failure

// Notification codes: data has arrived; the line failed and the port closed itself.
inline constexpr int kCommEvReceive = 2;
inline constexpr int kCommEvLineLost = 1001;

// The serial port as the link uses it. Line settings are fixed: 9600 baud, 8 data bits, no
// parity, 1 stop bit. Notifications arrive on the window's thread.
class SerialPort {
 public:
  using ReceiveHandler = std::function<void(int commEvent)>;

  virtual ~SerialPort() = default;

  // Chooses the port from the port box's text; takes effect at the next Open.
  [[nodiscard]] virtual int SetPort(std::string_view portText) = 0;
  [[nodiscard]] virtual int Open() = 0;
  // Closes the port; anything not yet sent or read is dropped.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // The device the last SetPort chose, as the operator named it.
  virtual std::string DeviceName() const = 0;
  // Writes the characters as single bytes.
  virtual int WriteText(std::string_view text) = 0;
  virtual int WriteBytes(std::span<const uint8_t> bytes) = 0;
  // Every byte received and not yet read; empties the receive buffer.
  virtual std::vector<uint8_t> ReadAll() = 0;
  // Why the last open failed, in words, where the adapter knows more than the error number.
  virtual std::string OpenFailureDetail() const { return {}; }
  // Why the last open failed, chosen from the platform's code.
  virtual OpenCause OpenFailureCause() const { return OpenCause::Other; }
  // The transfer is over: gives up the claim on the device that Open took and that outlasts
  // the close on every fourth polling tick.
  virtual void Release() {}

  void SetReceiveHandler(ReceiveHandler handler) { handler_ = std::move(handler); }

 protected:
  void NotifyReceive(int commEvent) {
    if (handler_) handler_(commEvent);
  }

 private:
  ReceiveHandler handler_;
};

}  // namespace ctrlprog
