#include "scan/serial_check.h"

#include "files/file_system.h"
#include "files/production_record.h"
#include "model/say.h"
#include "model/utf8.h"

namespace ctrlprog {

std::optional<std::string> SerialRefusal(std::string_view serial, const SerialPattern* pattern,
                                         std::string_view patternText) {
  if (serial.empty()) return Say("the serial is empty");
  if (serial.size() > kMaxSerialLength) {
    return Say("the serial has %1 characters, more than %2",
               {std::to_string(serial.size()), std::to_string(kMaxSerialLength)});
  }
  for (const char c : serial) {
    if (c < 0x20 || c > 0x7E) {
      return Say("the serial holds %1, which is not a printable character",
                 {EscapeName(std::string(1, c))});
    }
  }
  if (pattern && !pattern->Matches(serial)) {
    return Say("the serial does not match the pattern %1", {patternText});
  }
  return std::nullopt;
}

std::optional<std::string> ScannedRecordRefusal(const std::string& path, bool namesChecks) {
  std::string head;
  if (ReadFileHead(path, kRecordHeader.size(), head)) return std::nullopt;  // missing: made new
  const RecordShape shape = ShapeOfRecord(head);
  if (shape == RecordShape::Checks || (shape == RecordShape::Units && !namesChecks)) {
    return std::nullopt;
  }
  if (shape == RecordShape::Units) {
    return Say(
        "the record %1 was begun before rows named how their board was checked, and a station "
        "that goes on without the line database does not add rows of another shape to it: give "
        "--record a new file, such as %2",
        {EscapeName(path), EscapeName(ScannedRecordName(path))});
  }
  return Say(
      "the record %1 was begun before rows named their board, and --scan does not add rows of "
      "another shape to it: give --record a new file, such as %2",
      {EscapeName(path), EscapeName(ScannedRecordName(path))});
}

std::string ScannedRecordName(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.find_last_of("/\\");
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return hasExtension ? path.substr(0, dot) + "-boards" + path.substr(dot) : path + "-boards.csv";
}

std::string_view TrimScan(std::string_view line) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!line.empty() && blank(line.front())) line.remove_prefix(1);
  while (!line.empty() && blank(line.back())) line.remove_suffix(1);
  return line;
}

}  // namespace ctrlprog
