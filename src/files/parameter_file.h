#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "files/file_error.h"
#include "model/parameter_set.h"

namespace ctrlprog {

// A field of a parameter file that is none of its parameter's choices.
struct RefusedField {
  int line = 0;
  int index = 0;
  std::string shown;  // the refused text, made safe to show
};

// The choices a file names, in index order; there may be fewer than sixteen.
using ParsedFile = std::variant<std::vector<std::string>, RefusedField>;

// Checks every field of a file's bytes before anything is applied. A UTF-8 byte-order mark is
// skipped; the text is read as UTF-8 when it is valid UTF-8, otherwise as GBK.
[[nodiscard]] ParsedFile ParseParameterFile(std::string_view bytes);

// The file's bytes for a complete set: sixteen lines ending in CR LF, in GBK.
[[nodiscard]] std::optional<std::string> FormatParameterFile(const ParameterSet& strParam);

struct LoadFailure {
  std::string message;  // ready for a message box
};
using LoadResult = std::variant<std::vector<std::string>, LoadFailure>;

// Reads and checks the file at `path`.
[[nodiscard]] LoadResult ReadParameterFile(const std::string& path);

// Writes the set to `path` through a temporary file in the same folder, so the old file stays
// intact until the new one is complete. Returns why it failed, if it did.
[[nodiscard]] std::optional<FileError> WriteParameterFile(const std::string& path,
                                                          const ParameterSet& strParam,
                                                          bool* wroteInPlace = nullptr);
// Said after a store that had to write the file in place.
std::string InPlaceStoreMessage(const std::string& path);

std::string RefusalMessage(const RefusedField& refused);
std::string StoreFailureMessage(const std::string& path, FileError error);
// Said after loading a file that held fewer than sixteen parameters.
std::string ShortFileMessage(const std::string& path, size_t held);

}  // namespace ctrlprog
