#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ctrlprog {

// Which socket of a scanning station the next scanned serial is for. The station decides, not
// the keyboard's focus: the sockets take their serials in order (1, 2, ..., N, 1, ...), skipping
// those that do not run or have lost their line; a serial for a socket that still holds a board
// waits for it. A scanned label (a socket's name or "#N") chooses the socket for the next serial,
// and a scanner's double read (the same serial again within a second) is one scan. A board stays
// in its socket: its serial scanned again (its next attempt after a failure, or once more while
// it waits) goes to the socket that had it, unless a label chose another.
class ScanOrder {
 public:
  using Clock = std::chrono::steady_clock;
  // What a socket is doing now.
  struct State {
    bool running = false;  // its transfer runs
    bool linked = false;   // and its line is not lost
    bool free = false;     // and it holds no board: a serial offered now is taken or refused
  };
  // `state` tells what socket `i` is doing now.
  ScanOrder(size_t sockets, std::function<State(size_t)> state);

  // The names a scanner may read for socket `i` to choose it (besides "#i+1").
  void SetLabels(size_t i, std::vector<std::string> labels);

  struct Read {
    enum class Kind {
      Chosen,  // a socket's label: the next serial goes there
      Repeat,  // the same serial again within a second: nothing more to do
      Offer,   // offer the serial to the socket now; say Taken() if it took it
      Queued,  // it waits for the socket to be free (Due)
      Nowhere  // no socket runs
    } kind;
    size_t socket = 0;
    std::string serial;
  };
  // One scanned line.
  Read Scanned(std::string_view line, Clock::time_point now);
  // The socket took the serial offered: the next one goes to the socket after it.
  void Taken(size_t socket);
  // The socket the next serial goes to, if any runs.
  std::optional<size_t> Target() const;
  // The next serial waiting for socket `i`, taken off its queue, once it is free.
  std::optional<std::string> Due(size_t i);
  const std::deque<std::string>& Queue(size_t i) const { return sockets_[i].queue; }
  // A socket that stopped drops what waited for it.
  void Drop(size_t i) { sockets_[i].queue.clear(); }

  static constexpr Clock::duration kDoubleRead = std::chrono::seconds(1);

 private:
  struct Socket {
    std::vector<std::string> labels;
    std::deque<std::string> queue;
    std::string last;  // the serial it last took: the board in it, or just taken from it
  };
  // The socket that holds or waits for the board `serial`, and whether it waits.
  std::optional<std::pair<size_t, bool>> HomeOf(const std::string& serial) const;
  std::optional<size_t> Labelled(std::string_view line) const;
  // The first socket from the cursor on that `fits`.
  std::optional<size_t> FirstFrom(const std::function<bool(const State&)>& fits) const;

  std::vector<Socket> sockets_;
  std::function<State(size_t)> state_;
  size_t cursor_ = 0;
  bool chosen_ = false;  // a label chose the cursor's socket for the next serial
  std::optional<std::pair<size_t, std::string>> offered_;  // the serial last offered, and where
  bool offeredHome_ = false;                               // to the socket that had it, out of turn
  struct Last {
    std::string serial;
    Clock::time_point time;
  };
  std::optional<Last> last_;
};

}  // namespace ctrlprog
