#include "linedb_pg/pg_message.h"

#include <algorithm>
#include <string_view>

namespace ctrlprog {

size_t SqlStateAt(const std::string& message, std::string* state) {
  size_t found = std::string::npos;
  for (size_t at = message.find(":  "); at != std::string::npos; at = message.find(":  ", at + 1)) {
    const std::string_view rest = std::string_view(message).substr(at + 3);
    const bool code = rest.size() >= 7 && rest[5] == ':' && rest[6] == ' ' &&
                      std::all_of(rest.begin(), rest.begin() + 5, [](char c) {
                        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
                      });
    if (!code) continue;
    found = at;
    if (state) *state = std::string(rest.substr(0, 5));
  }
  return found;
}

// libpq's text for the operator: its first line, without the severity and code of the verbose
// form.
std::string Clean(const char* raw) {
  std::string text = raw ? raw : "";
  text = text.substr(0, text.find('\n'));
  if (const size_t at = SqlStateAt(text, nullptr); at != std::string::npos) {
    const size_t severity = text.rfind(' ', at == 0 ? 0 : at - 1);
    const size_t from = severity == std::string::npos ? 0 : severity + 1;
    text.erase(from, at + 3 + 7 - from);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace ctrlprog
