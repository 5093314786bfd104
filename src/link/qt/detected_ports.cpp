#include "link/qt/detected_ports.h"

#include <QSerialPortInfo>
#include <filesystem>
#include <map>

namespace ctrlprog {
namespace {

// The system's stable names for its serial devices: /dev/serial/by-id/... -> /dev/ttyUSB0.
std::map<std::string, std::string> StableNames() {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> byDevice;
  // The error-code overloads throughout: the list is read from a popup, and nothing may throw
  // across the event loop.
  std::error_code ec;
  for (fs::directory_iterator it("/dev/serial/by-id", ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code linkError;
    const fs::path device = fs::canonical(it->path(), linkError);
    if (!linkError) byDevice.emplace(device.string(), it->path().string());
  }
  return byDevice;
}

}  // namespace

std::vector<PortDescription> DetectedPorts() {
  const std::map<std::string, std::string> stable = StableNames();
  std::vector<PortDescription> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    PortDescription p;
    p.device = info.systemLocation().toStdString();
    if (const auto it = stable.find(p.device); it != stable.end()) p.byId = it->second;
    p.description = info.description().toStdString();
    p.manufacturer = info.manufacturer().toStdString();
    p.serialNumber = info.serialNumber().toStdString();
    if (info.hasVendorIdentifier()) p.vendorId = info.vendorIdentifier();
    if (info.hasProductIdentifier()) p.productId = info.productIdentifier();
    ports.push_back(std::move(p));
  }
  return ports;
}

}  // namespace ctrlprog
