#pragma once

#include <string>

namespace ctrlprog {

// The SQLSTATE of the last server error in a message libpq wrote in its verbose form
// ("...: FATAL:  28P01: password authentication failed ..."), where there is one: its place, or
// npos.
size_t SqlStateAt(const std::string& message, std::string* state);

// libpq's text for the operator: its first line, without the severity and code of the verbose
// form.
std::string Clean(const char* raw);

}  // namespace ctrlprog
