#include "model/say.h"

#include <atomic>

namespace ctrlprog {
namespace {

std::atomic<Translation> g_translation{nullptr};

// `format` with %1..%9 replaced by the `count` texts at `args`.
std::string SubstituteAll(std::string_view format, const std::string_view* args, size_t count) {
  std::string out;
  out.reserve(format.size());
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '%' && i + 1 < format.size() && format[i + 1] >= '1' && format[i + 1] <= '9') {
      const auto n = static_cast<size_t>(format[i + 1] - '1');
      if (n < count) {
        out += args[n];
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

// The text to fill in: the translation of `english` where there is one.
std::string Translated(std::string_view english) {
  if (const Translation translation = g_translation.load()) {
    if (std::string translated = translation(english); !translated.empty()) return translated;
  }
  return std::string(english);
}

}  // namespace

void SetTranslation(Translation translation) {
  g_translation.store(translation);
}

std::string Substitute(std::string_view format, std::initializer_list<std::string_view> args) {
  return SubstituteAll(format, args.begin(), args.size());
}

std::string Substitute(std::string_view format, const std::vector<std::string>& args) {
  const std::vector<std::string_view> views(args.begin(), args.end());
  return SubstituteAll(format, views.data(), views.size());
}

std::string Say(std::string_view english, std::initializer_list<std::string_view> args) {
  return Substitute(Translated(english), args);
}

std::string Say(std::string_view english, const std::vector<std::string>& args) {
  return Substitute(Translated(english), args);
}

}  // namespace ctrlprog
