#pragma once

#include <QObject>
#include <QSerialPort>
#include <string>

#include "link/qt/port_platform.h"
#include "link/serial_port.h"

namespace ctrlprog {

// SerialPort on QSerialPort: 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control.
class QtSerialPort : public QObject, public SerialPort {
  Q_OBJECT

 public:
  explicit QtSerialPort(QObject* parent = nullptr);

  int SetPort(std::string_view portText) override;
  int Open() override;
  void Close() override;
  bool IsOpen() const override { return port_.isOpen(); }
  std::string DeviceName() const override { return device_; }
  int WriteText(std::string_view text) override;
  int WriteBytes(std::span<const uint8_t> bytes) override;
  std::vector<uint8_t> ReadAll() override;
  std::string OpenFailureDetail() const override { return lastOpenError_; }
  OpenCause OpenFailureCause() const override { return lastOpenCause_; }
  void Release() override;

  // errorOccurred signals seen while open: a vanished device must not make this run away.
  long ErrorSignals() const { return errorSignals_; }
  // Times the port closed itself because the line was lost.
  long LinesLost() const { return linesLost_; }

 private:
  void OnError(QSerialPort::SerialPortError error);
  int Write(const char* data, qint64 size);

  QSerialPort port_;
  std::string device_;
  DeviceClaim claim_;  // from the first open of a transfer to its end
  bool closePending_ = false;
  long errorSignals_ = 0;
  long linesLost_ = 0;
  std::string lastOpenError_;
  OpenCause lastOpenCause_ = OpenCause::None;
};

}  // namespace ctrlprog
