#include <windows.h>

#include <random>

#include "files/file_system.h"

namespace ctrlprog {
namespace {

// The core's UTF-8 paths as Windows takes them, so a folder named in Chinese works.
std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), n);
  return out;
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

FileError LastError() {
  return FileErrorFromSystem(static_cast<int>(::GetLastError()));
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (valid()) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  bool Close() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(h) != 0;
  }

 private:
  HANDLE h_;
};

// Writes all of `data` in one call; a short write (a full disk) counts as failed.
std::optional<FileError> WriteOnce(HANDLE h, std::string_view data) {
  DWORD written = 0;
  if (!::WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr)) {
    return LastError();
  }
  if (written != data.size()) return FileError::NoSpace;
  return std::nullopt;
}

// Holds an exclusive lock on the whole file for as long as it lives. The lock is tried without
// waiting until kFileLockWait has passed or `givenUp` is set: a program that holds it for good
// must not hold us for good.
class WholeFileLock {
 public:
  WholeFileLock(HANDLE h, const std::atomic<bool>& givenUp) : h_(h) {
    const auto deadline = std::chrono::steady_clock::now() + kFileLockWait;
    for (;;) {
      whole_ = OVERLAPPED{};
      if (::LockFileEx(h_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                       MAXDWORD, &whole_)) {
        locked_ = true;
        return;
      }
      if (::GetLastError() != ERROR_LOCK_VIOLATION) {
        error_ = LastError();
        return;
      }
      if (givenUp.load() || std::chrono::steady_clock::now() >= deadline) {
        error_ = FileError::Locked;
        return;
      }
      ::Sleep(10);
    }
  }
  ~WholeFileLock() {
    if (locked_) ::UnlockFileEx(h_, 0, MAXDWORD, MAXDWORD, &whole_);
  }
  WholeFileLock(const WholeFileLock&) = delete;
  WholeFileLock& operator=(const WholeFileLock&) = delete;
  const std::optional<FileError>& error() const { return error_; }

 private:
  HANDLE h_;
  OVERLAPPED whole_{};
  bool locked_ = false;
  std::optional<FileError> error_;
};

// The file is opened without FILE_SHARE_DELETE, so while it is open nobody can remove, rename
// or replace it: the check the POSIX version makes before each row is the system's here.
class WinAppendOnlyFile : public AppendOnlyFile {
 public:
  explicit WinAppendOnlyFile(HANDLE h) : h_(h) {}
  ~WinAppendOnlyFile() override { ::CloseHandle(h_); }

  std::optional<FileError> WriteIfEmpty(std::string_view header) override {
    // Under a lock, so two stations starting together write one header between them.
    const WholeFileLock lock(h_, GivenUp());
    if (lock.error()) return lock.error();
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(h_, &size)) return LastError();
    if (size.QuadPart != 0) return std::nullopt;
    return AppendLocked(header, size);
  }

  std::optional<FileError> Append(std::string_view data) override {
    const WholeFileLock lock(h_, GivenUp());
    if (lock.error()) return lock.error();
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(h_, &size)) return LastError();
    // Others only ever add to the file: shorter than we left it, it was cut under us.
    if (size.QuadPart < end_) return FileError::Truncated;
    char tail[2] = {'\r', '\n'};
    if (size.QuadPart > 0) {
      const LONGLONG from = size.QuadPart >= 2 ? size.QuadPart - 2 : 0;
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(from & 0xFFFFFFFF);
      at.OffsetHigh = static_cast<DWORD>(from >> 32);
      DWORD got = 0;
      if (!::ReadFile(h_, tail, static_cast<DWORD>(size.QuadPart - from), &got, &at)) {
        return LastError();
      }
      if (got == 1) tail[0] = 0;
    }
    if (tail[0] != '\r' || tail[1] != '\n') {
      // A row torn by a power cut is closed off, so it never swallows the next one.
      std::string closed = "\r\n";
      closed += data;
      return AppendLocked(closed, size);
    }
    return AppendLocked(data, size);
  }

  std::optional<FileError> Sync() override {
    if (!::FlushFileBuffers(h_)) return LastError();
    return std::nullopt;
  }

 private:
  // At the end, in one write; a short one is cut back to where it began.
  std::optional<FileError> AppendLocked(std::string_view data, LARGE_INTEGER end) {
    if (!::SetFilePointerEx(h_, end, nullptr, FILE_BEGIN)) return LastError();
    const auto error = WriteOnce(h_, data);
    if (error) {
      ::SetFilePointerEx(h_, end, nullptr, FILE_BEGIN);
      ::SetEndOfFile(h_);
    } else {
      end_ = end.QuadPart + static_cast<LONGLONG>(data.size());
    }
    return error;
  }

  HANDLE h_;
  LONGLONG end_ = 0;  // where our last write ended
};

}  // namespace

FileError FileErrorFromSystem(int code) {
  switch (static_cast<DWORD>(code)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return FileError::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return FileError::AccessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileError::NoSpace;
    case ERROR_FILENAME_EXCED_RANGE:
      return FileError::NameTooLong;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return FileError::InUse;
    case ERROR_DIRECTORY:
      return FileError::IsDirectory;
    case ERROR_TOO_MANY_OPEN_FILES:
      return FileError::TooManyOpenFiles;
    default:
      return FileError::Other;
  }
}

std::optional<FileError> ReadFileHead(const std::string& path, size_t limit, std::string& out) {
  const std::wstring wide = Wide(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileError::IsDirectory;
  Handle h(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.valid()) return LastError();
  if (::GetFileType(h.get()) != FILE_TYPE_DISK) return FileError::NotRegularFile;
  out.resize(limit);
  size_t got = 0;
  while (got < limit) {
    DWORD n = 0;
    if (!::ReadFile(h.get(), out.data() + got, static_cast<DWORD>(limit - got), &n, nullptr)) {
      return LastError();
    }
    if (n == 0) break;
    got += n;
  }
  out.resize(got);
  return std::nullopt;
}

std::optional<FileError> ReplaceFileContents(const std::string& path, std::string_view content,
                                             bool* wroteInPlace) {
  if (wroteInPlace) *wroteInPlace = false;
  const std::wstring target = Wide(path);
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return FileError::IsDirectory;
  // Replacing a read-only file would sidestep what its owner set: refuse it, as writing it in
  // place would have been refused.
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) return FileError::AccessDenied;
  // A file another program holds without sharing cannot be replaced: say so before anything is
  // written.
  if (exists) {
    Handle probe(::CreateFileW(target.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe.valid()) return LastError();
  }

  // A short temporary name in the same folder, so any name the file system takes still fits.
  const size_t slash = target.find_last_of(L"\\/");
  std::mt19937 random(std::random_device{}());
  wchar_t suffix[16];
  ::swprintf(suffix, 16, L"%06x", static_cast<unsigned>(random() & 0xFFFFFF));
  const std::wstring temp =
      (slash == std::wstring::npos ? L"" : target.substr(0, slash + 1)) + L".ctrlprog-" + suffix;

  Handle h(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr));
  if (!h.valid()) return LastError();
  auto fail = [&](DWORD code) {
    if (h.valid()) h.Close();
    ::DeleteFileW(temp.c_str());
    return FileErrorFromSystem(static_cast<int>(code));
  };
  if (const auto error = WriteOnce(h.get(), content)) {
    const DWORD code = ::GetLastError();
    h.Close();
    ::DeleteFileW(temp.c_str());
    return *error == FileError::NoSpace ? *error : FileErrorFromSystem(static_cast<int>(code));
  }
  if (!::FlushFileBuffers(h.get())) return fail(::GetLastError());
  if (!h.Close()) return fail(::GetLastError());
  const BOOL replaced = exists ? ::ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                                REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                               : ::MoveFileExW(temp.c_str(), target.c_str(),
                                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!replaced) return fail(::GetLastError());
  return std::nullopt;
}

std::variant<std::unique_ptr<AppendOnlyFile>, FileError> AppendOnlyFile::Open(
    const std::string& path) {
  const std::wstring wide = Wide(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return FileError::IsDirectory;
  }
  // Writing at the end under a lock (reading too, which the lock needs), shared with the other
  // programs that append to the same record; writing rather than appending only, so that a
  // short write can be cut back.
  const HANDLE h = ::CreateFileW(
      wide.c_str(), FILE_WRITE_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastError();
  if (::GetFileType(h) != FILE_TYPE_DISK) {  // a pipe or a device such as COM1 or NUL
    ::CloseHandle(h);
    return FileError::NotRegularFile;
  }
  return std::unique_ptr<AppendOnlyFile>(new WinAppendOnlyFile(h));
}

std::optional<LockOwner> LockHolder(const std::string&) {
  return std::nullopt;  // Windows does not say who holds a byte-range lock
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  const std::wstring wide = Wide(path);
  const DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  const DWORD got = ::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  if (got == 0 || got >= n) return path;
  full.resize(got);
  return Utf8(full);
}

void KeepRunningAtFileSizeLimit() {}  // Windows has no such signal

std::string HostName() {
  wchar_t name[256];
  DWORD size = 256;
  if (!::GetComputerNameExW(ComputerNameDnsHostname, name, &size)) return {};
  return Utf8(std::wstring(name, size));
}

tm LocalTime(time_t t, long& utcOffsetMinutes) {
  tm local{};
  ::localtime_s(&local, &t);
  tm copy = local;
  utcOffsetMinutes = static_cast<long>((::_mkgmtime(&copy) - t) / 60);
  return local;
}

}  // namespace ctrlprog
