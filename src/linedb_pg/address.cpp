// A line database's address before any server is asked: its settings checked, its password
// never shown, its identity.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <vector>

#include "linedb_pg/db_reason.h"
#include "linedb_pg/pg_address.h"
#include "linedb_pg/pg_line_db.h"
#include "model/say.h"
#include "model/utf8.h"

namespace ctrlprog {
namespace {

// A setting whose value libpq checks only when it connects, checked here by name: the first
// without a value libpq takes, as "keyword=value (...)", or empty.
std::string BadSetting(const PgAddress& address) {
  static const std::map<std::string, std::vector<std::string>> choices = {
      {"sslmode", {"disable", "allow", "prefer", "require", "verify-ca", "verify-full"}},
      {"gssencmode", {"disable", "prefer", "require"}},
      {"target_session_attrs",
       {"any", "read-write", "read-only", "primary", "standby", "prefer-standby"}},
      {"channel_binding", {"disable", "prefer", "require"}},
      {"ssl_min_protocol_version", {"TLSv1", "TLSv1.1", "TLSv1.2", "TLSv1.3"}},
      {"ssl_max_protocol_version", {"TLSv1", "TLSv1.1", "TLSv1.2", "TLSv1.3"}},
      {"keepalives", {"0", "1"}},
      {"sslcompression", {"0", "1"}},
  };
  static const std::set<std::string> numbers = {"connect_timeout", "keepalives_idle",
                                                "keepalives_interval", "keepalives_count",
                                                "tcp_user_timeout"};
  for (const auto& [keyword, value] : address.Settings()) {
    if (keyword == "password") continue;
    if (const auto c = choices.find(keyword); c != choices.end()) {
      if (std::find(c->second.begin(), c->second.end(), value) == c->second.end()) {
        std::string allowed;
        for (const std::string& v : c->second) allowed += (allowed.empty() ? "" : " ") + v;
        return Say("%1=%2 (one of: %3)", {keyword, value, allowed});
      }
    } else if (keyword == "port" || numbers.contains(keyword)) {
      // A port is 1 to 65535, one for each host; a timeout a whole number of seconds.
      for (size_t from = 0;;) {
        const size_t comma = keyword == "port" ? value.find(',', from) : std::string::npos;
        const std::string one = value.substr(from, comma - from);
        char* end = nullptr;
        const long n = std::strtol(one.c_str(), &end, 10);
        const bool fine = !one.empty() && *end == '\0' &&
                          (keyword == "port" ? (n >= 1 && n <= 65535) : (n >= 0 && n <= INT32_MAX));
        if (!fine) return std::string(keyword).append("=").append(value);
        if (comma == std::string::npos) break;
        from = comma + 1;
      }
    }
  }
  return {};
}

}  // namespace

LineDbResult PgLineDb::CheckUri(const std::string& uri) {
  std::string why;
  const auto address = PgAddress::Parse(uri, &why);
  if (!address) {
    return {LineDbStatus::BadOptions,
            WithServerWords(Say("the line database's address does not parse"), why)};
  }
  if (const std::string bad = BadSetting(*address); !bad.empty()) {
    return {LineDbStatus::BadOptions,
            Say("the line database's address has a bad setting: %1", {bad})};
  }
  return {};
}

std::string PgLineDb::Masked(const std::string& uri) {
  const auto address = PgAddress::Parse(uri, nullptr);
  return address ? address->Shown() : "(an address that does not parse)";
}

bool PgLineDb::HoldsPassword(const std::string& uri) {
  const auto address = PgAddress::Parse(uri, nullptr);
  return address && address->HoldsPassword();
}

std::string PgLineDb::Identity(const std::string& uri) {
  const auto address = PgAddress::Parse(uri, nullptr);
  std::string identity;
  for (const char* keyword : {"host", "hostaddr", "port", "dbname"}) {
    identity += std::string(keyword) + "=" + (address ? address->Get(keyword) : "") + ";";
  }
  for (char& c : identity) {
    if (c == ' ' || c == '\n' || c == '\t') c = '_';
  }
  return identity;
}

std::string PgLineDb::DatabaseName(const std::string& uri) {
  const auto address = PgAddress::Parse(uri, nullptr);
  const std::string name = address ? address->Get("dbname") : std::string();
  return name.empty() ? Say("(the connecting user's own)") : EscapeName(name);
}

}  // namespace ctrlprog
