#include "front/argument_bytes.h"

#include <vector>

namespace ctrlprog {
namespace {

std::vector<std::string>& Arguments() {
  static std::vector<std::string> arguments;
  return arguments;
}

}  // namespace

void KeepArgumentBytes(int argc, char** argv) {
  Arguments().assign(argv, argv + argc);
}

std::string ArgumentBytes(const QString& value) {
  for (const std::string& raw : Arguments()) {
    if (QString::fromLocal8Bit(raw) == value) return raw;
    // --option=value
    const size_t equals = raw.find('=');
    if (raw.starts_with("--") && equals != std::string::npos &&
        QString::fromLocal8Bit(raw.substr(equals + 1)) == value) {
      return raw.substr(equals + 1);
    }
  }
  return value.toStdString();
}

}  // namespace ctrlprog
