#pragma once

#include <string>
#include <string_view>

namespace ctrlprog {

bool IsValidUtf8(std::string_view bytes);

// Decodes UTF-8; each byte of an invalid sequence becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view bytes);
std::string EncodeUtf8(std::u32string_view text);

// Number of code points, counting each invalid byte as one.
long CountCodePoints(std::string_view bytes);

}  // namespace ctrlprog
