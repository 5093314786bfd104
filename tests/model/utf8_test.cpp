// Names from the system reach every output as valid UTF-8, written one way everywhere.
#include "model/utf8.h"

#include <gtest/gtest.h>

#include "files/production_record.h"

namespace ctrlprog {
namespace {

TEST(Utf8, BytesThatAreNotUtf8AreWrittenOneWayInTheRecordAndTheText) {
  struct Case {
    std::string raw, record, text;
  };
  const Case cases[] = {
      {"/dev/ttyUSB0", "/dev/ttyUSB0", "/dev/ttyUSB0"},
      {"/tmp/\xff\xfe", "/tmp/\\xFF\\xFE", "/tmp/\\xFF\\xFE"},
      // GBK for 串口: not UTF-8.
      {"\xb4\xae\xbf\xda", "\\xB4\\xAE\\xBF\\xDA", "\\xB4\\xAE\\xBF\\xDA"},
      {"串口\xff", "串口\\xFF", "串口\\xFF"},
      // A control character cannot break a text line or drive the terminal.
      {"a\x1b[2Jb,c", "\"a\\x1B[2Jb,c\"", "a\\x1B[2Jb,c"},
      // Nor a line break a row of the record: a reader finds every row at its CR LF.
      {"a\r\nb", "a\\x0D\\x0Ab", "a\\x0D\\x0Ab"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CsvField(c.raw), c.record);
    EXPECT_EQ(EscapeName(c.raw), c.text);
    EXPECT_TRUE(IsValidUtf8(CsvField(c.raw)) && IsValidUtf8(EscapeName(c.raw)));
  }
}

}  // namespace
}  // namespace ctrlprog
