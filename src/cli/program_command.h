#pragma once

#include <optional>
#include <string>

namespace ctrlprog {

struct ProgramOptions {
  std::string port;
  std::string file;
  std::optional<long> count;         // stop after this many boards
  std::optional<double> timeoutSec;  // give up after this long
};

// `ctrlprog-cli program`: programs boards through the same logic the window uses, printing the
// log as it grows. Needs a QCoreApplication.
int RunProgram(const ProgramOptions& options);

// `ctrlprog-cli ports`: the serial ports the platform detects.
int RunPorts();

}  // namespace ctrlprog
