#pragma once

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QObject>
#include <QSet>

namespace ctrlprog {

// What an operator's keyboard (or a foot switch that sends a key) can do beyond Tab and Space:
// Enter on a focused button presses it, and Alt alone (pressed and let go with no other key)
// or F10 takes the keyboard to the menu bar, whose items Enter then runs. It watches the
// application's key events, as the focus may be anywhere in the window.
class Keyboard : public QObject {
  Q_OBJECT

 public:
  explicit Keyboard(QMenuBar* menu, QObject* parent = nullptr) : QObject(parent), menu_(menu) {}

  // Enter on `button` presses it.
  void PressOnEnter(QAbstractButton* button) { buttons_.insert(button); }
  // Takes the keyboard to the menu bar, its first item chosen.
  void OpenMenu() {
    menu_->setFocus(Qt::ShortcutFocusReason);
    if (!menu_->actions().isEmpty()) menu_->setActiveAction(menu_->actions().front());
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      lonelyAlt_ = key->key() == Qt::Key_Alt && !key->isAutoRepeat();
      auto* button = qobject_cast<QAbstractButton*>(watched);
      if (button && buttons_.contains(button) && key->modifiers() == Qt::NoModifier &&
          (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        button->animateClick();
        return true;
      }
    } else if (event->type() == QEvent::KeyRelease) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Alt && lonelyAlt_ && !key->isAutoRepeat()) {
        lonelyAlt_ = false;
        OpenMenu();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QMenuBar* menu_;
  QSet<QAbstractButton*> buttons_;
  bool lonelyAlt_ = false;  // Alt is down, and nothing else was pressed since
};

}  // namespace ctrlprog
