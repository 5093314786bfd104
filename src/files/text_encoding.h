#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ctrlprog {

// Parameter files are written in code page 936 (GBK), the encoding the stations that share them
// use. Both return nothing when a character has no counterpart or the input is malformed.
[[nodiscard]] std::optional<std::string> Utf8ToGbk(std::string_view utf8);
[[nodiscard]] std::optional<std::string> GbkToUtf8(std::string_view gbk);

}  // namespace ctrlprog
