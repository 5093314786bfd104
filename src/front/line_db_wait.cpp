#include "front/line_db_wait.h"

#include <QEventLoop>
#include <QTimer>

namespace ctrlprog {

bool AwaitLineDbVerdict(const StationSinks& sinks, QSocketNotifier* stop) {
  if (sinks.LineDbVerdict()) return false;
  QEventLoop wait;
  bool stopped = false;
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, &wait, [&] {
    if (sinks.LineDbVerdict()) wait.quit();
  });
  QTimer::singleShot(StationSinks::kVerdictWaitMs, &wait, &QEventLoop::quit);
  if (stop) {
    QObject::connect(stop, &QSocketNotifier::activated, &wait, [&] {
      stopped = true;
      wait.quit();
    });
  }
  look.start(50);
  wait.exec();
  if (stop) QObject::disconnect(stop, nullptr, &wait, nullptr);
  return stopped;
}

}  // namespace ctrlprog
