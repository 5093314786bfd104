#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/temp_dir.h"

namespace ctrlprog::testing {

// A locale that writes 0,6 for 0.6 (de_DE.UTF-8), compiled once into a folder of the tests'
// own with localedef, so no test depends on which locales the machine has generated. Give the
// folder as LOCPATH and the name as LC_ALL. Debian's `locales` package (make deps) has the
// sources; without them the test fails, it is not skipped.
inline const std::string& CommaLocalePath() {
  static TempDir dir;
  static const std::string path = [] {
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + dir.path().string() + "/de_DE.UTF-8' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << "localedef could not build de_DE.UTF-8";
    return dir.path().string();
  }();
  return path;
}
inline constexpr const char* kCommaLocale = "de_DE.UTF-8";

}  // namespace ctrlprog::testing
