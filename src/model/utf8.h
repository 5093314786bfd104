#pragma once

#include <string>
#include <string_view>

namespace ctrlprog {

bool IsValidUtf8(std::string_view bytes);

// Decodes UTF-8; each byte of an invalid sequence becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view bytes);
std::string EncodeUtf8(std::u32string_view text);

// `bytes` with every byte that is not part of a well-formed UTF-8 sequence written as \xFF (its
// value in upper-case hexadecimal), so names from the system always make valid UTF-8 output.
std::string EscapeNonUtf8(std::string_view bytes);

// A name from the system (a port, a path) for a line of text: as EscapeNonUtf8, and control
// characters written as \x1B too, so a name can neither break a line nor drive the terminal.
std::string EscapeName(std::string_view bytes);

// Number of code points, counting each invalid byte as one.
long CountCodePoints(std::string_view bytes);

}  // namespace ctrlprog
