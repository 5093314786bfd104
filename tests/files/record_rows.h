#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ctrlprog::testing {

// The rows of a production record, without their CR LF; every row must end in one.
inline std::vector<std::string> RowsOf(const std::string& text) {
  std::vector<std::string> rows;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    rows.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "every row ends in CR LF";
  return rows;
}

}  // namespace ctrlprog::testing
