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
  InUse,      // held open by another program
  Locked,     // another program held the file's lock past our deadline
  Replaced,   // the file at the path is no longer the one that was opened
  Truncated,  // the file is shorter than what this program wrote to it
  TooManyOpenFiles,
  ReaderGone,  // a pipe whose reader has closed it
  EncodingFailed,
  Other,
};

// A short reason for a message box ("no such file or folder").
std::string Describe(FileError error);

}  // namespace ctrlprog
