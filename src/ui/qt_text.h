#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace ctrlprog {

// The logic's UTF-8 texts as Qt's, and back.
inline QString ToQString(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string ToStdString(const QString& s) {
  return s.toStdString();
}

}  // namespace ctrlprog
