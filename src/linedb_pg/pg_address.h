#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ctrlprog {

// A line database address parsed once, as libpq parses it (a URI or keyword=value pairs): what
// it sets, and how it may be shown, never with its password.
class PgAddress {
 public:
  // The address, or why it does not parse: libpq's reason without the part of the address it
  // quotes (which may be a password).
  static std::optional<PgAddress> Parse(const std::string& uri, std::string* why);

  // The value the address gives `keyword`, or empty.
  std::string Get(std::string_view keyword) const;
  bool HoldsPassword() const { return !Get("password").empty(); }
  // keyword=value for each setting but the password, quoted where libpq needs it.
  std::string Shown() const;
  // Every setting it gives, in libpq's order.
  const std::vector<std::pair<std::string, std::string>>& Settings() const { return settings_; }

 private:
  std::vector<std::pair<std::string, std::string>> settings_;
};

// A libpq message with every quoted part that holds `secret` (when not empty) left out.
std::string WithoutSecret(const std::string& message, const std::string& secret);

}  // namespace ctrlprog
