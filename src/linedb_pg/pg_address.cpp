// An address parsed once and shown without its password.
#include "linedb_pg/pg_address.h"

#include <libpq-fe.h>

#include "linedb_pg/pg_message.h"

namespace ctrlprog {
namespace {

// libpq quotes the part of an address it cannot parse, which may be a password (a '%' in it,
// say): a quoted part longer than one character, and everything after it, is left out.
std::string UnquotedReason(const char* raw) {
  std::string why = Clean(raw);
  for (size_t open = why.find('"'); open != std::string::npos; open = why.find('"', open + 3)) {
    if (open + 2 >= why.size() || why[open + 2] != '"') {
      why.erase(open);
      break;
    }
  }
  while (!why.empty() && (why.back() == ' ' || why.back() == ':' || why.back() == ',')) {
    why.pop_back();
  }
  return why.empty() ? "it is not an address libpq takes" : why;
}

// A value as a keyword=value address writes it: bare where it can be, else quoted.
std::string Quoted(const std::string& value) {
  const bool bare = !value.empty() && value.find_first_of(" \t\n\r'\\") == std::string::npos;
  if (bare) return value;
  std::string out = "'";
  for (const char c : value) {
    if (c == '\'' || c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

}  // namespace

std::optional<PgAddress> PgAddress::Parse(const std::string& uri, std::string* why) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
  if (!options) {
    if (why) *why = error ? UnquotedReason(error) : "out of memory";
    PQfreemem(error);
    return std::nullopt;
  }
  PgAddress address;
  for (const PQconninfoOption* o = options; o->keyword; ++o) {
    if (o->val && *o->val) address.settings_.emplace_back(o->keyword, o->val);
  }
  PQconninfoFree(options);
  return address;
}

std::string PgAddress::Get(std::string_view keyword) const {
  for (const auto& [k, v] : settings_) {
    if (k == keyword) return v;
  }
  return {};
}

std::string PgAddress::Shown() const {
  std::string shown;
  for (const auto& [k, v] : settings_) {
    if (k == "password") continue;
    shown += (shown.empty() ? "" : " ") + k + "=" + Quoted(v);
  }
  return shown;
}

std::string WithoutSecret(const std::string& message, const std::string& secret) {
  if (secret.empty() || message.find(secret) == std::string::npos) return message;
  // Each quoted part holding it goes; what is left of a secret outside quotes goes too.
  std::string out;
  size_t at = 0;
  while (at < message.size()) {
    const size_t open = message.find('"', at);
    if (open == std::string::npos) {
      out += message.substr(at);
      break;
    }
    const size_t close = message.find('"', open + 1);
    const size_t end = close == std::string::npos ? message.size() : close + 1;
    out += message.substr(at, open - at);
    const std::string part = message.substr(open, end - open);
    out += part.find(secret) == std::string::npos ? part : "\"(not shown)\"";
    at = end;
  }
  for (size_t p = 0; (p = out.find(secret, p)) != std::string::npos; p += 3) {
    out.replace(p, secret.size(), "***");
  }
  return out;
}

}  // namespace ctrlprog
