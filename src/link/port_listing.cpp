#include "link/port_listing.h"

#include <cstdio>

namespace ctrlprog {

std::string UsbIdentity(const PortDescription& port) {
  if (!port.vendorId || !port.productId) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "VID:PID=%04X:%04X", *port.vendorId, *port.productId);
  return buf;
}

std::string FormatPortList(const std::vector<PortDescription>& ports) {
  if (ports.empty()) return "No serial port found.\n";
  std::string out;
  for (const PortDescription& p : ports) {
    out += p.device + "\n";
    if (!p.byId.empty()) out += "  " + p.byId + "\n";
    if (!p.description.empty()) out += "    description: " + p.description + "\n";
    if (!p.manufacturer.empty()) out += "    manufacturer: " + p.manufacturer + "\n";
    if (!p.serialNumber.empty()) out += "    serial number: " + p.serialNumber + "\n";
    if (const std::string usb = UsbIdentity(p); !usb.empty()) out += "    USB " + usb + "\n";
  }
  return out;
}

std::string PortEntryText(const PortDescription& port, std::optional<int> numberedChoice) {
  std::string text = port.device;
  if (numberedChoice) text += "  (port " + std::to_string(*numberedChoice) + ")";
  if (!port.description.empty()) text += "  " + port.description;
  if (!port.serialNumber.empty()) text += "  " + port.serialNumber;
  return text;
}

const std::string& PortEntryPath(const PortDescription& port) {
  return port.byId.empty() ? port.device : port.byId;
}

}  // namespace ctrlprog
