#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

namespace ctrlprog {

// What became of looking up a host name.
struct HostLookup {
  enum class Outcome {
    Found,
    NoSuchHost,  // the name servers say there is none
    NoAnswer,    // the name servers could not be asked, or failed
    Late,        // no answer by the deadline
    Stopped,     // aborted
  };
  Outcome outcome = Outcome::NoAnswer;
  std::vector<std::string> addresses;  // numeric, in the resolver's order
};

// Looks `name` up on a thread of its own and waits for it until `deadline` or `abort`, whichever
// comes first. The system's resolver cannot be interrupted: a thread still in it is left to end
// by itself (never joined), and a second look-up of the same name meanwhile waits for that one
// instead of starting another.
HostLookup LookUpHost(const std::string& name, std::chrono::steady_clock::time_point deadline,
                      const std::atomic<bool>& abort);

// The system resolver's answer for `name` (TCP addresses), however long it takes: the platform's
// part, and the one place that reads its error codes.
HostLookup ResolveNow(const std::string& name);

// Whether `host` is an address already (IPv4 or IPv6), needing no look-up.
bool IsNumericHost(const std::string& host);

}  // namespace ctrlprog
