#pragma once

#include <QFrame>
#include <optional>
#include <string>

#include "link/link.h"

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ctrlprog {

class UnitGate;

// What a scanning port shows: whether it waits for a scan or for the line database's word on
// one, the board it holds, and its counts in boards.
struct ScanShown {
  bool waiting = false, checking = false;
  bool unchecked = false;     // held: the line database cannot answer for it
  bool lineOptional = false;  // the record decides where the line database cannot answer
  std::string serial;
  int attempt = 0;
  long boards = 0, firstPass = 0, attempts = 0;
  std::string next;  // the serials that wait for this socket, if any
  friend bool operator==(const ScanShown&, const ScanShown&) = default;
};
ScanShown ScanShownOf(const UnitGate& gate);

// What is true on the line now, as a badge readable from across it: the last board's result
// ("PASS", "FAIL", "UNCONFIRMED", with its time of day) while polling, "PROGRAMMING" from a
// board's answer to its result, "NO LINK" while the line is lost, "STOPPED" with the last result
// in small print when no transfer runs. The word is always there, the colour only helps. Below
// it the counts since start-up and "Reset".
class ResultPanel : public QFrame {
  Q_OBJECT

 public:
  enum class Layout {
    Full,     // beside the parameter panel: the counts one above the other, then Reset
    Compact,  // the concealed window's: badge and counts in one row, the status line says the rest
    Tile,     // a fixture socket's: badge, its small print, the counts in one row; Reset is the
              // tile's to place
  };
  // The badge word's least face, in pixels, where the room allows it: read from two metres.
  static constexpr int kReadableBadgePx = 40;
  // The small print's face: a refusal, or the badge's detail in a scanning tile.
  static constexpr int kNotePx = 12;
  // Where the next serial goes, in a fixture; and the least face of a refused scan's badge.
  static constexpr int kTurnPx = 20;

  explicit ResultPanel(QWidget* parent = nullptr);

  // With `scan`, a scanning port: SCAN while it waits for a board's serial, the counts in boards.
  void Show(Link::Condition condition, const Tally& tally,
            const std::optional<ScanShown>& scan = std::nullopt);
  void SetLayout(Layout layout);
  // Without the badge's small print (the last result's time), which nobody reads from two
  // metres: the floor screen gives its height to the badge.
  void HideSmallPrint(bool hide);
  // On the floor screen a tile's counts say "Passed" for "Programmed": side by side in a tile a
  // third of the screen wide, four and five digits then stay large and whole.
  void ShortCountsOnFloor(bool floor);
  QPushButton* ResetButton() const { return reset_; }

  // No scan, no board: shows the "Serial" box, where a scanner's line is taken with Enter.
  void SetScanning(bool scanning);
  QLineEdit* SerialBox() const { return serial_; }
  // The label and the box together, for a tile to place in its top row.
  QWidget* SerialRow() const { return serialRow_; }
  // Why the last serial was refused, in the operator's language; empty once one is taken.
  void ShowScanNote(const QString& note);
  // A refused serial, seen from two metres: the badge turns amber with `word` (a short reason)
  // until the next scan; the whole `reason` is the small print and its tooltip. An empty word
  // takes it away.
  void ShowRefusal(const QString& word, const QString& reason);
  bool Refused() const { return !refusalWord_.isEmpty(); }
  // Where a fixture's next serial goes: "scan here #N" in large type on that socket, "#N" and
  // that it waits on the others; as wide as `widest`, the longest it says. Empty: the "Serial"
  // label of a single port.
  void ShowScanTurn(const QString& text, bool here, const QString& widest);

 signals:
  void serialEntered(const QString& serial);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The largest face in which the badge's word and the counts fit the room they have.
  void FitText();
  void FitOnce();
  // The programmed boards' count, in the words the screen has room for.
  void ShowProgrammed();
  void StackCounts();
  void BuildSerialRow(QLayout* layout);
  // The small print under the counts: a scanning tile has one place for it, which holds the
  // refusal while there is one and the badge's detail otherwise.
  void ShowSmallPrint();

  QLabel* badge_ = nullptr;
  QLabel* time_ = nullptr;
  QLabel* programmed_ = nullptr;
  QLabel* failed_ = nullptr;
  QPushButton* reset_ = nullptr;
  QGridLayout* counts_ = nullptr;
  QWidget* serialRow_ = nullptr;
  QLineEdit* serial_ = nullptr;
  QLabel* scanNote_ = nullptr;
  bool scanning_ = false;
  bool noSmallPrint_ = false;
  bool floor_ = false;
  QString programmedCount_;  // the number of programmed boards shown, outside scanning
  QString detail_, note_;
  QString refusalWord_;
  QString badgeWord_;  // the badge's word, on one line
  QLabel* serialLabel_ = nullptr;
  // What Show was last given, so a refusal shows and goes without its owner.
  struct {
    Link::Condition condition = Link::Condition::Stopped;
    Tally tally;
    std::optional<ScanShown> scan;
  } shown_;
  struct {
    QString background, colour;
  } look_;
  Layout layout_ = Layout::Full;
};

// The time of day of an event, as the panel and the status line show it.
QString TimeOfDay(Clock::time_point time);

// The status line: the link's condition in words, then the counts and the last result. The
// port is given as it should be shown (elided to fit, where it must be).
// Without `counts` (the concealed window, whose panel shows them), only the condition and the
// last result. With `held` (the serial of a board the line database cannot vouch for), a port
// that waits says it holds that board rather than that it waits for one.
QString StatusText(Link::Condition condition, const QString& port, const Tally& tally,
                   bool counts = true, const QString& held = QString());

// A refused start in words for the status line: the port, the reason and what to do next.
QString RefusalText(const QString& port, OpenCause cause);

}  // namespace ctrlprog
