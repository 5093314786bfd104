#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ctrlprog {

struct ProgramOptions {
  std::vector<std::string> ports;  // one link each, all in this process
  std::string file;
  std::optional<long> count;          // stop after this many boards on every port
  std::optional<double> timeoutSec;   // give up after this long
  bool json = false;                  // JSON Lines on stdout instead of text
  std::optional<std::string> record;  // the production record to append to
};

// `ctrlprog-cli program`: programs boards on every port through the same logic the window uses,
// printing the log as it grows. Needs a QCoreApplication.
int RunProgram(const ProgramOptions& options);

// `ctrlprog-cli ports [--json]`: the serial ports the platform detects, with their identity.
int RunPorts(bool json);

}  // namespace ctrlprog
