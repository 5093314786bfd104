#include "files/parameter_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "files/file_commands.h"
#include "support/fake_services.h"
#include "support/temp_dir.h"
#include "support/worked_sets.h"

namespace ctrlprog {
namespace {

using testing::FakeServices;
using testing::TempDir;
using testing::WorkedSets;

// The first worked set as another program writes it in GBK: "（" is A3 A8, "）" A3 A9.
const std::string kGbkFile =
    "1:Torva\r\n30     \r\n7.0\r\n20.1\r\n0.1\r\n50\r\n0:Switch Mode\r\n30\r\n30\r\n30\r\n"
    "1.0\r\n1.0\r\n0:Up 15 Mark\xA3\xA8Ture\xA3\xA9\r\n0:Comm VCC\r\n0\r\n15\r\n";

std::vector<std::string> AsVector(const ParameterSet& s) {
  return {s.begin(), s.end()};
}

// A window with the lists filled from the second worked set, and the form's file commands.
struct Form {
  FakeServices ui;
  ParameterSet strParam;
  ParameterFiles files{ui, strParam};
  Form() { ui.FillAll(AsVector(WorkedSets()[1].texts)); }
  std::vector<std::string> Lists() {
    std::vector<std::string> out;
    for (int i = 0; i < kParameterCount; ++i) out.push_back(ui.ComboText(i));
    return out;
  }
};

TEST(ParameterFile, StoresSixteenGbkLinesThatLoadBackToTheSameChoices) {
  TempDir dir;
  const std::string path = dir.Path("set.asv");
  Form form;
  form.ui.FillAll(AsVector(WorkedSets()[0].texts));
  form.ui.AnswerDialogWith(path);
  form.files.StoreFile_Click();
  EXPECT_TRUE(form.ui.messages.empty());
  EXPECT_EQ(TempDir::Read(path), kGbkFile);  // "30     " keeps its blanks
  EXPECT_EQ(form.ui.Text(Control::txtSaveDir), path);
  EXPECT_EQ(form.ui.FileFilter(), "*.asv| *.asv");

  Form other;
  other.ui.AnswerDialogWith(path);
  other.files.OpenFile_Click();
  EXPECT_EQ(other.Lists(), AsVector(WorkedSets()[0].texts));
  EXPECT_EQ(other.strParam[1], "30     ");
  EXPECT_EQ(other.ui.Text(Control::txtLoadDir), path);
  EXPECT_EQ(other.files.strFileDirectary(), path);
}

TEST(ParameterFile, LoadsTheSameSetFromGbkUtf8LineFeedsAndAByteOrderMark) {
  std::string utf8;
  for (const auto& t : WorkedSets()[0].texts) utf8 += t + "\n";
  const std::string variants[] = {kGbkFile, utf8, "\xEF\xBB\xBF" + utf8,
                                  "1:Torva,30\r\n7.0,20.1,0.1,50\r\n\"0:Switch Mode\",30,30,30,1.0,"
                                  "1.0,0:Up 15 Mark（Ture）,0:Comm VCC,0,15\r\n"};
  for (const auto& bytes : variants) {
    const ParsedFile parsed = ParseParameterFile(bytes);
    ASSERT_TRUE(std::holds_alternative<std::vector<std::string>>(parsed)) << bytes;
    EXPECT_EQ(std::get<std::vector<std::string>>(parsed), AsVector(WorkedSets()[0].texts));
  }
}

TEST(ParameterFile, AppliesFewerFieldsAndIgnoresFieldsPastSixteen) {
  TempDir dir;
  Form form;
  const std::string shortFile = dir.Write("short.asv", "4:Pibes\r\n135\r\n");
  EXPECT_TRUE(form.files.Load(shortFile));
  std::vector<std::string> expected = AsVector(WorkedSets()[1].texts);
  expected[0] = "4:Pibes";
  expected[1] = "135";
  EXPECT_EQ(form.Lists(), expected);
  // The screen now mixes two sets: the operator is told.
  EXPECT_EQ(form.ui.messages, std::vector<std::string>{"The parameter file " + shortFile +
                                                       " held 2 of the 16 parameters; the other "
                                                       "14 kept their values."});
  form.ui.messages.clear();

  EXPECT_TRUE(form.files.Load(dir.Write("long.asv", kGbkFile + "junk\r\nmore\r\n")));
  EXPECT_EQ(form.Lists(), AsVector(WorkedSets()[0].texts));
  EXPECT_TRUE(form.ui.messages.empty());
}

TEST(ParameterFile, EmptyFileStoresThePathAndChangesNothing) {
  TempDir dir;
  Form form;
  const std::string path = dir.Write("empty.asv", "");
  EXPECT_TRUE(form.files.Load(path));
  EXPECT_EQ(form.Lists(), AsVector(WorkedSets()[1].texts));
  EXPECT_EQ(form.ui.Text(Control::txtLoadDir), path);
  ASSERT_EQ(form.ui.messages.size(), 1u);
  EXPECT_NE(form.ui.messages[0].find("held 0 of the 16 parameters"), std::string::npos);
}

TEST(ParameterFile, RefusesTheWholeFileNamingLineCaptionAndText) {
  struct Case {
    std::string bytes;
    std::string message;
  };
  const std::string head = "1:Torva\r\n30\r\n";
  const Case cases[] = {
      {head + "7.0\r\n99.9\r\n",
       "Line 4 of the parameter file: \"99.9\" is not a choice of LimitVoltage(V). The file was "
       "not "
       "loaded; no parameter was changed."},
      {"5:Nope\r\n", "Line 1 of the parameter file: \"5:Nope\" is not a choice of Board Type."},
      {head + std::string("7.\0"
                          "0\r\n",
                          5),
       "\"7.\\x000\""},
      {head + "\xFF\xFE\r\n", "\"\\xFF\\xFE\""},  // neither UTF-8 nor GBK
      {head + "\r\n7.0\r\n",
       "Line 3 of the parameter file: \"\" is not a choice of RatedCurrent(A)."},
      {head + std::string(100000, '7'), "\"7777777777777777777777777777777777777777…\""},
      {std::string(3000, '\x01'), "Line 1 of the parameter file: \"\\x01\\x01"},
      {"\"1:Torva", "\"1:Torva"},  // an unterminated quote still names the one choice
  };
  TempDir dir;
  for (const auto& c : cases) {
    Form form;
    const bool loaded = form.files.Load(dir.Write("bad.asv", c.bytes));
    if (c.message == "\"1:Torva") {
      EXPECT_TRUE(loaded);
      EXPECT_EQ(form.ui.ComboText(0), "1:Torva");
      continue;
    }
    EXPECT_FALSE(loaded);
    ASSERT_EQ(form.ui.messages.size(), 1u) << c.message;
    EXPECT_NE(form.ui.messages[0].find(c.message), std::string::npos) << form.ui.messages[0];
    EXPECT_EQ(form.Lists(), AsVector(WorkedSets()[1].texts)) << c.message;
  }
}

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
    EXPECT_EQ(form.Lists(), AsVector(WorkedSets()[1].texts));
  }
}

TEST(ParameterFile, CancelInEitherDialogIsSilentAndChangesNothing) {
  Form form;
  form.ui.SetText(Control::txtSaveDir, "before");
  form.files.OpenFile_Click();
  form.files.StoreFile_Click();
  EXPECT_EQ(form.ui.dialogsShown, 2);
  EXPECT_TRUE(form.ui.messages.empty());
  EXPECT_EQ(form.ui.Text(Control::txtSaveDir), "before");
  EXPECT_EQ(form.files.strFileDirectary(), "");
}

TEST(ParameterFile, StoringAnIncompleteSetAsksForAllParametersAndShowsNoDialog) {
  FakeServices ui;
  ParameterSet set;
  ParameterFiles files(ui, set);
  files.StoreFile_Click();
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Please check all parameter was stuffed"});
  EXPECT_EQ(ui.dialogsShown, 0);
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
  EXPECT_EQ(form.ui.Text(Control::txtSaveDir), "before");
}

TEST(ParameterFile, StoringOverAFolderFailsLeavingNoTemporaryFile) {
  TempDir dir;
  const std::string target = dir.Path("folder.asv");
  std::filesystem::create_directory(target);
  std::filesystem::create_directory(dir.Path("missing"));
  Form form;
  form.ui.AnswerDialogWith(target);
  form.ui.AnswerDialogWith(dir.Path("missing/deeper/set.asv"));
  form.files.StoreFile_Click();
  form.files.StoreFile_Click();
  ASSERT_EQ(form.ui.messages.size(), 2u);
  EXPECT_NE(form.ui.messages[0].find("could not be stored: it is a folder"), std::string::npos);
  EXPECT_NE(form.ui.messages[1].find("could not be stored: no such file or folder"),
            std::string::npos);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
  EXPECT_EQ(form.ui.Text(Control::txtSaveDir), "");
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
  EXPECT_EQ(TempDir::Read(real), kGbkFile);

  const std::string longName = dir.Path(std::string(250, 'n') + ".asv");  // 254 of 255 bytes
  EXPECT_EQ(WriteParameterFile(longName, WorkedSets()[0].texts), std::nullopt);
  EXPECT_EQ(TempDir::Read(longName), kGbkFile);

  ::symlink("b.asv", dir.Path("a.asv").c_str());
  ::symlink("a.asv", dir.Path("b.asv").c_str());
  EXPECT_EQ(WriteParameterFile(dir.Path("a.asv"), WorkedSets()[0].texts), FileError::TooManyLinks);
  EXPECT_EQ(StoreFailureMessage("a.asv", FileError::TooManyLinks),
            "The parameter file a.asv could not be stored: too many levels of symbolic links. "
            "The file was not changed.");
}

TEST(ParameterFile, RefusesToReplaceAFileItMayNotWrite) {
  // As an unprivileged user in a child, so root is refused too; the child reports by exit code.
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    int code = 0;
    {
      TempDir dir;
      const std::string path = dir.Write("locked.asv", "old");
      ::chmod(path.c_str(), 0444);
      const auto error = WriteParameterFile(path, WorkedSets()[0].texts);
      code = error != FileError::AccessDenied ? 1 : TempDir::Read(path) != "old" ? 2 : 0;
    }
    ::_exit(code);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not refused, 2: the file changed";
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
