// Parameter files on Windows: what its file system does differently. Run under wine by
// `make test-windows`.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "files/parameter_file.h"
#include "form/parameter_file_fixture.h"

namespace ctrlprog {
namespace {

using testing::FromUtf8;
using testing::TempDir;
using testing::WorkedSets;

// The names in the folder, to show what a failure left behind.
std::string FilesIn(const TempDir& dir) {
  std::string names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    if (!names.empty()) names += ' ';
    names += testing::ToUtf8(e.path().filename());
  }
  return names;
}

TEST(ParameterFileOnWindows, RefusesToReplaceAReadOnlyFileAndLeavesItAsItWas) {
  TempDir dir;
  const std::string path = dir.Write("locked.asv", "old");
  ASSERT_TRUE(::SetFileAttributesW(FromUtf8(path).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(WriteParameterFile(path, WorkedSets()[0].texts), FileError::AccessDenied);
  EXPECT_EQ(TempDir::Read(path), "old");
  EXPECT_EQ(FilesIn(dir), "locked.asv") << "no temporary file left behind";
  ::SetFileAttributesW(FromUtf8(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ParameterFileOnWindows, SaysWhenAnotherProgramHoldsTheFileOpen) {
  TempDir dir;
  const std::string path = dir.Write("held.asv", "old");
  // Held as an editor holds it: no sharing at all.
  const HANDLE held = ::CreateFileW(FromUtf8(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const auto error = WriteParameterFile(path, WorkedSets()[0].texts);
  ::CloseHandle(held);
  EXPECT_EQ(error, FileError::InUse);
  EXPECT_EQ(StoreFailureMessage("held.asv", FileError::InUse),
            "The parameter file held.asv could not be stored: the file is open in another "
            "program. The file was not changed.");
  EXPECT_EQ(TempDir::Read(path), "old");
  EXPECT_EQ(FilesIn(dir), "held.asv") << "no temporary file left behind";
}

TEST(ParameterFileOnWindows, StoresAndLoadsUnderAFolderNamedInChinese) {
  TempDir dir;
  std::filesystem::create_directory(FromUtf8(dir.Path("参数文件")));
  const std::string path = dir.Path("参数文件/设定（一）.asv");
  for (int pass = 0; pass < 2; ++pass) {  // created, then replaced
    ASSERT_EQ(WriteParameterFile(path, WorkedSets()[pass].texts), std::nullopt);
    const LoadResult loaded = ReadParameterFile(path);
    const auto* choices = std::get_if<std::vector<std::string>>(&loaded);
    ASSERT_NE(choices, nullptr);
    EXPECT_EQ(*choices, testing::AsVector(WorkedSets()[pass].texts));
  }
  EXPECT_EQ(TempDir::Read(path).substr(0, 9), "2:Mesik\r\n");
}

}  // namespace
}  // namespace ctrlprog
