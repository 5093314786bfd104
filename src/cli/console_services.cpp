#include "cli/console_services.h"

#include <cstdio>

namespace ctrlprog {

ConsoleServices::ConsoleServices(std::shared_ptr<TickScheduler> ticks)
    : ticks_(ticks ? std::move(ticks) : std::make_shared<TickScheduler>()) {}

ConsoleServices::~ConsoleServices() {
  ticks_->Stop(this);
}

void ConsoleServices::MessageBox(std::string_view text) {
  std::fprintf(stderr, "%s%.*s\n", messagePrefix.c_str(), static_cast<int>(text.size()),
               text.data());
  std::fflush(stderr);
}

void ConsoleServices::SetTimerEnabled(bool enabled) {
  if (enabled) {
    ticks_->Start(this, [this] {  // a fresh interval, as the window's timer does
      if (onTick) onTick();
    });
  } else {
    ticks_->Stop(this);
  }
}

void ConsoleServices::AppendLog(std::string_view text, std::optional<Rgb>) {
  std::string line(text);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  if (onLogLine) onLogLine(line);
}

}  // namespace ctrlprog
