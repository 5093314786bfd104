#pragma once

#include <QAccessible>
#include <QLabel>
#include <QObjectList>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

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
    QPixmap& look = isEnabled() ? enabledLook_ : disabledLook_;
    const qreal ratio = devicePixelRatioF();
    if (look.isNull() || look.size() != size() * ratio) {
      // The label's text as the style draws a label's, once for each look.
      look = QPixmap(size() * ratio);
      look.setDevicePixelRatio(ratio);
      look.fill(Qt::transparent);
      QPainter into(&look);
      const int flags = static_cast<int>(QStyle::visualAlignment(layoutDirection(), alignment())) |
                        (wordWrap() ? static_cast<int>(Qt::TextWordWrap) : 0);
      style()->drawItemText(&into, contentsRect(), flags, palette(), isEnabled(), text(),
                            foregroundRole());
    }
    QPainter painter(this);
    painter.drawPixmap(
        event->rect(), look,
        QRectF(QPointF(event->rect().topLeft()) * ratio, QSizeF(event->rect().size()) * ratio));
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
};

}  // namespace ctrlprog
