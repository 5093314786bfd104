#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

namespace ctrlprog {

// Keeps the mouse wheel from changing a list the operator is only scrolling past: the wheel
// works on a list only once it has the keyboard focus.
class WheelGuard : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // Guards `w`, which also stops taking the focus from the wheel itself.
  void Guard(QWidget* w) {
    w->setFocusPolicy(Qt::StrongFocus);
    w->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Wheel) {
      auto* w = qobject_cast<QWidget*>(watched);
      if (w && !w->hasFocus()) {
        event->ignore();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace ctrlprog
