// One board's history from a record: the serial is matched as it is, so the wildcards of SQL's
// LIKE (and a serial's prefix) name no board.
#include "report/unit_trace.h"

#include <gtest/gtest.h>

#include "files/production_record.h"
#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

TEST(UnitTrace, NamesOnlyTheBoardWhoseSerialIsExactlyTheOneAsked) {
  testing::TempDir dir;
  const std::string path = dir.Path("record.csv");
  {
    auto opened = ProductionRecord::Open(path);
    auto& record = *std::get<std::unique_ptr<ProductionRecord>>(opened);
    const std::string frame =
        "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";
    for (const char* serial : {"SN-1", "SN-12", "SN_1", "sn-1", "SN-1"}) {
      ASSERT_EQ(record.Append({std::chrono::system_clock::now(), "line3", "/dev/ttyUSB0", "", frame,
                               "PASS", 400, serial, 1, "line"}),
                std::nullopt);
    }
  }
  const struct {
    const char* asked;
    size_t rows;
  } cases[] = {{"SN-1", 2}, {"SN-12", 1}, {"SN_1", 1}, {"SN-_", 0},
               {"SN-%", 0}, {"%", 0},     {"SN-", 0},  {"", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.asked);
    EXPECT_EQ(TraceOfRecord(path, c.asked).size(), c.rows);
  }
}

}  // namespace
}  // namespace ctrlprog
