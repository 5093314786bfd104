#pragma once

// Every call the core makes to the platform for files, behind one small interface with one
// implementation per platform, chosen by the build (file_system_posix.cpp, file_system_win.cpp).
// Paths are UTF-8 on every platform.

#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "files/file_error.h"

namespace ctrlprog {

// The one place that reads the platform's error codes for files: errno, or GetLastError().
FileError FileErrorFromSystem(int code);

// Reads at most `limit` bytes from the start of the regular file at `path`; anything but a
// regular file is refused before it is read.
[[nodiscard]] std::optional<FileError> ReadFileHead(const std::string& path, size_t limit,
                                                    std::string& out);

// Replaces the file at `path` with `content` in one step: a temporary file in the same folder,
// flushed to the disk, then put in the target's place. A failure leaves the old file as it was.
// A symbolic link is stored through (its target is replaced); a file we may not write is refused
// as writing it in place would have been. Where the folder refuses the temporary file but the
// file itself may be written, it is written in place and flushed instead, and `wroteInPlace`
// (when given) says so: that replace was not atomic.
[[nodiscard]] std::optional<FileError> ReplaceFileContents(const std::string& path,
                                                           std::string_view content,
                                                           bool* wroteInPlace = nullptr);

// `path` made absolute against the working folder, with "." and ".." resolved by name, so the
// same file is named the same way from any working folder.
std::string AbsolutePath(const std::string& path);

// How long an append waits for another program to let go of the file's lock before it fails:
// the lock is tried without blocking until then, so no wait for it is without a bound.
inline constexpr std::chrono::milliseconds kFileLockWait{2000};

// Another program holding a lock on a file: its process id and name.
struct LockOwner {
  long pid = 0;
  std::string name;  // as the system names the process, escaped as names are; may be empty
};
// Who else holds a lock on the file at `path`, or nothing when that cannot be found out (not
// every platform tells).
std::optional<LockOwner> LockHolder(const std::string& path);

// A regular file that is only ever appended to, each append whole under an exclusive lock, so
// that several programs can share it without torn or interleaved rows.
class AppendOnlyFile {
 public:
  // Opens (or creates) the file without waiting: a named pipe, a folder or a device is refused.
  [[nodiscard]] static std::variant<std::unique_ptr<AppendOnlyFile>, FileError> Open(
      const std::string& path);
  virtual ~AppendOnlyFile() = default;
  // Under an exclusive lock, writes `header` when the file is empty.
  [[nodiscard]] virtual std::optional<FileError> WriteIfEmpty(std::string_view header) = 0;
  // Under an exclusive lock: checks that the file is still the one at its path (not removed,
  // renamed or replaced) and no shorter than this program left it (not truncated), then appends
  // `data` in one write. A file that does not end in CR LF (a row torn by a power cut) has the
  // torn row closed off with CR LF first, so it never swallows `data`. A write that comes up
  // short is cut back, so the file never ends in a part of `data`.
  [[nodiscard]] virtual std::optional<FileError> Append(std::string_view data) = 0;
  // Flushes what was appended to the disk.
  [[nodiscard]] virtual std::optional<FileError> Sync() = 0;
  // Ends a wait for the lock now, from any thread, and makes every later one fail at once
  // (FileError::Locked): the program is ending and will not wait out another's lock.
  void GiveUpWaiting() { givenUp_.store(true); }

 protected:
  const std::atomic<bool>& GivenUp() const { return givenUp_; }

 private:
  std::atomic<bool> givenUp_{false};
};

// Makes a file that reaches a size limit fail its write instead of ending the program (POSIX's
// SIGXFSZ); a program that keeps a record calls it once at start-up.
void KeepRunningAtFileSizeLimit();

// This computer's name.
std::string HostName();

// `t` as local time, and the local offset from UTC then, in minutes.
tm LocalTime(time_t t, long& utcOffsetMinutes);

}  // namespace ctrlprog
