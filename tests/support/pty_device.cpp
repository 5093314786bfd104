#include "support/pty_device.h"

#include <unistd.h>

#include <QTimer>
#include <algorithm>

#include "devsim/raw_pty.h"

namespace ctrlprog::testing {

PtyDevice::PtyDevice(Behaviour behaviour, std::string link)
    : behaviour_(behaviour), link_(std::move(link)) {
  const std::optional<RawPty> pty = OpenRawPty();
  if (!pty) return;
  master_ = pty->master;
  slave_ = pty->slave;
  name_ = pty->name;
  if (!link_.empty()) ReplaceSymlink(name_, link_);
  notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { OnReadable(); });
}

PtyDevice::~PtyDevice() {
  Vanish();
  if (!link_.empty()) ::unlink(link_.c_str());
}

void PtyDevice::Vanish() {
  notifier_.reset();
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  master_ = slave_ = -1;
}

int PtyDevice::Polls() const {
  return static_cast<int>(std::count(received_.begin(), received_.end(), '8'));
}

std::vector<uint8_t> PtyDevice::FirstFrame() const {
  const auto start = std::find(received_.begin(), received_.end(), 0x02);
  const auto end = received_.end() - start > 26 ? start + 26 : received_.end();
  return {start, end};
}

void PtyDevice::OnReadable() {
  uint8_t buf[256];
  const ssize_t n = ::read(master_, buf, sizeof buf);
  if (n <= 0) return;
  std::vector<uint8_t> reply;
  for (ssize_t i = 0; i < n; ++i) {
    const uint8_t b = buf[i];
    received_.push_back(b);
    if (!collecting_ && b == '8' && behaviour_.answer) {
      reply.push_back(0x55);
      collecting_ = true;
      frame_.clear();
    } else if (collecting_ && !(frame_.empty() && b == '8')) {
      frame_.push_back(b);
      if (frame_.size() == 26) {
        collecting_ = false;
        if (behaviour_.ack) reply.push_back(0x55);
      }
    }
  }
  if (!reply.empty()) [[maybe_unused]]
    ssize_t w = ::write(master_, reply.data(), reply.size());
  // Gone a moment after answering: the host has the answer and is about to send the frame.
  if (behaviour_.vanishOnAnswer && collecting_) {
    behaviour_.vanishOnAnswer = false;
    QTimer::singleShot(50, [this] { Vanish(); });
  }
}

}  // namespace ctrlprog::testing
