#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace ctrlprog {

// A text meant for a person (a message box, a line on the console), in the language the front
// end chose: `english` is the text as written here, with %1, %2, ... where the arguments go;
// the arguments are put in as they are. Texts a script or a file reads (JSON, the record) and
// the window's specified texts never go through here.
std::string Say(std::string_view english, std::initializer_list<std::string_view> args = {});

// The front end's translation of a text's English form, or an empty string where it has none.
// Set once at start-up, before any other thread runs; none keeps every text English.
using Translation = std::string (*)(std::string_view english);
void SetTranslation(Translation translation);

// `format` with %1..%9 replaced by `args`, in one pass (an argument holding "%1" stays so).
std::string Substitute(std::string_view format, std::initializer_list<std::string_view> args);
std::string Substitute(std::string_view format, const std::vector<std::string>& args);

// A text kept to be said later with its arguments (stored, say, then said with Say()): marked
// here so its translation is checked as a Say() text is.
constexpr const char* SayLater(const char* english) {
  return english;
}
std::string Say(std::string_view english, const std::vector<std::string>& args);

}  // namespace ctrlprog
