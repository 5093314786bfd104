#pragma once

#include <QTimer>
#include <functional>
#include <string>

#include "ui/services/state_services.h"

namespace ctrlprog {

// Window services for the console: message boxes go to stderr, one line each; `Timer1` is a
// real 200 ms timer on the Qt event loop; log lines are handed on as they are appended and not
// kept.
class ConsoleServices : public StateServices {
 public:
  ConsoleServices();

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
  QTimer timer_;
};

}  // namespace ctrlprog
