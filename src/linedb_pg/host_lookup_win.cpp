#include <winsock2.h>
#include <ws2tcpip.h>

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
    return {error == WSAHOST_NOT_FOUND || error == WSANO_DATA ? HostLookup::Outcome::NoSuchHost
                                                              : HostLookup::Outcome::NoAnswer,
            {}};
  }
  HostLookup answer{HostLookup::Outcome::Found, {}};
  for (const addrinfo* a = found; a; a = a->ai_next) {
    char text[INET6_ADDRSTRLEN] = {};
    DWORD size = sizeof text;
    if ((a->ai_family == AF_INET || a->ai_family == AF_INET6) &&
        ::WSAAddressToStringA(a->ai_addr, static_cast<DWORD>(a->ai_addrlen), nullptr, text,
                              &size) == 0 &&
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
  unsigned char buffer[16];
  return ::inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
         ::inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

}  // namespace ctrlprog
