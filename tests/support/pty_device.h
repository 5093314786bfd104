#pragma once

#include <QSocketNotifier>
#include <memory>
#include <string>
#include <vector>

#include "devsim/board_device.h"

namespace ctrlprog::testing {

// The simulated board of ctrlprog-devsim on the far side of a pseudo-terminal, driven by the Qt
// event loop: it answers a poll and acknowledges a good frame, as told. Every byte the host
// sends is kept, as the wire carried it.
class PtyDevice {
 public:
  struct Behaviour {
    bool answer = true;
    bool ack = true;
    bool vanishOnAnswer = false;  // go away right after answering the first poll
  };

  // `link`, when given, is made a symbolic link to the terminal (replacing what was there).
  explicit PtyDevice(Behaviour behaviour, std::string link = {});
  ~PtyDevice();
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  // The path to open: the link when there is one, else the terminal itself.
  std::string Path() const { return link_.empty() ? name_ : link_; }
  // Closes the terminal, as a pulled cable does; the link is left dangling.
  void Vanish();
  // The terminal's own name, whatever link points to it.
  const std::string& TerminalName() const { return name_; }
  // Sends bytes to the host as the board would, outside the protocol.
  void Send(const std::vector<uint8_t>& bytes);
  // Stops draining the line, as a board that hung does, and fills what the host writes into
  // until a write of the host's would block. ResumeReading takes it all up again.
  void StopReadingAndFillLine();
  void ResumeReading();

  bool Vanished() const { return master_ < 0; }
  int Polls() const;
  // Boards programmed: good frames taken.
  long Programmed() const { return board_.Programmed(); }
  // The first frame received (bytes from the first 0x02), possibly shorter than 26.
  std::vector<uint8_t> FirstFrame() const;

 private:
  void OnReadable();

  Behaviour behaviour_;
  BoardDevice board_;
  std::string link_;
  std::string name_;
  int master_ = -1;
  int slave_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  QObject lifetime_;  // context of the timers this device starts: none outlives it
  std::vector<uint8_t> received_;
};

}  // namespace ctrlprog::testing
