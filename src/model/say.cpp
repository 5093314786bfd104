#include "model/say.h"

#include <atomic>

namespace ctrlprog {
namespace {

std::atomic<Translation> g_translation{nullptr};

}  // namespace

void SetTranslation(Translation translation) {
  g_translation.store(translation);
}

std::string Substitute(std::string_view format, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(format.size());
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '%' && i + 1 < format.size() && format[i + 1] >= '1' && format[i + 1] <= '9') {
      const auto n = static_cast<size_t>(format[i + 1] - '1');
      if (n < args.size()) {
        out += *(args.begin() + n);
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

std::string Say(std::string_view english, std::initializer_list<std::string_view> args) {
  if (const Translation translation = g_translation.load()) {
    if (const std::string translated = translation(english); !translated.empty()) {
      return Substitute(translated, args);
    }
  }
  return Substitute(english, args);
}

}  // namespace ctrlprog
