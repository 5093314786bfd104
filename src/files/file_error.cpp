#include "files/file_error.h"

#include <cerrno>

namespace ctrlprog {

FileError FileErrorFromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return FileError::NotFound;
    case EACCES:
    case EPERM:
      return FileError::AccessDenied;
    case EISDIR:
      return FileError::IsDirectory;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return FileError::NoSpace;
    case EROFS:
      return FileError::ReadOnlyFileSystem;
    case ENAMETOOLONG:
      return FileError::NameTooLong;
    case ELOOP:
      return FileError::TooManyLinks;
    default:
      return FileError::Other;
  }
}

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
    case FileError::EncodingFailed:
      return "a text cannot be written in the file's encoding";
    case FileError::Other:
      break;
  }
  return "input/output error";
}

}  // namespace ctrlprog
