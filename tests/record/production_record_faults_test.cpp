// What the production record does when the file system turns against it: a full disk or a size
// limit, a record removed, renamed or replaced under it, something that is no regular file, and
// two programs writing at once. Rows are whole or absent, and every failure is said.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

#include "files/production_record.h"
#include "files/record_rows.h"
#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

using testing::RowsOf;
using testing::TempDir;

RecordRow Row(std::string port) {
  return {std::chrono::system_clock::now(),
          "station-1",
          std::move(port),
          "",
          "02 0F 22",
          "PASS",
          412,
          {},
          0,
          {}};
}

std::unique_ptr<ProductionRecord> OpenRecord(const std::string& path) {
  auto opened = ProductionRecord::Open(path);
  if (auto* error = std::get_if<FileError>(&opened)) {
    ADD_FAILURE() << path << ": " << Describe(*error);
    return nullptr;
  }
  return std::move(std::get<std::unique_ptr<ProductionRecord>>(opened));
}

TEST(ProductionRecordFaults, ARowIsWholeOrAbsentAndARecordGoneFromItsPathIsSaid) {
  struct Case {
    const char* what;
    std::function<void(const std::string& folder, const std::string& path)> harm;
    FileError error;
  };
  const Case cases[] = {
      {"size limit",
       [](const std::string&, const std::string& path) {
         rlimit limit{};
         ::getrlimit(RLIMIT_FSIZE, &limit);
         limit.rlim_cur = std::filesystem::file_size(path) + 20;  // room for part of a row
         ::setrlimit(RLIMIT_FSIZE, &limit);
       },
       FileError::NoSpace},
      {"removed", [](const std::string&, const std::string& path) { ::unlink(path.c_str()); },
       FileError::Replaced},
      {"folder removed",
       [](const std::string& folder, const std::string&) { std::filesystem::remove_all(folder); },
       FileError::Replaced},
      {"renamed away",
       [](const std::string& folder, const std::string& path) {
         std::filesystem::rename(path, folder + "/old.csv");
       },
       FileError::Replaced},
      {"replaced",
       [](const std::string& folder, const std::string& path) {
         std::ofstream(folder + "/new.csv").close();
         std::filesystem::rename(folder + "/new.csv", path);
       },
       FileError::Replaced},
      {"truncated in place",
       [](const std::string&, const std::string& path) { std::filesystem::resize_file(path, 10); },
       FileError::Truncated},
      {"emptied in place",
       [](const std::string&, const std::string& path) { std::filesystem::resize_file(path, 0); },
       FileError::Truncated},
  };
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string folder = dir.Path("line 3");
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/record.csv";
    const auto record = OpenRecord(path);
    ASSERT_TRUE(record);
    ASSERT_EQ(record->Append(Row("/dev/ttyUSB0")), std::nullopt);
    const std::string before = TempDir::Read(path);

    c.harm(folder, path);
    EXPECT_EQ(record->Append(Row("/dev/ttyUSB1")), c.error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    if (std::filesystem::exists(path) && c.error == FileError::NoSpace) {
      EXPECT_EQ(TempDir::Read(path), before) << "no part of the row is left behind";
      ASSERT_EQ(record->Append(Row("/dev/ttyUSB2")), std::nullopt);  // the next row is whole
      EXPECT_EQ(RowsOf(TempDir::Read(path)).size(), 3u);
    }
    if (std::filesystem::exists(folder + "/old.csv")) {
      EXPECT_EQ(TempDir::Read(folder + "/old.csv"), before) << "nothing more goes to the old file";
    }
  }
  std::signal(SIGXFSZ, oldHandler);
}

TEST(ProductionRecordFaults, OnlyARegularFileIsOpenedAndAPipeWithNoReaderDoesNotHang) {
  TempDir dir;
  const std::string fifo = dir.Path("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string path;
    FileError error;
  } cases[] = {
      {fifo, FileError::NotRegularFile},
      {dir.path().string(), FileError::IsDirectory},
      {"/dev/null", FileError::NotRegularFile},
  };
  for (const auto& c : cases) {
    auto opened = ProductionRecord::Open(c.path);
    ASSERT_TRUE(std::holds_alternative<FileError>(opened)) << c.path;
    EXPECT_EQ(std::get<FileError>(opened), c.error) << c.path;
  }
}

TEST(ProductionRecordFaults, TwoProgramsAppendingAtOnceLeaveOnlyWholeRows) {
  TempDir dir;
  const std::string path = dir.Path("shared.csv");
  constexpr int kRows = 400;
  std::vector<pid_t> children;
  for (int p = 0; p < 2; ++p) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      auto opened = ProductionRecord::Open(path);
      auto* record = std::get_if<std::unique_ptr<ProductionRecord>>(&opened);
      bool ok = record != nullptr;
      // A long port name, so a row is far longer than any write the kernel might split.
      const std::string port = "/dev/serial/by-id/" + std::string(3000, p == 0 ? 'a' : 'b');
      for (int i = 0; ok && i < kRows; ++i) ok = !(*record)->Append(Row(port));
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const std::vector<std::string> rows = RowsOf(TempDir::Read(path));
  ASSERT_EQ(rows.size(), 1u + 2 * kRows) << "one header, then every row";
  EXPECT_EQ(rows[0], kRecordHeader.substr(0, kRecordHeader.size() - 2));
  for (size_t i = 1; i < rows.size(); ++i) {
    const bool a = rows[i].find(std::string(3000, 'a')) != std::string::npos;
    const bool b = rows[i].find(std::string(3000, 'b')) != std::string::npos;
    ASSERT_TRUE(a != b && rows[i].find(",PASS,412,") != std::string::npos)
        << "row " << i << " is torn";
  }
}

TEST(ProductionRecordFaults, ARowTornByAPowerCutIsClosedOffAndCostsNoOtherRow) {
  TempDir dir;
  const std::string path = dir.Path("record.csv");
  {
    const auto record = OpenRecord(path);
    ASSERT_TRUE(record);
    ASSERT_EQ(record->Append(Row("/dev/ttyUSB0")), std::nullopt);
  }
  std::ofstream(path, std::ios::binary | std::ios::app) << "2026-12-07T21:30:06.000+08:00,\"/a,";
  const auto record = OpenRecord(path);
  ASSERT_TRUE(record);
  ASSERT_EQ(record->Append(Row("/dev/ttyUSB1")), std::nullopt);
  const std::vector<std::string> rows = RowsOf(TempDir::Read(path));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[2], "2026-12-07T21:30:06.000+08:00,\"/a,") << "the torn row stands alone";
  EXPECT_NE(rows[3].find("/dev/ttyUSB1,,02 0F 22,PASS,412,"), std::string::npos) << rows[3];
}

}  // namespace
}  // namespace ctrlprog
