#include "devsim/raw_pty.h"

#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace ctrlprog {

std::optional<RawPty> OpenRawPty() {
  RawPty pty;
  char name[256] = {};
  if (::openpty(&pty.master, &pty.slave, name, nullptr, nullptr) != 0) return std::nullopt;
  pty.name = name;
  termios tio{};
  ::tcgetattr(pty.slave, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(pty.slave, TCSANOW, &tio);
  return pty;
}

bool ReplaceSymlink(const std::string& target, const std::string& link) {
  ::unlink(link.c_str());
  return ::symlink(target.c_str(), link.c_str()) == 0;
}

}  // namespace ctrlprog
