#pragma once

#include <QObject>
#include <functional>

namespace ctrlprog {

// Calls run on the thread this object lives on, posted from any thread. Each call is handed
// over whole: the posting thread never touches it again, so it is made, run and destroyed in
// that order with no thread left holding a part of it (a queued functor's last reference can
// otherwise be dropped by the posting thread after the other ran it). Calls still waiting when
// this object goes are dropped with it.
class PostedCalls : public QObject {
 public:
  explicit PostedCalls(QObject* parent) : QObject(parent) {}
  // Any thread.
  void Post(std::function<void()> call);

 protected:
  bool event(QEvent* e) override;
};

}  // namespace ctrlprog
