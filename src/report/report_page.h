#pragma once

#include <string>
#include <vector>

#include "report/line_tally.h"

namespace ctrlprog {

// What the page says it was made of.
struct PageHeading {
  std::string source;  // the record's path or the database's name
  std::string period;  // "since … until …", or empty for every row
  std::string made;    // when the page was made
  bool utc = false;
};

// The report as one self-contained HTML page (nothing fetched, no script): a chart of each
// station's boards per hour (passed and failed stacked, on one scale), the first-pass yield per
// hour where boards were scanned, and the table of `lines`.
std::string ReportPage(const std::vector<ReportLine>& lines, const PageHeading& heading);

// `text` as HTML text or an attribute's value.
std::string HtmlEscaped(const std::string& text);

}  // namespace ctrlprog
