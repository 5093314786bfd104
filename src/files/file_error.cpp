#include "files/file_error.h"

#include "model/say.h"

namespace ctrlprog {

std::string Describe(FileError error) {
  switch (error) {
    case FileError::NotFound:
      return Say("no such file or folder");
    case FileError::AccessDenied:
      return Say("permission denied");
    case FileError::IsDirectory:
      return Say("it is a folder");
    case FileError::NotRegularFile:
      return Say("it is not a regular file");
    case FileError::NoSpace:
      return Say("the disk is full");
    case FileError::ReadOnlyFileSystem:
      return Say("the disk is read-only");
    case FileError::NameTooLong:
      return Say("the name is too long");
    case FileError::TooManyLinks:
      return Say("too many levels of symbolic links");
    case FileError::InUse:
      return Say("the file is open in another program");
    case FileError::Locked:
      return Say("another program held its lock for more than 2 s");
    case FileError::Replaced:
      return Say("it was removed, renamed or replaced while in use");
    case FileError::Truncated:
      return Say("it was truncated or emptied while in use");
    case FileError::TooManyOpenFiles:
      return Say("too many open files");
    case FileError::ReaderGone:
      return Say("the reading end was closed");
    case FileError::EncodingFailed:
      return Say("a text cannot be written in the file's encoding");
    case FileError::Other:
      break;
  }
  return Say("input/output error");
}

}  // namespace ctrlprog
