#include "cli/json_lines.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "files/production_record.h"
#include "model/utf8.h"

namespace ctrlprog {
namespace {

using Json = nlohmann::ordered_json;  // fields in the order the README lists them

Json Text(std::string_view text) {
  return EscapeNonUtf8(text);
}

Json TextOrNull(const std::string& text) {
  return text.empty() ? Json(nullptr) : Text(text);
}

Json UsbId(const std::optional<uint16_t>& id) {
  if (!id) return nullptr;
  std::array<char, 8> hex{};
  std::snprintf(hex.data(), hex.size(), "%04X", *id);
  return hex.data();
}

std::string Line(const Json& object) {
  return object.dump() + "\n";
}

}  // namespace

std::string SecondsText(double seconds) {
  std::array<char, 32> buf{};
  const auto [end, error] =
      std::to_chars(buf.data(), buf.data() + buf.size(), seconds, std::chars_format::fixed, 1);
  return error == std::errc() ? std::string(buf.data(), end) : std::string("0.0");
}

std::string EventJson(const std::string& port, const LinkEvent& event) {
  const EventTraits& traits = TraitsOf(event.kind);
  Json o;
  o["time"] = RecordTime(event.time);
  o["port"] = Text(port);
  o["event"] = Text(traits.jsonName);
  o["text"] = Text(traits.text.empty() ? std::string_view(event.reason) : traits.text);
  if (!traits.text.empty() && !event.reason.empty()) o["reason"] = Text(event.reason);
  if (!event.serial.empty()) {
    o["serial"] = Text(event.serial);
    o["attempt"] = event.attempt;
    o["checked"] = event.checkedBy;
  }
  return Line(o);
}

std::string SummaryJson(const std::string& port, const Tally& tally, double seconds,
                        const std::optional<LineRecordTotals>& line,
                        const std::optional<BoardCounts>& boards) {
  Json o;
  o["time"] = RecordTime(Clock::now());
  o["port"] = Text(port);
  o["event"] = "summary";
  o["programmed"] = tally.Programmed();
  o["failed"] = tally.Failed();
  o["lost"] = tally.LinesLost();
  o["seconds"] = std::round(seconds * 10) / 10;
  if (line) {
    o["line_record_waiting"] = line->waiting;
    o["line_record_set_aside"] = line->setAside;
  }
  if (boards) {
    o["boards"] = boards->boards;
    o["first_pass"] = boards->firstPass;
    o["attempts"] = boards->attempts;
  }
  return Line(o);
}

std::string ScanJson(std::string_view event, const std::string& port, const std::string& serial,
                     const std::string& reason) {
  Json o;
  o["time"] = RecordTime(Clock::now());
  o["port"] = Text(port);
  o["event"] = event;
  o["serial"] = Text(serial);
  o["reason"] = Text(reason);
  return Line(o);
}

std::string LineRecordJson(int64_t waiting) {
  Json o;
  o["time"] = RecordTime(Clock::now());
  o["event"] = "line_record";
  o["text"] = "line record: " + std::to_string(waiting) + " rows waiting";
  o["waiting"] = waiting;
  return Line(o);
}

std::string PortListJson(const std::vector<PortDescription>& ports) {
  std::string out;
  for (const PortDescription& p : ports) {
    Json o;
    o["device"] = Text(p.device);
    o["by_id"] = TextOrNull(p.byId);
    o["description"] = TextOrNull(p.description);
    o["manufacturer"] = TextOrNull(p.manufacturer);
    o["serial_number"] = TextOrNull(p.serialNumber);
    o["vid"] = UsbId(p.vendorId);
    o["pid"] = UsbId(p.productId);
    out += Line(o);
  }
  return out;
}

}  // namespace ctrlprog
