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
// Boards counted by their scanned serials: distinct boards, those that passed on their first
// attempt, and the attempts.
struct BoardCounts {
  long boards = 0, firstPass = 0, attempts = 0;
};
std::string SummaryJson(const std::string& port, const Tally& tally, double seconds,
                        const std::optional<LineRecordTotals>& line = std::nullopt,
                        const std::optional<BoardCounts>& boards = std::nullopt);
// A scanned serial the port would not take ("scan_refused"), or holds unchecked because the line
// database cannot answer for it ("scan_unchecked"), and why.
std::string ScanJson(std::string_view event, const std::string& port, const std::string& serial,
                     const std::string& reason);
// {"event":"line_record","text":"line record: N rows waiting","waiting":N}
std::string LineRecordJson(int64_t waiting);

// `ctrlprog-cli ports --json`: one object per port.
std::string PortListJson(const std::vector<PortDescription>& ports);

// A number of seconds with one decimal, whatever the locale: "0.6".
std::string SecondsText(double seconds);

}  // namespace ctrlprog
