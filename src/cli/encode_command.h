#pragma once

#include <string>

namespace ctrlprog {

// Exit codes of ctrlprog-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitPortFailed = 1;
inline constexpr int kExitBadInput = 2;
inline constexpr int kExitTimedOut = 3;
inline constexpr int kExitUsage = 64;
inline constexpr int kExitOutputFailed = 74;  // stdout could not be written
inline constexpr int kExitRecordFailed = 74;  // the production record could not be written
// --timeout is armed as a timer of whole milliseconds in an int.
inline constexpr double kMaxTimeoutSeconds = 2'000'000;

class frmMain;
class WindowServices;

// Loads `path` as "OpenFile" does and checks that all sixteen parameters are filled; says why
// not through a message box.
bool LoadCompleteSet(frmMain& form, WindowServices& ui, const std::string& path);

// `ctrlprog-cli encode FILE`: prints the frame of a parameter file on one line.
int RunEncode(const std::string& path);

}  // namespace ctrlprog
