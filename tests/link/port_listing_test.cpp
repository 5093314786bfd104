#include "link/port_listing.h"

#include <gtest/gtest.h>

namespace ctrlprog {
namespace {

const PortDescription kFtdi{"/dev/ttyUSB0",
                            "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
                            "FT232R USB UART",
                            "FTDI",
                            "A50285BI",
                            0x0403,
                            0x6001};
const PortDescription kCh340{"/dev/ttyUSB1", "", "USB Serial", "QinHeng", "", 0x1A86, 0x7523};
const PortDescription kUart{"/dev/ttyS0", "", "", "", "", std::nullopt, std::nullopt};

TEST(PortListing, ShowsEachAdapterWithWhatIsKnownOfIt) {
  struct Case {
    PortDescription port;
    std::string text, entry, path;
  };
  const Case cases[] = {
      {kFtdi,
       "/dev/ttyUSB0\n"
       "  /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0\n"
       "    description: FT232R USB UART\n"
       "    manufacturer: FTDI\n"
       "    serial number: A50285BI\n"
       "    USB VID:PID=0403:6001\n",
       "/dev/ttyUSB0  FT232R USB UART  A50285BI", kFtdi.byId},
      {kCh340,
       "/dev/ttyUSB1\n"
       "    description: USB Serial\n"
       "    manufacturer: QinHeng\n"
       "    USB VID:PID=1A86:7523\n",
       "/dev/ttyUSB1  USB Serial", "/dev/ttyUSB1"},
      {kUart, "/dev/ttyS0\n", "/dev/ttyS0", "/dev/ttyS0"},
  };
  std::string all;
  for (const Case& c : cases) {
    EXPECT_EQ(FormatPortList({c.port}), c.text);
    EXPECT_EQ(PortEntryText(c.port, std::nullopt), c.entry);
    EXPECT_EQ(PortEntryPath(c.port), c.path);
    all += c.text;
  }
  EXPECT_EQ(FormatPortList({kFtdi, kCh340, kUart}), all);
  EXPECT_EQ(FormatPortList({}), "No serial port found.\n");
  EXPECT_EQ(PortEntryText(kUart, 1), "/dev/ttyS0  (port 1)");
}

}  // namespace
}  // namespace ctrlprog
