#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace ctrlprog {

// `text` (UTF-8) as a JSON string, quotes included; control characters are escaped.
inline std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace ctrlprog
