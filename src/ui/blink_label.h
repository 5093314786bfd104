#pragma once

#include <QAccessible>
#include <QLabel>
#include <QObjectList>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>

namespace ctrlprog {

// A label that blinks by its enabled state five times a second while a transfer runs. It
// looks as the window's other labels do, but it draws each of its two looks once and then only
// copies them, and a blink paints only what shows of it, so the progress bar that overlaps its
// last line of pixels is not painted again each time: an idle window costs little more than
// the console.
class BlinkLabel : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (drawingLook_) {
      QLabel::paintEvent(event);
      return;
    }
    QPixmap& look = isEnabled() ? enabledLook_ : disabledLook_;
    const qreal ratio = devicePixelRatioF();
    if (look.isNull() || look.size() != size() * ratio) {
      look = QPixmap(size() * ratio);
      look.setDevicePixelRatio(ratio);
      look.fill(Qt::transparent);
      // The style paints the label as it always has, into the picture.
      QPainter into(&look);
      drawingLook_ = true;
      render(&into, QPoint(), QRegion(), RenderFlag::DrawChildren);
      drawingLook_ = false;
    }
    QPainter painter(this);
    painter.drawPixmap(event->rect(), look,
                       QRectF(event->rect().topLeft() * ratio, event->rect().size() * ratio));
  }
  void changeEvent(QEvent* event) override {
    if (event->type() == QEvent::EnabledChange) {
      // Only what shows is painted again: the progress bar just below overlaps the label's
      // last line of pixels, and would otherwise be painted over at every blink.
      update(Uncovered());
      QAccessible::State state;
      state.disabled = true;
      QAccessibleStateChangeEvent changed(this, state);
      QAccessible::updateAccessibility(&changed);
      return;
    }
    // A new text, face or palette: both looks are drawn anew.
    enabledLook_ = QPixmap();
    disabledLook_ = QPixmap();
    QLabel::changeEvent(event);
  }

 private:
  // The label less what the widgets above it cover.
  QRegion Uncovered() const {
    QRegion region = rect();
    if (const QWidget* parent = parentWidget()) {
      const QObjectList& siblings = parent->children();
      for (qsizetype i = siblings.indexOf(const_cast<BlinkLabel*>(this)) + 1; i < siblings.size();
           ++i) {
        const auto* above = qobject_cast<const QWidget*>(siblings[i]);
        if (above && above->isVisible()) region -= above->geometry().translated(-pos());
      }
    }
    return region;
  }

  QPixmap enabledLook_, disabledLook_;
  bool drawingLook_ = false;
};

}  // namespace ctrlprog
