#pragma once

#include <cstdio>
#include <vector>

#include "report/line_tally.h"

namespace ctrlprog {

// The report's lines as the console prints them: one JSON object a line (field names in
// English, as nlohmann::json writes them), or a table in the operator's language. A year of a
// line is close to a million lines, so each is written straight into a buffer, and the few
// distinct names, hours and fractions are put into words once.
void PrintReportJson(const LineTally& tally, bool utc, std::FILE* out);
void PrintReportTable(const LineTally& tally, bool utc, std::FILE* out);

}  // namespace ctrlprog
