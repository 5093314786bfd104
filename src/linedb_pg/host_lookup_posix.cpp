#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>

#include "linedb_pg/host_lookup.h"

namespace ctrlprog {

HostLookup ResolveNow(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int error = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
  if (error != 0) {
    const bool none = error == EAI_NONAME
#ifdef EAI_NODATA
                      || error == EAI_NODATA
#endif
        ;
    return {none ? HostLookup::Outcome::NoSuchHost : HostLookup::Outcome::NoAnswer, {}};
  }
  HostLookup answer{HostLookup::Outcome::Found, {}};
  for (const addrinfo* a = found; a; a = a->ai_next) {
    char text[INET6_ADDRSTRLEN] = {};
    const void* raw =
        a->ai_family == AF_INET
            ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr)
            : static_cast<const void*>(
                  &reinterpret_cast<const sockaddr_in6*>(a->ai_addr)->sin6_addr);
    if ((a->ai_family == AF_INET || a->ai_family == AF_INET6) &&
        ::inet_ntop(a->ai_family, raw, text, sizeof text) &&
        std::find(answer.addresses.begin(), answer.addresses.end(), text) ==
            answer.addresses.end()) {
      answer.addresses.emplace_back(text);
    }
  }
  ::freeaddrinfo(found);
  if (answer.addresses.empty()) answer.outcome = HostLookup::Outcome::NoSuchHost;
  return answer;
}

bool IsNumericHost(const std::string& host) {
  unsigned char buffer[sizeof(in6_addr)];
  return ::inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
         ::inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

}  // namespace ctrlprog
