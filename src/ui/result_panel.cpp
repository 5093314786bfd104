#include "ui/result_panel.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextLayout>
#include <QVBoxLayout>
#include <cmath>

#include "scan/unit_gate.h"
#include "ui/qt_text.h"

namespace ctrlprog {
namespace {

struct BadgeLook {
  const char* background;
  const char* colour;
};
constexpr BadgeLook kNeutral{"rgb(70, 90, 120)", "white"};
constexpr BadgeLook kIdle{"rgb(150, 150, 150)", "black"};
constexpr BadgeLook kPass{"rgb(0, 150, 0)", "white"};
constexpr BadgeLook kFail{"rgb(210, 0, 0)", "white"};
constexpr BadgeLook kNoLink{"rgb(255, 170, 0)", "black"};  // amber: a fault on the line

QString Tr(const char* text) {
  return QCoreApplication::translate("ResultPanel", text);
}

// PASS, FAIL or UNCONFIRMED, as the record has it, in the operator's language.
QString ResultWord(const Tally::Result& result) {
  switch (result.kind) {
    case LinkEventKind::Passed:
      return Tr("PASS");
    case LinkEventKind::Unconfirmed:
      return Tr("UNCONFIRMED");
    default:
      return Tr("FAIL");
  }
}

BadgeLook ResultLook(const Tally::Result& result) {
  return result.passed() ? kPass : kFail;
}

QFont Face(int px) {
  QFont face;
  face.setBold(true);
  face.setPixelSize(px);
  return face;
}

// The height a label gives a line of `text`: a Chinese word is drawn in a fallback face whose
// line is taller than the bold face's own, and a box of the bold face's height cuts its top and
// bottom off.
int LineHeight(const QString& text, const QFont& face) {
  QTextLayout layout(text, face);
  layout.beginLayout();
  const QTextLine line = layout.createLine();
  layout.endLayout();
  return std::max(QFontMetrics(face).height(), static_cast<int>(std::ceil(line.height())));
}

}  // namespace

ScanShown ScanShownOf(const UnitGate& gate) {
  return {
      gate.Waiting(), gate.Checking(), gate.LineUnreachable(), gate.LineOptional(), gate.Serial(),
      gate.Attempt(), gate.Boards(),   gate.FirstPass(),       gate.Attempts(),     {}};
}

QString TimeOfDay(Clock::time_point time) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch());
  return QDateTime::fromMSecsSinceEpoch(ms.count()).toString("HH:mm:ss");
}

ResultPanel::ResultPanel(QWidget* parent) : QFrame(parent) {
  setObjectName("ResultPanel");
  setAccessibleName(Tr("Result"));
  setFrameShape(QFrame::StyledPanel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(2);

  badge_ = new QLabel(this);
  badge_->setObjectName("lblResult");
  badge_->setAlignment(Qt::AlignCenter);
  // The room sets the face, never the face the room: no tile grows for the word it shows.
  badge_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  layout->addWidget(badge_, 1);

  time_ = new QLabel(this);
  time_->setObjectName("lblResultTime");
  time_->setAlignment(Qt::AlignCenter);
  layout->addWidget(time_);

  auto* counts = new QGridLayout;
  programmed_ = new QLabel(this);
  programmed_->setObjectName("lblProgrammed");
  failed_ = new QLabel(this);
  failed_->setObjectName("lblFailed");
  for (QLabel* count : {programmed_, failed_}) {
    count->setAlignment(Qt::AlignCenter);
    count->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // the room sets the face
  }
  counts->addWidget(programmed_, 0, 0);
  counts->addWidget(failed_, 1, 0);
  counts_ = counts;
  layout->addLayout(counts);
  BuildSerialRow(layout);

  reset_ = new QPushButton(Tr("Reset"), this);
  reset_->setObjectName("cmdReset");
  reset_->setAccessibleName(Tr("Reset"));
  reset_->setAccessibleDescription(Tr("Sets the counts of programmed and failed boards to zero"));
  layout->addWidget(reset_);
  SetLayout(Layout::Full);
  Show(Link::Condition::Stopped, Tally());
}

void ResultPanel::BuildSerialRow(QLayout* layout) {
  serialRow_ = new QWidget(this);
  auto* row = new QHBoxLayout(serialRow_);
  row->setContentsMargins(0, 0, 0, 0);
  auto* label = new QLabel(Tr("Serial"), serialRow_);
  label->setObjectName("lblSerial");
  serialLabel_ = label;
  serial_ = new QLineEdit(serialRow_);
  serial_->setObjectName("txtSerial");
  serial_->setAccessibleName(Tr("Serial"));
  serial_->setAccessibleDescription(Tr("Scan the board's serial here; Enter takes it"));
  serial_->setPlaceholderText(Tr("scan a board"));
  serial_->setMaxLength(256);  // no scanner sends more; the check says what is too long
  serial_->setStyleSheet("QLineEdit { font-size: 16px; }");
  label->setBuddy(serial_);
  label->setStyleSheet("QLabel { font-size: 16px; font-weight: bold; }");
  row->addWidget(label);
  row->addWidget(serial_, 1);
  layout->addWidget(serialRow_);
  scanNote_ = new QLabel(this);
  scanNote_->setObjectName("lblScanNote");
  scanNote_->setWordWrap(true);
  scanNote_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);  // its first lines, where it is cut
  // Room for up to four lines kept while scanning (as the panel's height allows), so a refusal
  // moves nothing around it; a longer one is whole in the tooltip.
  layout->addWidget(scanNote_);
  connect(serial_, &QLineEdit::returnPressed, this, [this] {
    const QString text = serial_->text();
    serial_->clear();
    if (!text.trimmed().isEmpty()) emit serialEntered(text);
  });
  serialRow_->hide();
  scanNote_->hide();
}

void ResultPanel::SetScanning(bool scanning) {
  scanning_ = scanning;
  serialRow_->setVisible(scanning);
  scanNote_->setVisible(scanning);
  note_.clear();
  ShowSmallPrint();
  StackCounts();
}

void ResultPanel::ShowScanNote(const QString& note) {
  note_ = note;
  ShowSmallPrint();
}

void ResultPanel::ShowRefusal(const QString& word, const QString& reason) {
  refusalWord_ = word;
  note_ = reason;
  Show(shown_.condition, shown_.tally, shown_.scan);
}

void ResultPanel::ShowScanTurn(const QString& text, bool here, const QString& widest) {
  if (text.isEmpty()) {
    serialLabel_->setText(Tr("Serial"));
    serialLabel_->setStyleSheet("QLabel { font-size: 16px; font-weight: bold; }");
    return;
  }
  // As wide as its widest form, so it is never cut and the tiles keep their widths as the turn
  // moves on.
  const QFontMetrics turn(Face(kTurnPx));
  serialLabel_->setFixedWidth(
      std::max(turn.horizontalAdvance(widest), turn.horizontalAdvance(text)) + 12);
  serialLabel_->setText(text);
  serialLabel_->setStyleSheet(
      here ? QString("QLabel { font-size: %1px; font-weight: bold; color: white; "
                     "background: rgb(0, 90, 200); padding: 0 4px; }")
                 .arg(kTurnPx)
           : QString("QLabel { font-size: %1px; color: rgb(90, 90, 90); }").arg(kTurnPx));
}

void ResultPanel::ShowSmallPrint() {
  const bool merged = scanning_ && layout_ == Layout::Tile;
  time_->setVisible(layout_ != Layout::Compact && !merged && !noSmallPrint_);
  time_->setText(detail_);
  const QString small = merged && note_.isEmpty() ? detail_ : note_;
  scanNote_->setText(small);
  scanNote_->setToolTip(small);
  scanNote_->setAccessibleName(small);
  const QString look = QString("QLabel { color: %1; font-size: %2px; font-weight: %3; }")
                           .arg(note_.isEmpty() ? "black" : "rgb(170, 0, 0)")
                           .arg(kNotePx)
                           .arg(note_.isEmpty() ? "normal" : "bold");
  if (scanNote_->styleSheet() != look) scanNote_->setStyleSheet(look);
}

void ResultPanel::HideSmallPrint(bool hide) {
  if (hide == noSmallPrint_) return;
  noSmallPrint_ = hide;
  ShowSmallPrint();
  FitText();
}

void ResultPanel::ShortCountsOnFloor(bool floor) {
  if (floor == floor_) return;
  floor_ = floor;
  if (!programmedCount_.isEmpty()) ShowProgrammed();
  FitText();
}

void ResultPanel::ShowProgrammed() {
  programmed_->setText((floor_ ? Tr("Passed %1") : Tr("Programmed %1")).arg(programmedCount_));
}

void ResultPanel::SetLayout(Layout layout) {
  layout_ = layout;
  const bool full = layout == Layout::Full;
  reset_->setVisible(full);
  ShowSmallPrint();
  // Room for the readable face, but for the concealed window at its specified height; the
  // face itself follows the room the badge gets.
  badge_->setMinimumHeight(
      layout == Layout::Compact ? 26 : QFontMetrics(Face(kReadableBadgePx)).height());
  StackCounts();
  FitText();
}

void ResultPanel::StackCounts() {
  // The counts one above the other where the panel is narrow and has the height for it.
  const int line = QFontMetrics(Face(kReadableBadgePx)).height();
  bool stacked = layout_ == Layout::Full || (layout_ == Layout::Compact && height() >= 3 * line);
  // A scanning tile's counts are longer ("Boards 3, first pass 2"): stacked where its height
  // leaves room for them and two lines of small print; the small print takes what is left.
  QFont small;
  small.setPixelSize(kNotePx);
  const int smallLine = QFontMetrics(small).lineSpacing();
  int smallLines = 4;
  if (layout_ == Layout::Tile && scanning_) {
    const int countsLine = QFontMetrics(Face(kReadableBadgePx / 2)).height();
    const int room = height() - 8 - line - 3 * 2;  // margins, the badge, the spacing
    stacked = room >= 2 * countsLine + 2 * smallLine;
    smallLines = std::clamp((room - (stacked ? 2 : 1) * countsLine) / smallLine, 1, 4);
  }
  scanNote_->setFixedHeight(smallLines * smallLine + 2);
  if (counts_->itemAtPosition(stacked ? 1 : 0, stacked ? 0 : 1) == nullptr) {
    counts_->removeWidget(failed_);
    counts_->addWidget(failed_, stacked ? 1 : 0, stacked ? 0 : 1);
  }
  counts_->setColumnStretch(0, 1);
  counts_->setColumnStretch(1, stacked ? 0 : 1);
}

void ResultPanel::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  StackCounts();
  // The counts' labels get their new widths now, so the faces are fitted to them, not to the
  // widths they had before.
  layout()->activate();
  FitText();
}

// The largest face the room has, so the word reads from two metres wherever the room allows it.
void ResultPanel::FitText() {
  // The counts' face follows the badge's and takes height from it: fitted again in the room the
  // layout leaves once the faces are set, until the badge keeps its room.
  for (int pass = 0; pass < 4; ++pass) {
    layout()->activate();
    const int room = badge_->height();
    FitOnce();
    layout()->activate();
    if (badge_->height() >= room) return;
  }
}

void ResultPanel::FitOnce() {
  // The largest size that fits, found by halving: fitting only gets harder as the face grows.
  // A text of several lines fits when its longest line does and its lines together do.
  const auto largest = [](const QString& text, int width, int height, int from, int to) {
    const QStringList lines = text.split('\n');
    while (from < to) {
      const int mid = (from + to + 1) / 2;
      const QFontMetrics metrics(Face(mid));
      int widest = 0, tallest = 0;
      for (const QString& line : lines) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
        tallest = std::max(tallest, LineHeight(line, Face(mid)));
      }
      if (widest <= width && tallest * static_cast<int>(lines.size()) <= height) {
        from = mid;
      } else {
        to = mid - 1;
      }
    }
    return from;
  };
  const int badgeWidth = badge_->width() - 8, badgeHeight = badge_->height();
  const int badgeTop = std::max(10, badgeHeight);
  QString word = badgeWord_;
  int badgePx = largest(word, badgeWidth, badgeHeight, 10, badgeTop);
  // A refusal's words may take two lines where that makes them larger.
  if (!refusalWord_.isEmpty() && word == refusalWord_) {
    const qsizetype middle = word.size() / 2;
    qsizetype space = -1;
    for (qsizetype i = 0; i < word.size(); ++i) {
      if (word[i] == ' ' && (space < 0 || std::abs(i - middle) < std::abs(space - middle))) {
        space = i;
      }
    }
    if (space > 0) {
      QString split = word;
      split[space] = '\n';
      if (const int px = largest(split, badgeWidth, badgeHeight, 10, badgeTop); px > badgePx) {
        word = split;
        badgePx = px;
      }
    }
  }
  if (badge_->text() != word) badge_->setText(word);
  // The counts' labels take the height their face asks for, so only their width bounds them.
  int countsPx = std::max(kReadableBadgePx / 2, badgePx / 2);
  for (const QLabel* count : {programmed_, failed_}) {
    countsPx = largest(count->text(), count->width() - 4, countsPx * 2, 9, countsPx);
  }
  // The window's style sheet sets every face, so the sizes go in style sheets too; each is set
  // only when it changes, as a new one is parsed and polished anew.
  const QString badge = QString(
                            "QLabel { font-size: %1px; font-weight: bold; background: %2; "
                            "color: %3; }")
                            .arg(badgePx)
                            .arg(look_.background, look_.colour);
  if (badge_->styleSheet() != badge) badge_->setStyleSheet(badge);
  const QString counts = QString("QLabel { font-size: %1px; font-weight: bold; }").arg(countsPx);
  for (QLabel* count : {programmed_, failed_}) {
    if (count->styleSheet() != counts) count->setStyleSheet(counts);
  }
}

namespace {

struct Badge {
  QString word, detail;
  BadgeLook look = kIdle;
};

// A scanning port's badge while it runs: SCAN while it waits for a serial (the colour keeps the
// last result), then the board it holds and its attempt.
Badge ScanningBadge(Link::Condition condition, const std::optional<Tally::Result>& last,
                    const ScanShown& scan, const QString& lastText) {
  // A board the line cannot vouch for is held, in sight: amber, in the badge's large type.
  if (scan.unchecked) {
    return {Tr("CANNOT CHECK"),
            Tr("cannot check %1 with the line; asking again").arg(ToQString(scan.serial)), kNoLink};
  }
  // A station that goes on without the line says so on every tile, whatever it shows.
  const QString withoutLine =
      scan.lineOptional ? Tr("; checked without the line if it cannot answer") : QString();
  if (scan.waiting || scan.checking) {
    return {Tr("SCAN"),
            (scan.checking ? Tr("asking the line database about %1…").arg(ToQString(scan.serial))
                           : lastText) +
                withoutLine,
            last ? ResultLook(*last) : kNeutral};
  }
  return {condition == Link::Condition::Programming ? Tr("PROGRAMMING") : Tr("WAITING"),
          Tr("board %1, attempt %2").arg(ToQString(scan.serial)).arg(scan.attempt) +
              (scan.next.empty() ? QString() : Tr("; next %1").arg(ToQString(scan.next))) +
              withoutLine,
          kNeutral};
}

Badge BadgeOf(Link::Condition condition, const Tally& tally, const std::optional<ScanShown>& scan) {
  const auto& last = tally.Last();
  const QString lastText =
      last ? Tr("last %1 at %2").arg(ResultWord(*last), TimeOfDay(last->time)) : QString();
  // A failure stays in sight, red, while the same board is tried again, until the next PASS or
  // a lost line; a stop that cut a board short says so in the big word.
  const bool failed = last && !last->passed();
  switch (condition) {
    case Link::Condition::Stopped:
      if (last && last->kind == LinkEventKind::Unconfirmed) {
        return {ResultWord(*last), Tr("stopped at %1").arg(TimeOfDay(last->time)), kFail};
      }
      return {Tr("STOPPED"), lastText, kIdle};
    case Link::Condition::Lost:
      return {Tr("NO LINK"), lastText, kNoLink};
    case Link::Condition::Programming:
    case Link::Condition::Waiting:
      if (scan) return ScanningBadge(condition, last, *scan, lastText);
      if (failed) return {ResultWord(*last), Tr("retrying…"), kFail};
      if (condition == Link::Condition::Programming) {
        return {Tr("PROGRAMMING"), lastText, kNeutral};
      }
      if (last) return {ResultWord(*last), TimeOfDay(last->time), ResultLook(*last)};
      return {Tr("WAITING"), {}, kNeutral};
  }
  return {};
}

}  // namespace

void ResultPanel::Show(Link::Condition condition, const Tally& tally,
                       const std::optional<ScanShown>& scan) {
  shown_ = {condition, tally, scan};
  Badge badge = BadgeOf(condition, tally, scan);
  // A refused scan stays in sight, amber, until the next scan; a lost line or a stop says more.
  const bool onLine =
      condition == Link::Condition::Waiting || condition == Link::Condition::Programming;
  if (scan && onLine && !refusalWord_.isEmpty()) {
    badge.word = refusalWord_;
    badge.look = kNoLink;
  }
  const QString& word = badge.word;
  const QString& detail = badge.detail;
  const BadgeLook look = badge.look;
  look_ = {look.background, look.colour};
  badgeWord_ = word;
  detail_ = detail;
  ShowSmallPrint();
  badge_->setAccessibleName(detail.isEmpty() ? word : word + ", " + detail);
  if (scan) {
    programmedCount_.clear();
    programmed_->setText(Tr("Boards %1, first pass %2").arg(scan->boards).arg(scan->firstPass));
    failed_->setText(Tr("Attempts %1, failed %2").arg(scan->attempts).arg(tally.Failed()));
  } else {
    programmedCount_ = QString::number(tally.Programmed());
    ShowProgrammed();
    failed_->setText(Tr("Failed %1").arg(tally.Failed()));
  }
  FitText();  // with the counts' new words
}

QString StatusText(Link::Condition condition, const QString& port, const Tally& tally, bool counts,
                   const QString& held) {
  const auto tr = [](const char* text) { return QCoreApplication::translate("StatusLine", text); };
  QString text;
  switch (condition) {
    case Link::Condition::Stopped:
      text = tr("Stopped");
      break;
    case Link::Condition::Waiting:
      text =
          held.isEmpty()
              ? tr("Waiting for a board on %1").arg(port)
              : tr("Holding board %1 on %2: the line database cannot check it yet").arg(held, port);
      break;
    case Link::Condition::Programming:
      text = tr("Programming a board on %1").arg(port);
      break;
    case Link::Condition::Lost:
      text = tr("%1 lost, retrying").arg(port);
      break;
  }
  if (!counts) return text;
  text += tr(". Programmed %1, Failed %2.").arg(tally.Programmed()).arg(tally.Failed());
  if (const auto& last = tally.Last()) {
    text += tr(" Last result %1 at %2.").arg(ResultWord(*last), TimeOfDay(last->time));
  }
  return text;
}

QString RefusalText(const QString& port, OpenCause cause) {
  const QString advice = ToQString(OpenCauseAdvice(cause));
  return port.isEmpty() ? advice : port + ": " + advice;
}

}  // namespace ctrlprog
