#include "link/qt/port_error.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <tuple>

#include "devsim/raw_pty.h"
#include "link/serial_port.h"
#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

TEST(ClassifyPortError, MapsQtErrorsToOurs) {
  testing::TempDir dir;
  const std::string file = dir.Write("plain", "x");
  const std::optional<RawPty> pty = OpenRawPty();
  ASSERT_TRUE(pty);
  const std::string terminal = pty->name;  // a terminal we may open
  const std::string notATerminal = "/dev/null";
  struct Case {
    QSerialPort::SerialPortError error;
    std::string device;
    bool isOpen;
    PortFault fault;
  };
  const Case cases[] = {
      {QSerialPort::DeviceNotFoundError, dir.Path("none"), false, PortFault::NoSuchPort},
      {QSerialPort::PermissionError, terminal, false, PortFault::Busy},  // accessible: a lock
      {QSerialPort::PermissionError, dir.Path("none"), false, PortFault::NoSuchPort},
      {QSerialPort::OpenError, terminal, false, PortFault::Busy},
      {QSerialPort::UnknownError, file, false, PortFault::NoSuchPort},  // not a terminal
      {QSerialPort::UnsupportedOperationError, file, false, PortFault::NoSuchPort},
      {QSerialPort::UnknownError, terminal, false, PortFault::Other},
      {QSerialPort::UnsupportedOperationError, notATerminal, false, PortFault::NoSuchPort},
      {QSerialPort::WriteError, terminal, true, PortFault::OutputFull},  // line still up
      {QSerialPort::ResourceError, terminal, true, PortFault::OutputFull},
      {QSerialPort::ReadError, terminal, true, PortFault::LineLost},
      {QSerialPort::WriteError, terminal, true, PortFault::LineLost},
      {QSerialPort::ResourceError, terminal, true, PortFault::LineLost},
      {QSerialPort::UnknownError, terminal, true, PortFault::LineLost},
      {QSerialPort::TimeoutError, terminal, true, PortFault::None},
      {QSerialPort::NoError, terminal, true, PortFault::None},
      {QSerialPort::PermissionError, terminal, true, PortFault::Other},
  };
  for (const Case& c : cases) {
    // The line's descriptor, where a row speaks of an open, still living line.
    const int handle = c.fault == PortFault::OutputFull ? pty->slave : -1;
    EXPECT_EQ(ClassifyPortError(c.error, c.device, c.isOpen, handle), c.fault)
        << c.error << " " << c.device << " open " << c.isOpen;
  }
  // The operator's advice follows Qt's code where our fault folds several together.
  const std::tuple<QSerialPort::SerialPortError, PortFault, OpenCause> causes[] = {
      {QSerialPort::DeviceNotFoundError, PortFault::NoSuchPort, OpenCause::NoSuchDevice},
      {QSerialPort::PermissionError, PortFault::NoSuchPort, OpenCause::NoAccess},
      {QSerialPort::UnknownError, PortFault::NoSuchPort, OpenCause::NotSerial},
      {QSerialPort::PermissionError, PortFault::Busy, OpenCause::Busy},
      {QSerialPort::PermissionError, PortFault::TooManyFiles, OpenCause::TooManyFiles},
      {QSerialPort::UnknownError, PortFault::Other, OpenCause::Other},
      {QSerialPort::NoError, PortFault::None, OpenCause::None},
  };
  for (const auto& [error, fault, cause] : causes) {
    EXPECT_EQ(OpenCauseOf(error, fault), cause) << error << " " << static_cast<int>(fault);
  }
  EXPECT_EQ(CommErrorFor(PortFault::NoSuchPort), kCommNoSuchPort);
  EXPECT_EQ(CommErrorFor(PortFault::Busy), kCommPortBusy);
  EXPECT_EQ(CommErrorFor(PortFault::Other), kCommOtherError);
  ::close(pty->master);
  ::close(pty->slave);
}

}  // namespace
}  // namespace ctrlprog
