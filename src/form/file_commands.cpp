#include "form/file_commands.h"

#include <algorithm>

#include "files/parameter_file.h"
#include "form/parameter_lists.h"

namespace ctrlprog {

void ParameterFiles::OpenFile_Click() {
  ui_.SetFileFilter(kFileFilter);
  const DialogResult chosen = ui_.ShowOpen();
  if (chosen.cancelled) return;
  static_cast<void>(Load(chosen.path));  // a failure has been shown already
}

bool ParameterFiles::Load(const std::string& path) {
  strFileDirectary_ = path;
  ui_.SetText(Control::txtLoadDir, path);
  const LoadResult result = ReadParameterFile(path);
  if (const auto* failure = std::get_if<LoadFailure>(&result)) {
    ui_.MessageBox(failure->message);
    return false;
  }
  const auto& choices = std::get<std::vector<std::string>>(result);
  // A file short of sixteen parameters would leave the lists a mix of two sets, which no board
  // should get: it is refused whole, and says how many it held.
  if (choices.size() < kParameterCount) {
    ui_.MessageBox(ShortFileMessage(path, choices.size()));
    return false;
  }
  for (size_t i = 0; i < choices.size(); ++i) {
    // Every field was checked against its choices, so none is refused here.
    static_cast<void>(ApplyText(ui_, strParam_, static_cast<int>(i), choices[i]));
  }
  fileOnScreen_ = path;
  std::copy(choices.begin(), choices.end(), fileSet_.begin());
  return true;
}

void ParameterFiles::StoreFile_Click() {
  if (ReadListsIntoSet(ui_, strParam_)) {
    ui_.MessageBox(kIncompleteMessage);
    return;
  }
  ui_.SetFileFilter(kFileFilter);
  const DialogResult chosen = ui_.ShowSave();
  if (chosen.cancelled) return;
  // The path is shown before the file is written, whether or not the write then succeeds.
  strFileDirectary_ = chosen.path;
  ui_.SetText(Control::txtSaveDir, chosen.path);
  bool inPlace = false;
  if (const auto error = WriteParameterFile(chosen.path, strParam_, &inPlace)) {
    ui_.MessageBox(StoreFailureMessage(chosen.path, *error));
    return;
  }
  if (inPlace) ui_.MessageBox(InPlaceStoreMessage(chosen.path));
  fileOnScreen_ = chosen.path;
  fileSet_ = strParam_;
}

std::string ParameterFiles::FileOnScreen() {
  if (fileOnScreen_.empty()) return {};
  for (int i = 0; i < kParameterCount; ++i) {
    if (ui_.ComboText(i) != fileSet_[static_cast<size_t>(i)]) return {};
  }
  return fileOnScreen_;
}

}  // namespace ctrlprog
