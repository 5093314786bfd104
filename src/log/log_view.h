#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace ctrlprog {

struct Rgb {
  int red = 0;
  int green = 0;
  int blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Where the message log is shown: a rich text box. Texts are UTF-8; offsets count characters
// (code points), the line break being one character.
class LogView {
 public:
  virtual ~LogView() = default;
  virtual void SetLogText(std::string_view text) = 0;  // drops every colour
  // Appends `text` at the end, coloured when a colour is given, leaving earlier colours as they
  // are and the appended text selected.
  virtual void AppendLog(std::string_view text, std::optional<Rgb> colour) = 0;
  // How many of the newest lines the view keeps, the older ones dropping off its top as new
  // ones come; 0 for every line.
  virtual size_t LogLineLimit() const { return 0; }
};

}  // namespace ctrlprog
