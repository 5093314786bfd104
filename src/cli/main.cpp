#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cli/encode_command.h"
#include "cli/program_command.h"

namespace {

constexpr const char* kUsage =
    "usage: ctrlprog-cli encode FILE\n"
    "       ctrlprog-cli program --port PORT [--port PORT ...] --file FILE [--count N]\n"
    "                            [--timeout SECONDS] [--json] [--record CSV]\n"
    "       ctrlprog-cli ports [--json]\n"
    "       ctrlprog-cli --help\n";

constexpr const char* kHelp =
    "ctrlprog-cli: the console face of ctrlprog, on the same logic as its window.\n"
    "\n"
    "  encode FILE\n"
    "      Load the parameter file FILE as the window's \"OpenFile\" does, and print its\n"
    "      26-byte frame as hexadecimal on one line.\n"
    "\n"
    "  program --port PORT [--port PORT ...] --file FILE [--count N] [--timeout SECONDS]\n"
    "          [--json] [--record CSV]\n"
    "      Load FILE, put PORT in the port box and press \"Start Transmit\": poll the device,\n"
    "      send the frame, wait for the acknowledgement, and go on with the next board. Each\n"
    "      --port gets a link of its own, all in this one process. Each log line is printed\n"
    "      as \"HH:MM:SS.mmm text\", or \"HH:MM:SS.mmm PORT text\" with several ports. PORT is a\n"
    "      port number (1 is the first serial port, /dev/ttyS0) or a device path such as\n"
    "      /dev/ttyUSB0. A port that cannot be opened is reported and left out. After N\n"
    "      \"Transmit Finished\" lines on a port it presses \"Stop Transmit\" there; the run ends\n"
    "      when every port has its N, after SECONDS (at most 2000000), or on SIGINT, SIGTERM\n"
    "      or SIGHUP. At the end one summary line per port goes to stderr:\n"
    "      \"PORT: N programmed, M failed, K lost in S s\".\n"
    "      --json     print one JSON object per line instead: time, port, event (started,\n"
    "                 finished, fail, unconfirmed, lost, restored, closed, refused,\n"
    "                 record_failed, summary), text; refused also has reason; a summary\n"
    "                 has programmed, failed, lost and seconds\n"
    "      --record   append a row per board and per lost or restored line to the CSV file;\n"
    "                 once a row cannot be written, every port stops before its next frame\n"
    "\n"
    "  ports [--json]\n"
    "      List the serial ports the system detects: each device, its stable\n"
    "      /dev/serial/by-id/... path where there is one, then its description, manufacturer,\n"
    "      serial number and USB VID:PID as far as they are known. --json prints one JSON\n"
    "      object per port (device, by_id, description, manufacturer, serial_number, vid, pid).\n"
    "\n"
    "Exit status: 0 done; 1 a port could not be opened (reason on stderr); 2 the file cannot\n"
    "be read, holds a refused field or does not fill all sixteen parameters, or the record\n"
    "cannot be opened (reason on stderr); 3 --timeout passed before N boards; 74 the output\n"
    "or the record could not be written; 130/143/129 stopped by SIGINT/SIGTERM/SIGHUP; 64 usage "
    "error.\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return ctrlprog::kExitUsage;
}

std::optional<double> PositiveNumber(const std::string& text) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(v > 0) || v > 1e9) return std::nullopt;
  return v;
}

std::optional<ctrlprog::ProgramOptions> ParseProgram(const std::vector<std::string>& args) {
  ctrlprog::ProgramOptions o;
  bool haveFile = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--json") {
      o.json = true;
      continue;
    }
    if (i + 1 >= args.size()) return std::nullopt;
    const std::string& value = args[++i];
    if (name == "--port") {
      o.ports.push_back(value);
    } else if (name == "--file") {
      o.file = value;
      haveFile = true;
    } else if (name == "--record") {
      o.record = value;
    } else if (name == "--count") {
      const auto n = PositiveNumber(value);
      if (!n || *n != static_cast<double>(static_cast<long>(*n))) return std::nullopt;
      o.count = static_cast<long>(*n);
    } else if (name == "--timeout") {
      o.timeoutSec = PositiveNumber(value);
      if (!o.timeoutSec) return std::nullopt;
      if (*o.timeoutSec > ctrlprog::kMaxTimeoutSeconds) {
        std::fprintf(stderr, "ctrlprog-cli: --timeout takes at most %.0f seconds (about 23 days)\n",
                     ctrlprog::kMaxTimeoutSeconds);
        return std::nullopt;
      }
    } else {
      return std::nullopt;
    }
  }
  if (o.ports.empty() || !haveFile) return std::nullopt;
  return o;
}

// Keeps descriptors 0..2 taken, so that nothing opened later (a port, Qt's own pipes) lands on
// one and receives what is meant for the terminal. Returns whether stdout was closed.
bool GuardStandardDescriptors() {
  bool stdoutClosed = false;
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (fd == 1) stdoutClosed = true;
    const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != fd) {
      ::dup2(null, fd);
      ::close(null);
    }
  }
  return stdoutClosed;
}

}  // namespace

int main(int argc, char** argv) {
  if (GuardStandardDescriptors()) {
    std::fputs("ctrlprog-cli: standard output is closed\n", stderr);
    return ctrlprog::kExitOutputFailed;
  }
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kHelp, stdout);
    return ctrlprog::kExitOk;
  }
  if (args.empty()) return Usage();
  QCoreApplication app(argc, argv);
  if (args[0] == "encode" && args.size() == 2) return ctrlprog::RunEncode(args[1]);
  if (args[0] == "ports" && args.size() == 1) return ctrlprog::RunPorts(false);
  if (args[0] == "ports" && args.size() == 2 && args[1] == "--json")
    return ctrlprog::RunPorts(true);
  if (args[0] == "program") {
    const auto options = ParseProgram(args);
    if (!options) return Usage();
    return ctrlprog::RunProgram(*options);
  }
  return Usage();
}
