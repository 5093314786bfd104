#include "model/parameter_table.h"

namespace ctrlprog {
namespace {

// Plain integers from `first` to `last` in `step`s.
void AddIntegers(std::vector<std::string>& out, int first, int last, int step) {
  for (int v = first; v <= last; v += step) out.push_back(std::to_string(v));
}

// Numbers with exactly one decimal, counted in tenths so no rounding creeps in.
void AddTenths(std::vector<std::string>& out, int firstTenths, int lastTenths, int stepTenths) {
  for (int v = firstTenths; v <= lastTenths; v += stepTenths) {
    out.push_back(std::to_string(v / 10) + "." + std::to_string(v % 10));
  }
}

std::vector<std::string> SpeedChoices() {
  std::vector<std::string> c;
  AddIntegers(c, 30, 99, 1);
  c.insert(c.end(), {"100", "110", "115", "120"});
  return c;
}

std::array<Parameter, kParameterCount> BuildTable() {
  const std::string current = "Current、Voltage Design";
  const std::string speed = "Speed Mode";
  const std::string others = "Time && Others";

  std::array<Parameter, kParameterCount> t;
  t[0] = {"Board Type", "", {"1:Torva", "2:Mesik", "3:Ranlo", "4:Pibes"}};

  t[1] = {current, "PhaseCurrent(A)：", {"30     "}};
  AddIntegers(t[1].choices, 35, 65, 1);
  AddIntegers(t[1].choices, 70, 135, 5);

  t[2] = {current, "RatedCurrent(A)：", {}};
  AddTenths(t[2].choices, 70, 400, 5);
  AddTenths(t[2].choices, 410, 570, 10);

  t[3] = {current, "LimitVoltage(V)：", {}};
  AddTenths(t[3].choices, 201, 220, 1);
  AddTenths(t[3].choices, 225, 225, 5);
  AddTenths(t[3].choices, 305, 325, 5);
  AddTenths(t[3].choices, 405, 425, 5);
  AddTenths(t[3].choices, 515, 530, 5);
  AddTenths(t[3].choices, 600, 640, 5);

  t[4] = {current, "Tolerance(V)：", {}};
  AddTenths(t[4].choices, 1, 1, 1);
  AddTenths(t[4].choices, 5, 40, 5);

  t[5] = {speed, "Limit Speed%：", {}};
  AddIntegers(t[5].choices, 50, 99, 1);

  t[6] = {speed, "3 Speed Mode：", {"0:Switch Mode", "1:Cycle Mode"}};
  t[7] = {speed, "Speed 1%：", SpeedChoices()};
  t[8] = {speed, "Speed 2%：", SpeedChoices()};
  t[9] = {speed, "Speed 3%：", SpeedChoices()};

  t[10] = {others, "Block Time(s)：", {}};
  AddTenths(t[10].choices, 10, 50, 5);
  t[10].choices.insert(t[10].choices.end(), {"7.0", "10.0"});

  t[11] = {others, "Auto Cruising Time(s)：", {}};
  AddTenths(t[11].choices, 10, 80, 10);
  t[11].choices.insert(t[11].choices.end(), {"10.0", "12.0", "15.0"});

  t[12] = {others, "Slip Current Charge Mode：", {"0:Up 15 Mark（Ture）", "1:Only fake Indicate"}};
  t[13] = {speed, "Indicate Mode：", {"0:Comm VCC", "1:Comm GND", "2:164 Mode-P1-DAT P2-CLK"}};
  t[14] = {others, "EBS Level：", {"0", "1", "2"}};

  t[15] = {speed, "Converse Speed%：", {}};
  AddIntegers(t[15].choices, 15, 70, 5);
  return t;
}

std::string_view TrimTrailingBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

const std::array<Parameter, kParameterCount>& ParameterTable() {
  static const std::array<Parameter, kParameterCount> table = BuildTable();
  return table;
}

const std::string& DisplayName(int index) {
  static const std::string none;
  if (index < 0 || index >= kParameterCount) return none;
  const Parameter& p = ParameterTable()[static_cast<size_t>(index)];
  return p.caption.empty() ? p.group : p.caption;
}

std::optional<std::string> MatchChoice(int index, std::string_view text) {
  if (index < 0 || index >= kParameterCount) return std::nullopt;
  const auto& choices = ParameterTable()[static_cast<size_t>(index)].choices;
  for (const auto& c : choices) {
    if (c == text) return c;
  }
  const std::string_view trimmed = TrimTrailingBlanks(text);
  if (trimmed.empty()) return std::nullopt;
  for (const auto& c : choices) {
    if (TrimTrailingBlanks(c) == trimmed) return c;
  }
  return std::nullopt;
}

}  // namespace ctrlprog
