#pragma once

#include <functional>
#include <memory>
#include <string>

#include "cli/tick_scheduler.h"
#include "form/state_services.h"

namespace ctrlprog {

// Window services for the console: message boxes go to stderr, one line each; `Timer1` ticks
// every 200 ms on the Qt event loop, through a scheduler that the links of one run may share;
// log lines are handed on as they are appended and not kept.
class ConsoleServices : public StateServices {
 public:
  explicit ConsoleServices(std::shared_ptr<TickScheduler> ticks = nullptr);
  ~ConsoleServices() override;
  ConsoleServices(const ConsoleServices&) = delete;
  ConsoleServices& operator=(const ConsoleServices&) = delete;

  void MessageBox(std::string_view text) override;
  void SetTimerEnabled(bool enabled) override;
  void AppendLog(std::string_view text, std::optional<Rgb> colour) override;

  // Put before every message, to tell the ports of one run apart.
  std::string messagePrefix;
  // Called on every tick of `Timer1`.
  std::function<void()> onTick;
  // Called with each log line as it is appended, without its line break.
  std::function<void(const std::string&)> onLogLine;

 private:
  std::shared_ptr<TickScheduler> ticks_;
};

}  // namespace ctrlprog
