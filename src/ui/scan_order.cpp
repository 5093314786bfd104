#include "ui/scan_order.h"

#include <utility>

#include "scan/serial_check.h"

namespace ctrlprog {

ScanOrder::ScanOrder(size_t sockets, std::function<State(size_t)> state)
    : sockets_(sockets), state_(std::move(state)) {}

void ScanOrder::SetLabels(size_t i, std::vector<std::string> labels) {
  sockets_[i].labels = std::move(labels);
}

std::optional<size_t> ScanOrder::Labelled(std::string_view line) const {
  for (size_t i = 0; i < sockets_.size(); ++i) {
    if (line == "#" + std::to_string(i + 1)) return i;
    for (const std::string& label : sockets_[i].labels) {
      if (!label.empty() && line == label) return i;
    }
  }
  return std::nullopt;
}

std::optional<size_t> ScanOrder::FirstFrom(const std::function<bool(const State&)>& fits) const {
  for (size_t k = 0; k < sockets_.size(); ++k) {
    const size_t i = (cursor_ + k) % sockets_.size();
    if (fits(state_(i))) return i;
  }
  return std::nullopt;
}

std::optional<size_t> ScanOrder::Target() const {
  return FirstFrom([](const State& s) { return s.running && s.linked; });
}

ScanOrder::Read ScanOrder::Scanned(std::string_view line, Clock::time_point now) {
  const std::string serial(TrimScan(line));
  if (const auto chosen = Labelled(serial)) {
    cursor_ = *chosen;
    chosen_ = true;
    last_.reset();
    return {Read::Kind::Chosen, *chosen, {}};
  }
  // A scanner that read one label twice sent one scan; the second read is heard no further.
  if (last_ && last_->serial == serial && now - last_->time < kDoubleRead) {
    last_->time = now;
    return {Read::Kind::Repeat, 0, serial};
  }
  last_ = Last{serial, now};
  const bool chosen = std::exchange(chosen_, false);
  if (const auto home = HomeOf(serial); home && !chosen) {
    const auto [h, waiting] = *home;
    if (waiting) return {Read::Kind::Repeat, h, serial};  // it waits there already
    if (state_(h).running) {
      if (state_(h).free && state_(h).linked && sockets_[h].queue.empty()) {
        offered_ = {h, serial};
        offeredHome_ = true;
        return {Read::Kind::Offer, h, serial};
      }
      sockets_[h].queue.push_back(serial);
      return {Read::Kind::Queued, h, serial};
    }
  }
  // Where every running socket has lost its line, the serial waits for the first to come back.
  auto target = Target();
  if (!target) target = FirstFrom([](const State& s) { return s.running; });
  if (!target) return {Read::Kind::Nowhere, 0, serial};
  const size_t i = *target;
  if (state_(i).free && state_(i).linked && sockets_[i].queue.empty()) {
    offered_ = {i, serial};
    return {Read::Kind::Offer, i, serial};
  }
  sockets_[i].queue.push_back(serial);
  cursor_ = (i + 1) % sockets_.size();
  return {Read::Kind::Queued, i, serial};
}

std::optional<std::pair<size_t, bool>> ScanOrder::HomeOf(const std::string& serial) const {
  for (size_t i = 0; i < sockets_.size(); ++i) {
    for (const std::string& waiting : sockets_[i].queue) {
      if (waiting == serial) return std::pair{i, true};
    }
  }
  for (size_t i = 0; i < sockets_.size(); ++i) {
    if (sockets_[i].last == serial) return std::pair{i, false};
  }
  return std::nullopt;
}

void ScanOrder::Taken(size_t socket) {
  if (offered_ && offered_->first == socket) {
    // The board is in this socket now: no other socket's memory of it holds.
    for (Socket& s : sockets_) {
      if (s.last == offered_->second) s.last.clear();
    }
    sockets_[socket].last = std::move(offered_->second);
  }
  offered_.reset();
  // A board taken back by its own socket was out of turn: the turn stays where it was.
  if (!std::exchange(offeredHome_, false)) cursor_ = (socket + 1) % sockets_.size();
}

std::optional<std::string> ScanOrder::Due(size_t i) {
  const State s = state_(i);
  if (sockets_[i].queue.empty() || !s.running || !s.linked || !s.free) return std::nullopt;
  std::string serial = std::move(sockets_[i].queue.front());
  sockets_[i].queue.pop_front();
  offered_ = {i, serial};
  return serial;
}

}  // namespace ctrlprog
