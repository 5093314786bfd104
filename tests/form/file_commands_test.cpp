#include "form/file_commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "files/parameter_file.h"
#include "form/parameter_file_fixture.h"

namespace ctrlprog {
namespace {

using testing::FakeServices;
using testing::ParameterFileForm;
using testing::TempDir;
using testing::WorkedSets;
using Form = ParameterFileForm;

TEST(ParameterFile, StoresSixteenGbkLinesThatLoadBackToTheSameChoices) {
  TempDir dir;
  const std::string path = dir.Path("set.asv");
  Form form;
  form.ui.FillAll(testing::AsVector(WorkedSets()[0].texts));
  form.ui.AnswerDialogWith(path);
  form.files.StoreFile_Click();
  EXPECT_TRUE(form.ui.messages.empty());
  EXPECT_EQ(TempDir::Read(path), testing::kGbkFile);  // "30     " keeps its blanks
  EXPECT_EQ(form.ui.Text(Control::txtSaveDir), path);
  EXPECT_EQ(form.ui.FileFilter(), "*.asv| *.asv");

  Form other;
  other.ui.AnswerDialogWith(path);
  other.files.OpenFile_Click();
  EXPECT_EQ(other.Lists(), testing::AsVector(WorkedSets()[0].texts));
  EXPECT_EQ(other.strParam[1], "30     ");
  EXPECT_EQ(other.ui.Text(Control::txtLoadDir), path);
  EXPECT_EQ(other.files.strFileDirectary(), path);
}

TEST(ParameterFile, LoadsTheSameSetFromGbkUtf8LineFeedsAndAByteOrderMark) {
  std::string utf8;
  for (const auto& t : WorkedSets()[0].texts) utf8 += t + "\n";
  const std::string variants[] = {testing::kGbkFile, utf8, "\xEF\xBB\xBF" + utf8,
                                  "1:Torva,30\r\n7.0,20.1,0.1,50\r\n\"0:Switch Mode\",30,30,30,1.0,"
                                  "1.0,0:Up 15 Mark（Ture）,0:Comm VCC,0,15\r\n"};
  for (const auto& bytes : variants) {
    const ParsedFile parsed = ParseParameterFile(bytes);
    ASSERT_TRUE(std::holds_alternative<std::vector<std::string>>(parsed)) << bytes;
    EXPECT_EQ(std::get<std::vector<std::string>>(parsed), testing::AsVector(WorkedSets()[0].texts));
  }
}

TEST(ParameterFile, RefusesAShortFileWholeAndIgnoresFieldsPastSixteen) {
  TempDir dir;
  Form form;
  const std::string shortFile = dir.Write("short.asv", "4:Pibes\r\n135\r\n");
  EXPECT_FALSE(form.files.Load(shortFile));
  // Half a set applied would program boards with a mix of two sets: nothing changes.
  EXPECT_EQ(form.Lists(), testing::AsVector(WorkedSets()[1].texts));
  EXPECT_EQ(form.ui.messages, std::vector<std::string>{"The parameter file " + shortFile +
                                                       " held 2 of the 16 parameters. It was not "
                                                       "loaded; no parameter was changed."});
  form.ui.messages.clear();

  EXPECT_TRUE(form.files.Load(dir.Write("long.asv", testing::kGbkFile + "junk\r\nmore\r\n")));
  EXPECT_EQ(form.Lists(), testing::AsVector(WorkedSets()[0].texts));
  EXPECT_TRUE(form.ui.messages.empty());
}

TEST(ParameterFile, EmptyFileStoresThePathAndChangesNothing) {
  TempDir dir;
  Form form;
  const std::string path = dir.Write("empty.asv", "");
  EXPECT_FALSE(form.files.Load(path));
  EXPECT_EQ(form.Lists(), testing::AsVector(WorkedSets()[1].texts));
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
      // An unterminated quote still names the one choice: one parameter read, not a refusal.
      {"\"1:Torva", "held 1 of the 16 parameters"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    Form form;
    const bool loaded = form.files.Load(dir.Write("bad.asv", c.bytes));
    EXPECT_FALSE(loaded);
    ASSERT_EQ(form.ui.messages.size(), 1u) << c.message;
    EXPECT_NE(form.ui.messages[0].find(c.message), std::string::npos) << form.ui.messages[0];
    EXPECT_EQ(form.Lists(), testing::AsVector(WorkedSets()[1].texts)) << c.message;
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
  EXPECT_EQ(form.ui.Text(Control::txtSaveDir), dir.Path("missing/deeper/set.asv"))
      << "the path is shown before the write, as the store does it";
}

}  // namespace
}  // namespace ctrlprog
