#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "ui/scan_order.h"

class QLineEdit;
class QWidget;

namespace ctrlprog {

class ResultPanel;
class Station;

// Where a scanning station's scanned serials go. While it runs, what a scanner types anywhere
// in the window (printable characters, then Enter) goes to the "Serial" box of the socket whose
// turn it is, whatever has the keyboard's focus; Tab, Space and Enter on their own still move
// the focus and press buttons. Each socket shows whether it is its turn; a refused serial turns
// its badge amber with a short reason.
class ScanDesk : public QObject {
  Q_OBJECT

 public:
  // One socket, as the desk sees it.
  struct Socket {
    Station* station;  // scanning: its gate is set
    ResultPanel* panel;
    std::vector<std::string> labels;  // what a scanner may read to choose it, besides "#N"
    // Shows the socket anew, with the serials that wait for it ("SN-5, SN-9"; empty for none).
    std::function<void(const std::string& next)> show;
  };
  // `running` says whether the station runs: only then do keys typed in `window` go to a socket.
  ScanDesk(QWidget* window, std::vector<Socket> sockets, std::function<bool()> running);
  ~ScanDesk() override;

  // A line the scanner read, with its Enter.
  void Scanned(const QString& line);
  // The socket the next serial goes to, if any runs.
  std::optional<size_t> Target() const { return order_.Target(); }
  // Gives the keyboard's focus to the "Serial" box the next serial goes to.
  void FocusTarget();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Offer(size_t i, const std::string& serial);
  // Offers socket `i` the serials that waited for it, now that it may be free.
  void TakeDue(size_t i);
  // Shows whose turn it is on every socket.
  void ShowTurns();
  // What the scanner typed so far, in the box of the socket it goes to; the others empty.
  void ShowTyped();
  void ShowSocket(size_t i);
  // The refusal in a word or two, as the gate tells it.
  QString ShortReason(size_t i) const;
  bool IsSerialBox(const QWidget* w) const;

  QWidget* window_;
  std::vector<Socket> sockets_;
  std::function<bool()> running_;
  ScanOrder order_;
  QString typed_;  // what the scanner typed so far, before its Enter
};

}  // namespace ctrlprog
