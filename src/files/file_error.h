#pragma once

#include <string>

namespace ctrlprog {

// Why a file operation failed, in our own terms.
enum class FileError {
  NotFound,
  AccessDenied,
  IsDirectory,
  NotRegularFile,
  NoSpace,
  ReadOnlyFileSystem,
  NameTooLong,
  TooManyLinks,
  EncodingFailed,
  Other,
};

// The one place that reads errno values.
FileError FileErrorFromErrno(int err);

// A short reason for a message box ("no such file or folder").
std::string Describe(FileError error);

}  // namespace ctrlprog
