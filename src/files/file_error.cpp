#include "files/file_error.h"

namespace ctrlprog {

std::string Describe(FileError error) {
  switch (error) {
    case FileError::NotFound:
      return "no such file or folder";
    case FileError::AccessDenied:
      return "permission denied";
    case FileError::IsDirectory:
      return "it is a folder";
    case FileError::NotRegularFile:
      return "it is not a regular file";
    case FileError::NoSpace:
      return "the disk is full";
    case FileError::ReadOnlyFileSystem:
      return "the disk is read-only";
    case FileError::NameTooLong:
      return "the name is too long";
    case FileError::TooManyLinks:
      return "too many levels of symbolic links";
    case FileError::InUse:
      return "the file is open in another program";
    case FileError::Replaced:
      return "it was removed, renamed or replaced while in use";
    case FileError::Truncated:
      return "it was truncated or emptied while in use";
    case FileError::TooManyOpenFiles:
      return "too many open files";
    case FileError::ReaderGone:
      return "the reading end was closed";
    case FileError::EncodingFailed:
      return "a text cannot be written in the file's encoding";
    case FileError::Other:
      break;
  }
  return "input/output error";
}

}  // namespace ctrlprog
