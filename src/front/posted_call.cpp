#include "front/posted_call.h"

#include <QCoreApplication>
#include <QEvent>

namespace ctrlprog {
namespace {

const QEvent::Type kCallEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class CallEvent : public QEvent {
 public:
  explicit CallEvent(std::function<void()> call) : QEvent(kCallEvent), call_(std::move(call)) {}
  void Run() const { call_(); }

 private:
  std::function<void()> call_;
};

}  // namespace

void PostedCalls::Post(std::function<void()> call) {
  QCoreApplication::postEvent(this, new CallEvent(std::move(call)));
}

bool PostedCalls::event(QEvent* e) {
  if (e->type() != kCallEvent) return QObject::event(e);
  static_cast<const CallEvent*>(e)->Run();
  return true;
}

}  // namespace ctrlprog
