#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "linedb/line_db.h"
#include "linedb_pg/fault.h"

namespace ctrlprog {

// The operator's sentence for `reason`, whole and in the operator's language; `args` fill the
// reason's %1 (a host name, a time), nothing else.
std::string DbReasonText(DbReason reason, std::initializer_list<std::string_view> args = {});

// `sentence` and, on a line of its own, what the server or libpq said (`words`, already free
// of any password), for the engineer: never inside the sentence, which is translated whole.
std::string WithServerWords(std::string sentence, const std::string& words);

// A result of `status` that says `reason`, and the server's `words` after it.
LineDbResult Told(LineDbStatus status, DbReason reason, const std::string& words = {},
                  std::initializer_list<std::string_view> args = {});

}  // namespace ctrlprog
