#pragma once

#include <string>

namespace ctrlprog {

// The value of one setting of a libpq address, or empty.
std::string Setting(const std::string& uri, const char* keyword);

}  // namespace ctrlprog
