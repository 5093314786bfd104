#pragma once

#include <QTimer>
#include <functional>
#include <string>

#include "ui/services/state_services.h"

namespace ctrlprog {

// Window services for the console: message boxes go to stderr, one line each; `Timer1` is a
// real 200 ms timer on the Qt event loop; log lines can be watched as they are appended.
class ConsoleServices : public StateServices {
 public:
  ConsoleServices();

  void MessageBox(std::string_view text) override;
  void SetTimerEnabled(bool enabled) override;
  bool TimerEnabled() override { return timer_.isActive(); }
  void AppendLog(std::string_view text, std::optional<Rgb> colour) override;

  // Called on every tick of `Timer1`.
  std::function<void()> onTick;
  // Called with each log line as it is appended, without its line break.
  std::function<void(const std::string&)> onLogLine;

 private:
  QTimer timer_;
};

}  // namespace ctrlprog
