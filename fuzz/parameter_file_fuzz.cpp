// Feeds arbitrary bytes to the field reader and the parameter-file checker: they must never
// crash, read out of bounds, or accept a text that is not a choice.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "files/field_reader.h"
#include "files/parameter_file.h"
#include "model/parameter_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const auto& f : ctrlprog::ReadFields(bytes, 16)) {
    if (f.bytes.size() > ctrlprog::kMaxFieldBytes) std::abort();
  }
  const ctrlprog::ParsedFile parsed = ctrlprog::ParseParameterFile(bytes);
  if (const auto* choices = std::get_if<std::vector<std::string>>(&parsed)) {
    if (choices->size() > ctrlprog::kParameterCount) std::abort();
    for (size_t i = 0; i < choices->size(); ++i) {
      if (ctrlprog::MatchChoice(static_cast<int>(i), (*choices)[i]) != (*choices)[i]) std::abort();
    }
  } else {
    (void)ctrlprog::RefusalMessage(std::get<ctrlprog::RefusedField>(parsed));
  }
  return 0;
}
