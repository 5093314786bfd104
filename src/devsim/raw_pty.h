#pragma once

#include <optional>
#include <string>

namespace ctrlprog {

// A pseudo-terminal in raw mode, as a board's end of a serial line: nothing echoed or
// translated. The slave stays open with the master so the terminal lives while the host closes
// and re-opens its side.
struct RawPty {
  int master = -1;
  int slave = -1;
  std::string name;  // the slave's path, which the host opens
};

std::optional<RawPty> OpenRawPty();

// Makes `link` a symbolic link to `target`, replacing whatever `link` was.
bool ReplaceSymlink(const std::string& target, const std::string& link);

}  // namespace ctrlprog
