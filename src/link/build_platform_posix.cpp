#include "link/port_name.h"

namespace ctrlprog {

Platform BuildPlatform() {
  return Platform::Linux;
}

}  // namespace ctrlprog
