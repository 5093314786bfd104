#include "model/utf8.h"

#include <cstdint>

namespace ctrlprog {
namespace {

// Length of the well-formed sequence starting at `i` and its code point; 0 when ill-formed.
size_t Sequence(std::string_view s, size_t i, char32_t& cp) {
  const auto b = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t lead = b(i);
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  size_t n = 0;
  char32_t min = 0;
  if ((lead & 0xE0) == 0xC0) {
    n = 2, cp = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    n = 3, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    n = 4, cp = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  char32_t cp = 0;
  for (size_t i = 0; i < bytes.size();) {
    const size_t n = Sequence(bytes, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

namespace {

std::string Escape(std::string_view bytes, bool controls) {
  std::string out;
  out.reserve(bytes.size());
  char32_t cp = 0;
  for (size_t i = 0; i < bytes.size();) {
    const size_t n = Sequence(bytes, i, cp);
    if (n == 0 || (controls && (cp < 0x20 || cp == 0x7F))) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      const auto b = static_cast<uint8_t>(bytes[i]);
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
      i += 1;
    } else {
      out.append(bytes.substr(i, n));
      i += n;
    }
  }
  return out;
}

}  // namespace

std::string EscapeNonUtf8(std::string_view bytes) {
  return Escape(bytes, false);
}

std::string EscapeName(std::string_view bytes) {
  return Escape(bytes, true);
}

std::u32string DecodeUtf8(std::string_view bytes) {
  std::u32string out;
  out.reserve(bytes.size());
  char32_t cp = 0;
  for (size_t i = 0; i < bytes.size();) {
    const size_t n = Sequence(bytes, i, cp);
    out.push_back(n == 0 ? U'\uFFFD' : cp);
    i += n == 0 ? 1 : n;
  }
  return out;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t cp : text) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

long CountCodePoints(std::string_view bytes) {
  long count = 0;
  char32_t cp = 0;
  for (size_t i = 0; i < bytes.size(); ++count) {
    const size_t n = Sequence(bytes, i, cp);
    i += n == 0 ? 1 : n;
  }
  return count;
}

}  // namespace ctrlprog
