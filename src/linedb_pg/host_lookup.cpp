// Host names looked up on our own deadline, off the thread that waits.
#include "linedb_pg/host_lookup.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace ctrlprog {
namespace {

constexpr auto kSlice = std::chrono::milliseconds(100);  // how often a wait looks for an abort

struct Pending {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  HostLookup answer;
};

// The look-ups under way, by name; an entry goes once its answer is in.
std::mutex underWayMutex;
std::map<std::string, std::shared_ptr<Pending>>& UnderWay() {
  static auto* underWay = new std::map<std::string, std::shared_ptr<Pending>>;  // outlives exit
  return *underWay;
}

std::shared_ptr<Pending> Begin(const std::string& name) {
  const std::lock_guard lock(underWayMutex);
  auto& pending = UnderWay()[name];
  if (pending) return pending;
  pending = std::make_shared<Pending>();
  std::thread([name, pending] {
    HostLookup answer = ResolveNow(name);
    {
      const std::lock_guard under(underWayMutex);
      UnderWay().erase(name);
    }
    const std::lock_guard own(pending->mutex);
    pending->answer = std::move(answer);
    pending->finished = true;
    pending->done.notify_all();
  }).detach();
  return pending;
}

}  // namespace

HostLookup LookUpHost(const std::string& name, std::chrono::steady_clock::time_point deadline,
                      const std::atomic<bool>& abort) {
  if (IsNumericHost(name)) return {HostLookup::Outcome::Found, {name}};
  const std::shared_ptr<Pending> pending = Begin(name);
  std::unique_lock lock(pending->mutex);
  for (;;) {
    if (pending->finished) return pending->answer;
    if (abort) return {HostLookup::Outcome::Stopped, {}};
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return {HostLookup::Outcome::Late, {}};
    pending->done.wait_until(lock, std::min(deadline, now + kSlice));
  }
}

}  // namespace ctrlprog
