#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/encode_command.h"

namespace {

constexpr const char* kUsage =
    "usage: ctrlprog-cli encode FILE\n"
    "       ctrlprog-cli --help\n";

constexpr const char* kHelp =
    "ctrlprog-cli: the console face of ctrlprog.\n"
    "\n"
    "  encode FILE   Load the parameter file FILE as the window's \"OpenFile\" does, and print\n"
    "                its 26-byte frame as hexadecimal on one line.\n"
    "\n"
    "Exit status: 0 done; 2 the file cannot be read, holds a refused field or does not fill\n"
    "all sixteen parameters (the reason is printed on stderr); 64 usage error.\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return ctrlprog::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kHelp, stdout);
    return ctrlprog::kExitOk;
  }
  if (args.size() == 2 && args[0] == "encode") return ctrlprog::RunEncode(args[1]);
  return Usage();
}
