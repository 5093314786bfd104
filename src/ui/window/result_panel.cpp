#include "ui/window/result_panel.h"

#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ctrlprog {
namespace {

// Large enough to read from two metres; the window's 8-point face is for the design's rows.
#define CTRLPROG_BADGE "font-size: 26pt; font-weight: bold; "
constexpr const char* kNoResult =
    "QLabel { " CTRLPROG_BADGE "background: palette(mid); color: palette(window); }";
constexpr const char* kPass =
    "QLabel { " CTRLPROG_BADGE "background: rgb(0, 150, 0); color: white; }";
constexpr const char* kFail =
    "QLabel { " CTRLPROG_BADGE "background: rgb(210, 0, 0); color: white; }";
#undef CTRLPROG_BADGE

QString Counts(const Tally& tally) {
  return QString("Programmed %1, Failed %2").arg(tally.Programmed()).arg(tally.Failed());
}

}  // namespace

QString TimeOfDay(Clock::time_point time) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch());
  return QDateTime::fromMSecsSinceEpoch(ms.count()).toString("HH:mm:ss");
}

ResultPanel::ResultPanel(QWidget* parent) : QFrame(parent) {
  setObjectName("ResultPanel");
  setAccessibleName("Result");
  setFrameShape(QFrame::StyledPanel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(2);

  badge_ = new QLabel(this);
  badge_->setObjectName("lblResult");
  badge_->setAlignment(Qt::AlignCenter);
  badge_->setStyleSheet(kNoResult);
  badge_->setMinimumHeight(52);
  layout->addWidget(badge_);

  time_ = new QLabel(this);
  time_->setObjectName("lblResultTime");
  time_->setAlignment(Qt::AlignCenter);
  layout->addWidget(time_);

  programmed_ = new QLabel(this);
  programmed_->setObjectName("lblProgrammed");
  layout->addWidget(programmed_);
  failed_ = new QLabel(this);
  failed_->setObjectName("lblFailed");
  layout->addWidget(failed_);

  reset_ = new QPushButton("Reset", this);
  reset_->setObjectName("cmdReset");
  reset_->setAccessibleName("Reset");
  reset_->setAccessibleDescription("Sets the counts of programmed and failed boards to zero");
  layout->addWidget(reset_);
  Show(Tally());
}

// PASS, FAIL or UNCONFIRMED, as the record has it.
static QString ResultWord(const Tally::Result& result) {
  const std::string_view word = TraitsOf(result.kind).result;
  return QString::fromLatin1(word.data(), static_cast<qsizetype>(word.size()));
}

void ResultPanel::Show(const Tally& tally) {
  const auto& last = tally.Last();
  if (!last) {
    badge_->setText("–");
    badge_->setStyleSheet(kNoResult);
    badge_->setAccessibleName("No result yet");
    time_->clear();
  } else {
    const QString word = ResultWord(*last);
    badge_->setText(word);
    badge_->setStyleSheet(last->passed() ? kPass : kFail);
    time_->setText(TimeOfDay(last->time));
    badge_->setAccessibleName("Last result " + word + " at " + time_->text());
  }
  programmed_->setText(QString("Programmed %1").arg(tally.Programmed()));
  failed_->setText(QString("Failed %1").arg(tally.Failed()));
}

QString StatusText(Link::Condition condition, const QString& port, const Tally& tally) {
  QString text;
  switch (condition) {
    case Link::Condition::Stopped:
      text = "Stopped";
      break;
    case Link::Condition::Waiting:
      text = "Waiting for a board on " + port;
      break;
    case Link::Condition::Lost:
      text = port + " lost, retrying";
      break;
  }
  text += ". " + Counts(tally) + ".";
  if (const auto& last = tally.Last()) {
    text += QString(" Last result %1 at %2.").arg(ResultWord(*last), TimeOfDay(last->time));
  }
  return text;
}

}  // namespace ctrlprog
