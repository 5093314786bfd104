#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace ctrlprog {

// Bytes as two-digit uppercase hexadecimal separated by single spaces: "02 0F 22".
inline std::string ToHex(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (uint8_t b : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
  }
  return out;
}

}  // namespace ctrlprog
