#include "report/unit_trace.h"

#include <algorithm>
#include <tuple>

#include "linedb/journal.h"
#include "linedb/record_time.h"

namespace ctrlprog {

std::vector<TraceRow> TraceOfRecord(const std::string& path, const std::string& serial,
                                    const std::function<void(const JournalProblem&)>& skipped) {
  std::vector<TraceRow> rows;
  ForEachJournalRow(
      path,
      [&](const JournalRow& r) {
        if (r.serial != serial) return;
        const auto at = EpochMs(r.time);
        if (!at) return;  // a row's time is checked as it is read: never here
        rows.push_back({*at, r.station, r.port, r.file, r.frame, r.result, r.attempt, r.journal,
                        r.journalRow});
      },
      skipped);
  SortTrace(rows);
  return rows;
}

void SortTrace(std::vector<TraceRow>& rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const TraceRow& a, const TraceRow& b) {
    return std::tie(a.ms, a.journal, a.journalRow) < std::tie(b.ms, b.journal, b.journalRow);
  });
}

}  // namespace ctrlprog
