// Parameter files on POSIX systems: named pipes, file modes, symbolic links, size limits and
// users, none of which Windows has in this form.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "files/file_system.h"
#include "files/parameter_file.h"
#include "form/parameter_file_fixture.h"

namespace ctrlprog {
namespace {

using testing::TempDir;
using testing::WorkedSets;
using Form = testing::ParameterFileForm;

TEST(ParameterFile, SaysWhenAFileCannotBeRead) {
  TempDir dir;
  const std::string fifo = dir.Path("pipe.asv");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {dir.Path("gone.asv"), "no such file or folder"},
      {dir.path().string(), "it is a folder"},
      {fifo, "it is not a regular file"},  // and does not wait for a writer
  };
  for (const auto& [path, reason] : cases) {
    Form form;
    form.ui.AnswerDialogWith(path);
    form.files.OpenFile_Click();
    ASSERT_EQ(form.ui.messages.size(), 1u);
    EXPECT_EQ(form.ui.messages[0],
              "The parameter file " + path + " could not be read: " + reason + ".");
    EXPECT_EQ(form.Lists(), testing::AsVector(WorkedSets()[1].texts));
  }
}

TEST(ParameterFile, AFailureMidwayKeepsTheOldFileAndSaysWhy) {
  TempDir dir;
  const std::string path = dir.Write("set.asv", "old contents");
  // A file size limit makes the write fail part way, for root too.
  struct rlimit old {};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 20;
  ::setrlimit(RLIMIT_FSIZE, &small);
  Form form;
  form.ui.SetText(Control::txtSaveDir, "before");
  form.ui.AnswerDialogWith(path);
  form.files.StoreFile_Click();
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  ASSERT_EQ(form.ui.messages.size(), 1u);
  EXPECT_EQ(form.ui.messages[0], "The parameter file " + path +
                                     " could not be stored: the disk is full. The file was not "
                                     "changed.");
  EXPECT_EQ(TempDir::Read(path), "old contents");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  EXPECT_EQ(form.ui.Text(Control::txtSaveDir), path) << "the path is shown before the write";
}

TEST(ParameterFile, ReplacingAFileKeepsItsPermissions) {
  TempDir dir;
  const std::string path = dir.Write("set.asv", "old");
  ::chmod(path.c_str(), 0640);
  ASSERT_EQ(WriteParameterFile(path, WorkedSets()[2].texts), std::nullopt);
  struct stat st {};
  ::stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ParameterFile, StoresThroughLinksUnderLongNamesAndNamesALinkLoop) {
  TempDir dir;
  const std::string real = dir.Write("real.asv", "old");
  const std::string link = dir.Path("link.asv");
  ASSERT_EQ(::symlink("real.asv", link.c_str()), 0);  // relative, as links usually are
  ASSERT_EQ(WriteParameterFile(link, WorkedSets()[0].texts), std::nullopt);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(TempDir::Read(real), testing::kGbkFile);

  const std::string longName = dir.Path(std::string(250, 'n') + ".asv");  // 254 of 255 bytes
  EXPECT_EQ(WriteParameterFile(longName, WorkedSets()[0].texts), std::nullopt);
  EXPECT_EQ(TempDir::Read(longName), testing::kGbkFile);

  ::symlink("b.asv", dir.Path("a.asv").c_str());
  ::symlink("a.asv", dir.Path("b.asv").c_str());
  EXPECT_EQ(WriteParameterFile(dir.Path("a.asv"), WorkedSets()[0].texts), FileError::TooManyLinks);
  EXPECT_EQ(StoreFailureMessage("a.asv", FileError::TooManyLinks),
            "The parameter file a.asv could not be stored: too many levels of symbolic links. "
            "The file was not changed.");
}

TEST(ParameterFile, StoresWhereTheUserMayWriteTheFileAndRefusesWhereNot) {
  // As an unprivileged user in a child, so root is refused too; the child reports by exit code:
  // 10 * case + what went wrong.
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    struct Case {
      mode_t file, folder;
      std::optional<FileError> error;
      bool inPlace;
    };
    const Case cases[] = {
        {0644, 0755, std::nullopt, false},  // the safe replace
        {0444, 0755, FileError::AccessDenied, false},
        // The folder refuses a temporary file beside it, the file may be written: in place.
        {0644, 0555, std::nullopt, true},
        {0444, 0555, FileError::AccessDenied, false},
    };
    int code = 0;
    for (size_t i = 0; i < std::size(cases) && code == 0; ++i) {
      const Case& c = cases[i];
      TempDir dir;
      const std::string path = dir.Write("set.asv", "old");
      ::chmod(path.c_str(), c.file);
      ::chmod(dir.path().c_str(), c.folder);
      bool inPlace = false;
      const auto error = WriteParameterFile(path, WorkedSets()[0].texts, &inPlace);
      const std::string now = TempDir::Read(path);
      ::chmod(dir.path().c_str(), 0755);
      const int base = 10 * static_cast<int>(i + 1);
      if (error != c.error)
        code = base + 1;
      else if (inPlace != c.inPlace)
        code = base + 2;
      else if (now != (c.error ? "old" : testing::kGbkFile))
        code = base + 3;
    }
    ::_exit(code);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "case*10 + 1: error, 2: in place or not, 3: content";
  EXPECT_EQ(InPlaceStoreMessage("/srv/sets/a.asv"),
            "The parameter file /srv/sets/a.asv was stored, but written in place: its folder does "
            "not allow a new file beside it, so the replace was not atomic.");
}

TEST(ParameterFile, TheRecordNamesAFileTheSameWayFromAnyWorkingFolder) {
  const std::string cwd = std::filesystem::current_path().string();
  const std::pair<std::string, std::string> cases[] = {
      {"/srv/sets/./line3/../scooter.asv", "/srv/sets/scooter.asv"},
      {"./examples/../x.asv", cwd + "/x.asv"},
      {"x.asv", cwd + "/x.asv"},
      {"", ""},  // no file on screen stays none
  };
  for (const auto& [typed, recorded] : cases) EXPECT_EQ(AbsolutePath(typed), recorded) << typed;
}

TEST(ParameterFile, ReadMessagesNameUtf16AndShowControlCharactersEscaped) {
  TempDir dir;
  struct Case {
    std::string name, bytes, message;
  };
  const std::string utf16 = std::string("1\0:\0T\0o\0r\0v\0a\0\r\0\n\0", 18);
  const Case cases[] = {
      {"le.asv", "\xFF\xFE" + utf16, "is UTF-16 text; save it as UTF-8 or GBK and load it again."},
      {"bare.asv", utf16, "is UTF-16 text; save it as UTF-8 or GBK and load it again."},
      {"\x1B[31mred.asv", "\xFF\xFE", "\\x1B[31mred.asv is UTF-16"},
  };
  for (const Case& c : cases) {
    const LoadResult r = ReadParameterFile(dir.Write(c.name, c.bytes));
    const auto* failure = std::get_if<LoadFailure>(&r);
    ASSERT_NE(failure, nullptr) << c.name;
    EXPECT_NE(failure->message.find(c.message), std::string::npos) << failure->message;
    EXPECT_EQ(failure->message.find('\x1B'), std::string::npos) << "raw escape reached the text";
  }
}

}  // namespace
}  // namespace ctrlprog
