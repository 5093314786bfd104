#pragma once

#include <vector>

#include "link/port_listing.h"

namespace ctrlprog {

// The serial ports the system detects, with what it knows of each and its stable by-id link.
std::vector<PortDescription> DetectedPorts();

}  // namespace ctrlprog
