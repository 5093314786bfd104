#include "link/port_listing.h"

#include <cstdio>

#include "model/json.h"

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

std::string FormatPortListJson(const std::vector<PortDescription>& ports) {
  std::string out;
  for (const PortDescription& p : ports) {
    auto field = [](const char* name, const std::string& value) {
      return std::string(",\"") + name + "\":" + (value.empty() ? "null" : JsonString(value));
    };
    auto id = [](const std::optional<uint16_t>& v) {
      if (!v) return std::string("null");
      char buf[8];
      std::snprintf(buf, sizeof buf, "\"%04X\"", *v);
      return std::string(buf);
    };
    out += "{\"device\":" + JsonString(p.device) + field("by_id", p.byId) +
           field("description", p.description) + field("manufacturer", p.manufacturer) +
           field("serial_number", p.serialNumber) + ",\"vid\":" + id(p.vendorId) +
           ",\"pid\":" + id(p.productId) + "}\n";
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
