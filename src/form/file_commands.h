#pragma once

#include <string>

#include "form/window_services.h"
#include "model/parameter_set.h"

namespace ctrlprog {

inline constexpr std::string_view kFileFilter = "*.asv| *.asv";

// The "OpenFile" and "StoreFile" menu commands.
class ParameterFiles {
 public:
  ParameterFiles(WindowServices& ui, ParameterSet& strParam) : ui_(ui), strParam_(strParam) {}

  // Asks for a file and loads it. Cancel is silent.
  void OpenFile_Click();
  // Asks for a file and stores the lists in it. Cancel is silent.
  void StoreFile_Click();

  // Loads `path` as "OpenFile" does once a file is chosen: the path is remembered and shown,
  // the whole file is checked, and only a file without a refused field changes the lists.
  // A failure is shown in a message box; returns whether the file was loaded.
  [[nodiscard]] bool Load(const std::string& path);

  // Full path of the file last chosen in either dialog.
  const std::string& strFileDirectary() const { return strFileDirectary_; }

  // The file last loaded whole or stored, while the lists still hold exactly its set; else
  // empty.
  std::string FileOnScreen();

 private:
  WindowServices& ui_;
  ParameterSet& strParam_;
  std::string strFileDirectary_;
  std::string fileOnScreen_;
  ParameterSet fileSet_;
};

}  // namespace ctrlprog
