#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/link_event.h"
#include "link/port_listing.h"
#include "link/tally.h"

namespace ctrlprog {

// The console's JSON Lines, one object a line with its line break, written with one JSON
// library so escaping and numbers have one owner and never follow the locale. Names that are
// not UTF-8 keep their bytes as \xFF, as the text and the record have them.
std::string EventJson(const std::string& port, const LinkEvent& event);
// The line database's rows at the end of a run: not yet on the server, and set aside.
struct LineRecordTotals {
  int64_t waiting = 0;
  int64_t setAside = 0;
};
// A port's summary; with a line database, its rows left for later and set aside too.
std::string SummaryJson(const std::string& port, const Tally& tally, double seconds,
                        const std::optional<LineRecordTotals>& line = std::nullopt);
// {"event":"line_record","text":"line record: N rows waiting","waiting":N}
std::string LineRecordJson(int64_t waiting);

// `ctrlprog-cli ports --json`: one object per port.
std::string PortListJson(const std::vector<PortDescription>& ports);

// A number of seconds with one decimal, whatever the locale: "0.6".
std::string SecondsText(double seconds);

}  // namespace ctrlprog
