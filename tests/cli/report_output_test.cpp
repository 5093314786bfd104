// The report as the console prints it, written line by line into a buffer: exactly the JSON
// nlohmann::json writes for each line (escapes, fractions, nulls) and columns as wide as their
// widest cell, whatever the order of the lines that make them.
#include "cli/report_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "linedb/record_time.h"

namespace ctrlprog {
namespace {

std::string Printed(const LineTally& tally, bool json) {
  char* text = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  if (json) {
    PrintReportJson(tally, true, out);
  } else {
    PrintReportTable(tally, true, out);
  }
  std::fclose(out);
  std::string printed(text, size);
  std::free(text);
  return printed;
}

int64_t At(const char* iso) {
  return *EpochMs(iso);
}

TEST(ReportOutput, JsonIsWhatNlohmannWrites) {
  LineTally tally;
  // A name with a quote, a backslash, a control character, a byte that is no UTF-8, and Chinese.
  tally.Add("a\"b\\c\x01\xff", "线3", At("2026-12-07T10:20:00Z"),
            ResultCounts{2, 1, 0, 1, 3, 0, 0});
  tally.Add("line1", "/dev/ttyUSB0", At("2026-12-07T10:50:00Z"), ResultCounts{0, 0, 0, 2, 0, 0, 0});
  tally.Add("line1", "/dev/ttyUSB0", At("2026-12-07T10:05:00Z"), ResultCounts{1, 0, 0, 0, 0, 1, 1});
  tally.AddPassedMoreThanOnce(7);
  EXPECT_EQ(
      Printed(tally, true),
      R"({"scope":"station","hour":"2026-12-07T10:00Z","station":"a\"b\\c\u0001�","port":null,"attempts":3,"passes":2,"fails":1,"unconfirmed":0,"lost":1,"yield":0.6666666666666666,"boards":3,"scanned":0,"first_pass":0,"first_pass_yield":null}
{"scope":"port","hour":"2026-12-07T10:00Z","station":"a\"b\\c\u0001�","port":"线3","attempts":3,"passes":2,"fails":1,"unconfirmed":0,"lost":1,"yield":0.6666666666666666,"boards":3,"scanned":0,"first_pass":0,"first_pass_yield":null}
{"scope":"station","hour":"2026-12-07T10:00Z","station":"line1","port":null,"attempts":1,"passes":1,"fails":0,"unconfirmed":0,"lost":2,"yield":1.0,"boards":1,"scanned":1,"first_pass":1,"first_pass_yield":1.0}
{"scope":"port","hour":"2026-12-07T10:00Z","station":"line1","port":"/dev/ttyUSB0","attempts":1,"passes":1,"fails":0,"unconfirmed":0,"lost":2,"yield":1.0,"boards":1,"scanned":1,"first_pass":1,"first_pass_yield":1.0}
{"scope":"total","hour":null,"station":null,"port":null,"attempts":4,"passes":3,"fails":1,"unconfirmed":0,"lost":3,"yield":0.75,"boards":4,"scanned":1,"first_pass":1,"first_pass_yield":1.0,"passed_more_than_once":7}
)");
}

TEST(ReportOutput, ColumnsAsWideAsTheirWidestCell) {
  LineTally tally;
  tally.Add("line10", "/dev/ttyUSB1", At("2026-12-07T11:00:00Z"),
            ResultCounts{12345, 0, 0, 0, 12345, 0, 0});
  tally.Add("线", "p", At("2026-12-07T09:00:00Z"), ResultCounts{0, 0, 0, 1, 0, 0, 0});
  EXPECT_EQ(Printed(tally, false),
            "hour (UTC)        station port           attempts passed failed unconf. lost  yield "
            "boards scanned 1st pass fpy\n"
            "2026-12-07T11:00Z line10                    12345  12345      0       0    0 "
            "100.0%  12345       0        -   -\n"
            "2026-12-07T11:00Z line10    /dev/ttyUSB1    12345  12345      0       0    0 "
            "100.0%  12345       0        -   -\n"
            "2026-12-07T09:00Z 线                            0      0      0       0    1      "
            "-      0       0        -   -\n"
            "2026-12-07T09:00Z 线        p                   0      0      0       0    1      "
            "-      0       0        -   -\n"
            "total                                       12345  12345      0       0    1 "
            "100.0%  12345       0        -   -\n"
            "first-pass yield is over the 0 scanned boards of 12345 only; the 12345 results "
            "without a serial are not in it\n");
}

}  // namespace
}  // namespace ctrlprog
