#pragma once

#include <QFrame>

#include "link/link.h"

class QLabel;
class QPushButton;

namespace ctrlprog {

// The last result as a badge readable from across the line ("PASS" on green, "FAIL" on red,
// with its time of day), the counts since start-up, and "Reset" to set them to zero.
class ResultPanel : public QFrame {
  Q_OBJECT

 public:
  explicit ResultPanel(QWidget* parent = nullptr);

  // Shows the tally as it stands.
  void Show(const Tally& tally);
  QPushButton* ResetButton() const { return reset_; }

 private:
  QLabel* badge_ = nullptr;
  QLabel* time_ = nullptr;
  QLabel* programmed_ = nullptr;
  QLabel* failed_ = nullptr;
  QPushButton* reset_ = nullptr;
};

// The time of day of an event, as the panel and the status line show it.
QString TimeOfDay(Clock::time_point time);

// The status line: the link's condition in words, then the counts and the last result.
QString StatusText(Link::Condition condition, const QString& port, const Tally& tally);

}  // namespace ctrlprog
