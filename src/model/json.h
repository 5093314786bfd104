#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "model/utf8.h"

namespace ctrlprog {

// `text` as a JSON string, quotes included; control characters are escaped, and bytes that are
// not UTF-8 are written as \xFF (a backslash doubled by JSON).
inline std::string JsonString(std::string_view raw) {
  const std::string text = EscapeNonUtf8(raw);
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
