#include "ui/scan_order.h"

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
    last_.reset();
    return {Read::Kind::Chosen, *chosen, {}};
  }
  // A scanner that read one label twice sent one scan; the second read is heard no further.
  if (last_ && last_->serial == serial && now - last_->time < kDoubleRead) {
    last_->time = now;
    return {Read::Kind::Repeat, 0, serial};
  }
  last_ = Last{serial, now};
  // Where every running socket has lost its line, the serial waits for the first to come back.
  auto target = Target();
  if (!target) target = FirstFrom([](const State& s) { return s.running; });
  if (!target) return {Read::Kind::Nowhere, 0, serial};
  const size_t i = *target;
  if (state_(i).free && state_(i).linked && sockets_[i].queue.empty()) {
    return {Read::Kind::Offer, i, serial};
  }
  sockets_[i].queue.push_back(serial);
  cursor_ = (i + 1) % sockets_.size();
  return {Read::Kind::Queued, i, serial};
}

void ScanOrder::Taken(size_t socket) {
  cursor_ = (socket + 1) % sockets_.size();
}

std::optional<std::string> ScanOrder::Due(size_t i) {
  const State s = state_(i);
  if (sockets_[i].queue.empty() || !s.running || !s.linked || !s.free) return std::nullopt;
  std::string serial = std::move(sockets_[i].queue.front());
  sockets_[i].queue.pop_front();
  return serial;
}

}  // namespace ctrlprog
