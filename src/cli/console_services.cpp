#include "cli/console_services.h"

#include <cstdio>

#include "link/qt/tick_timer.h"

namespace ctrlprog {

ConsoleServices::ConsoleServices() {
  SetUpTimer1(timer_);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (onTick) onTick();
  });
}

void ConsoleServices::MessageBox(std::string_view text) {
  std::fprintf(stderr, "%s%.*s\n", messagePrefix.c_str(), static_cast<int>(text.size()),
               text.data());
  std::fflush(stderr);
}

void ConsoleServices::SetTimerEnabled(bool enabled) {
  if (enabled) {
    timer_.start();  // a fresh interval, as the window's timer does
  } else {
    timer_.stop();
  }
}

void ConsoleServices::AppendLog(std::string_view text, std::optional<Rgb>) {
  std::string line(text);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  if (onLogLine) onLogLine(line);
}

}  // namespace ctrlprog
