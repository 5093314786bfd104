#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ctrlprog {

// A serial port as the system describes it; fields it does not know stay empty.
struct PortDescription {
  std::string device;  // /dev/ttyUSB0
  std::string byId;    // its stable /dev/serial/by-id/... link, where the system made one
  std::string description;
  std::string manufacturer;
  std::string serialNumber;
  std::optional<uint16_t> vendorId;
  std::optional<uint16_t> productId;
};

// `ctrlprog-cli ports`: one block per port (the device, its by-id path, then indented lines for
// what is known of it), or a line saying there is none.
std::string FormatPortList(const std::vector<PortDescription>& ports);

// "VID:PID=0403:6001", or empty when either is unknown.
std::string UsbIdentity(const PortDescription& port);

// The window's port list: the path, then its description and serial number, or which numbered
// choice already names it.
std::string PortEntryText(const PortDescription& port, std::optional<int> numberedChoice);
// What choosing it puts in the port box: the stable by-id path where there is one.
const std::string& PortEntryPath(const PortDescription& port);

}  // namespace ctrlprog
