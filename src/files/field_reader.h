#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ctrlprog {

// No choice is longer than 30 bytes; a field that runs past this is cut and marked too long.
inline constexpr size_t kMaxFieldBytes = 256;

// One field of a sequential text file, as bytes in the file's own encoding.
struct RawField {
  std::string bytes;
  int line = 1;          // line the field starts on, from 1
  bool tooLong = false;  // the field ran past kMaxFieldBytes
};

// Reads up to `maxFields` fields the way sequential input reads them: leading blanks skipped, a
// comma or the line end ends a field, a field that begins with a double quote runs to the next
// double quote (what follows it up to the delimiter is dropped), the line end (CR LF, LF or CR)
// is consumed. Empty fields at the very end of the text are not counted: a file may end in
// blank lines. Every field, blanks included, stops consuming at kMaxFieldBytes, so the work is
// bounded whatever the text.
std::vector<RawField> ReadFields(std::string_view text, size_t maxFields);

}  // namespace ctrlprog
