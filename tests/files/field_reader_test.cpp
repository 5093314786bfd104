#include "files/field_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ctrlprog {
namespace {

std::vector<std::string> Texts(const std::vector<RawField>& fields) {
  std::vector<std::string> out;
  for (const auto& f : fields) out.push_back(f.bytes);
  return out;
}

TEST(ReadFields, FollowsSequentialInputRules) {
  struct Case {
    std::string text;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"1:Torva,35\r\n7.0\r\n", {"1:Torva", "35", "7.0"}},
      {"   x\r\n", {"x"}},
      {"30     \r\n", {"30     "}},
      {"\"a,b\"\r\nc", {"a,b", "c"}},
      {"\"a\"junk,b", {"a", "b"}},
      {"\"unterminated", {"unterminated"}},
      {"\"two\r\nlines\"\r\nz", {"two\r\nlines", "z"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a,\r\nb", {"a", "", "b"}},
      {"a\r\n\r\n  \r\n", {"a"}},  // blank lines at the end are no fields
      {std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
  };
  for (const auto& c : cases) EXPECT_EQ(Texts(ReadFields(c.text, 16)), c.fields) << c.text;
}

TEST(ReadFields, StopsAtTheLimitAndNumbersLines) {
  const auto fields = ReadFields("a,b\r\nc\n\nd\re\r\nf", 5);
  EXPECT_EQ(Texts(fields), (std::vector<std::string>{"a", "b", "c", "", "d"}));
  const std::vector<int> lines = {1, 1, 2, 3, 4};
  for (size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(fields[i].line, lines[i]) << i;
}

TEST(ReadFields, CutsAnEnormousFieldAndStops) {
  const std::string huge(10'000'000, 'x');
  const auto fields = ReadFields(huge + "\r\nnext", 16);
  ASSERT_EQ(fields.size(), 1u);
  EXPECT_TRUE(fields[0].tooLong);
  EXPECT_LE(fields[0].bytes.size(), kMaxFieldBytes);
  const auto blanks = ReadFields(std::string(10'000, ' ') + "x", 16);
  ASSERT_EQ(blanks.size(), 1u);
  EXPECT_TRUE(blanks[0].tooLong);
}

}  // namespace
}  // namespace ctrlprog
