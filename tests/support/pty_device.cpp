#include "support/pty_device.h"

#include <fcntl.h>
#include <unistd.h>

#include <QTimer>
#include <algorithm>
#include <chrono>

#include "devsim/raw_pty.h"
#include "model/protocol.h"

namespace ctrlprog::testing {

PtyDevice::PtyDevice(Behaviour behaviour, std::string link)
    : behaviour_(behaviour),
      board_({.answer = behaviour.answer, .ack = behaviour.ack}),
      link_(std::move(link)) {
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

void PtyDevice::Send(const std::vector<uint8_t>& bytes) {
  [[maybe_unused]] const ssize_t w = ::write(master_, bytes.data(), bytes.size());
}

void PtyDevice::StopReadingAndFillLine() {
  notifier_->setEnabled(false);
  // The slave end is the host's side of the same line: what is written here waits in the queue
  // the host's writes go to.
  const int fd = ::open(name_.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY);
  const std::vector<uint8_t> filler(4096, 0x00);
  for (size_t chunk : {filler.size(), size_t{1}}) {
    while (::write(fd, filler.data(), chunk) > 0) {
    }
  }
  ::close(fd);
}

void PtyDevice::ResumeReading() {
  notifier_->setEnabled(true);
}

void PtyDevice::Vanish() {
  // The link now leads nowhere: the terminal's number may go to another test's device at once.
  if (!link_.empty() && master_ >= 0) ReplaceSymlink(name_ + "-gone", link_);
  notifier_.reset();
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  master_ = slave_ = -1;
}

int PtyDevice::Polls() const {
  return static_cast<int>(board_.PollTimes().size());
}

std::vector<uint8_t> PtyDevice::FirstFrame() const {
  const auto start = std::find(received_.begin(), received_.end(), kFrameHeader[0]);
  const auto end = received_.end() - start > kFrameSize ? start + kFrameSize : received_.end();
  return {start, end};
}

void PtyDevice::OnReadable() {
  uint8_t buf[256];
  const ssize_t n = ::read(master_, buf, sizeof buf);
  if (n <= 0) return;
  received_.insert(received_.end(), buf, buf + n);
  const double now =
      std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  std::vector<std::string> report;
  const std::vector<uint8_t> reply = board_.Receive({buf, static_cast<size_t>(n)}, now, report);
  if (!reply.empty()) [[maybe_unused]]
    ssize_t w = ::write(master_, reply.data(), reply.size());
  // Gone a moment after answering: the host has the answer and is about to send the frame.
  if (behaviour_.vanishOnAnswer && !reply.empty()) {
    behaviour_.vanishOnAnswer = false;
    QTimer::singleShot(50, &lifetime_, [this] { Vanish(); });
  }
}

}  // namespace ctrlprog::testing
