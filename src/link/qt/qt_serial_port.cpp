#include "link/qt/qt_serial_port.h"

#include <QMetaObject>

#include "link/port_name.h"
#include "link/qt/port_error.h"
#include "link/qt/port_platform.h"

namespace ctrlprog {
namespace {

// The receive buffer the board's protocol was designed for.
constexpr qint64 kReceiveBuffer = 1024;

}  // namespace

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent) {
  port_.setBaudRate(QSerialPort::Baud9600);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  port_.setReadBufferSize(kReceiveBuffer);
  QObject::connect(&port_, &QSerialPort::readyRead, this,
                   [this] { NotifyReceive(kCommEvReceive); });
  QObject::connect(&port_, &QSerialPort::errorOccurred, this,
                   [this](QSerialPort::SerialPortError e) { OnError(e); });
}

int QtSerialPort::SetPort(std::string_view portText) {
  const PortDevice chosen = DeviceForPortText(portText);
  if (chosen.error != kCommOk) return chosen.error;
  device_ = chosen.device;
  return kCommOk;
}

int QtSerialPort::Open() {
  if (port_.isOpen()) return kCommPortBusy;
  if (device_.empty()) {
    lastOpenError_ = "the port box names no port";
    lastOpenCause_ = OpenCause::NoPortNamed;
    return kCommNoSuchPort;
  }
  // One device, one name: a by-id link and the device it points to share one lock.
  const std::string device = CanonicalDevice(device_);
  // Ours from the first open to the end of the transfer, through every close and reopen of
  // polling, so no other ctrlprog slips in between; given up when the device goes away.
  if (claim_.Device() != device) {
    const PortFault fault = claim_.Take(device);
    if (fault != PortFault::None) {
      lastOpenError_ = fault == PortFault::Busy           ? "the port is held by another program"
                       : fault == PortFault::TooManyFiles ? "too many open files"
                                                          : "the port cannot be claimed";
      lastOpenCause_ = OpenCauseOf(QSerialPort::NoError, fault);
      return CommErrorFor(fault);
    }
  }
  port_.setPortName(QString::fromStdString(device));
  if (!port_.open(QIODevice::ReadWrite)) {
    const PortFault fault = ClassifyPortError(port_.error(), device, false);
    lastOpenError_ = fault == PortFault::TooManyFiles ? std::string("too many open files")
                                                      : port_.errorString().toStdString();
    lastOpenCause_ = OpenCauseOf(port_.error(), fault);
    const int error = CommErrorFor(fault);
    port_.clearError();
    claim_.Release();  // a device that will not open is nothing to hold; the next open claims
    return error;
  }
  // Qt's lock file and exclusive mode do not stop root; an advisory lock on the line does.
  if (LockLine(LineDescriptor(port_.handle())) != kCommOk) {
    port_.close();
    port_.clearError();
    claim_.Release();
    lastOpenError_ = "the port is held by another program";
    lastOpenCause_ = OpenCause::Busy;
    return kCommPortBusy;
  }
  lastOpenError_.clear();
  lastOpenCause_ = OpenCause::None;
  // Bytes that arrived before this open belong to no poll of ours.
  port_.clear(QSerialPort::Input);
  closePending_ = false;
  return kCommOk;
}

void QtSerialPort::Release() {
  claim_.Release();
}

void QtSerialPort::Close() {
  if (port_.isOpen()) port_.close();
  port_.clearError();
}

int QtSerialPort::WriteText(std::string_view text) {
  return Write(text.data(), std::ssize(text));
}

int QtSerialPort::WriteBytes(std::span<const uint8_t> bytes) {
  return Write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
}

int QtSerialPort::Write(const char* data, qint64 size) {
  if (!port_.isOpen()) return kCommOtherError;
  if (port_.write(data, size) != size) return kCommOtherError;
  // write() only buffers, and a close drops what is unwritten: send it now.
  port_.flush();
  return kCommOk;
}

std::vector<uint8_t> QtSerialPort::ReadAll() {
  const QByteArray data = port_.readAll();
  return {data.begin(), data.end()};
}

void QtSerialPort::OnError(QSerialPort::SerialPortError error) {
  if (!port_.isOpen()) return;  // open failures are answered by Open itself
  ++errorSignals_;
  const PortFault fault = ClassifyPortError(error, device_, true, LineDescriptor(port_.handle()));
  if (fault == PortFault::OutputFull) {
    // The device stopped reading: drop what it would not take and keep the line open, so its
    // next answer is still heard.
    port_.clear(QSerialPort::Output);
    port_.clearError();
    return;
  }
  if (fault != PortFault::LineLost || closePending_) return;
  // Close from the event loop, not inside the port's own notification.
  closePending_ = true;
  ++linesLost_;
  QMetaObject::invokeMethod(
      this,
      [this] {
        const bool lost = closePending_;
        if (lost) {
          Close();
          claim_.Release();  // the device went away: another may come under its name
        }
        closePending_ = false;
        if (lost) NotifyReceive(kCommEvLineLost);  // the link says so, once
      },
      Qt::QueuedConnection);
}

}  // namespace ctrlprog
