#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "files/file_system.h"
#include "model/utf8.h"

namespace ctrlprog {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// The file a path names once its symbolic links are followed (the link itself when it dangles),
// so a store replaces what the link points to and leaves the link in place.
std::optional<FileError> FollowLinks(std::string& path) {
  constexpr int kMaxLinks = 40;  // as the kernel allows
  for (int i = 0; i < kMaxLinks; ++i) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return std::nullopt;
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n < 0) return FileErrorFromSystem(errno);
    target.resize(static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    if (target.starts_with('/') || slash == std::string::npos) {
      path = target;
    } else {
      path.resize(slash + 1);
      path += target;
    }
  }
  return FileError::TooManyLinks;
}

// Mode for the new file: the old file's, or what a plain create would give.
mode_t ModeFor(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Holds an exclusive lock on a descriptor for as long as it lives. The lock is tried without
// blocking until kFileLockWait has passed or `givenUp` is set: a program that holds it for
// good must not hold us for good.
class FileLock {
 public:
  FileLock(int fd, const std::atomic<bool>& givenUp) : fd_(fd) {
    const auto deadline = std::chrono::steady_clock::now() + kFileLockWait;
    for (;;) {
      if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        locked_ = true;
        return;
      }
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) {
        error_ = FileErrorFromSystem(errno);
        return;
      }
      if (givenUp.load() || std::chrono::steady_clock::now() >= deadline) {
        error_ = FileError::Locked;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~FileLock() {
    if (locked_) ::flock(fd_, LOCK_UN);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  const std::optional<FileError>& error() const { return error_; }

 private:
  int fd_;
  bool locked_ = false;
  std::optional<FileError> error_;
};

class PosixAppendOnlyFile : public AppendOnlyFile {
 public:
  PosixAppendOnlyFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixAppendOnlyFile() override { ::close(fd_); }

  std::optional<FileError> WriteIfEmpty(std::string_view header) override {
    // Under a lock, so two stations starting together write one header between them.
    const FileLock lock(fd_, GivenUp());
    if (lock.error()) return lock.error();
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return FileErrorFromSystem(errno);
    if (st.st_size != 0) return std::nullopt;
    return AppendLocked(header, st.st_size);
  }

  std::optional<FileError> Append(std::string_view data) override {
    const FileLock lock(fd_, GivenUp());
    if (lock.error()) return lock.error();
    struct stat mine {
    }, there{};
    if (::fstat(fd_, &mine) != 0) return FileErrorFromSystem(errno);
    // Rows written to a file that was removed or renamed away reach nobody: say so instead.
    if (::stat(path_.c_str(), &there) != 0) {
      return errno == ENOENT || errno == ENOTDIR ? FileError::Replaced : FileErrorFromSystem(errno);
    }
    if (mine.st_nlink == 0 || mine.st_dev != there.st_dev || mine.st_ino != there.st_ino) {
      return FileError::Replaced;
    }
    // Others only ever add to the file: shorter than we left it, it was cut under us.
    if (mine.st_size < end_) return FileError::Truncated;
    char tail[2] = {'\r', '\n'};
    if (mine.st_size > 0) {
      const off_t from = mine.st_size >= 2 ? mine.st_size - 2 : 0;
      const ssize_t n = ::pread(fd_, tail, static_cast<size_t>(mine.st_size - from), from);
      if (n < 0 && errno != EBADF) return FileErrorFromSystem(errno);  // EBADF: write-only
      if (n == 1) tail[0] = 0;
    }
    if (tail[0] != '\r' || tail[1] != '\n') {
      std::string closed = "\r\n";
      closed += data;
      return AppendLocked(closed, mine.st_size);
    }
    return AppendLocked(data, mine.st_size);
  }

  std::optional<FileError> Sync() override {
    if (::fdatasync(fd_) != 0) return FileErrorFromSystem(errno);
    return std::nullopt;
  }

 private:
  // One write; a short one (a full disk, a size limit) is cut back to where it began.
  std::optional<FileError> AppendLocked(std::string_view data, off_t before) {
    ssize_t n;
    do {
      n = ::write(fd_, data.data(), data.size());
    } while (n < 0 && errno == EINTR);
    if (n >= 0 && static_cast<size_t>(n) == data.size()) {
      end_ = before + n;
      return std::nullopt;
    }
    const FileError error = n < 0 ? FileErrorFromSystem(errno) : FileError::NoSpace;
    if (n > 0 && ::ftruncate(fd_, before) != 0) return FileErrorFromSystem(errno);
    return error;
  }

  int fd_;
  std::string path_;
  off_t end_ = 0;  // where our last write ended
};

}  // namespace

FileError FileErrorFromSystem(int err) {
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
    case ETXTBSY:
    case EBUSY:
      return FileError::InUse;
    case EMFILE:
    case ENFILE:
      return FileError::TooManyOpenFiles;
    case EPIPE:
      return FileError::ReaderGone;
    default:
      return FileError::Other;
  }
}

std::optional<FileError> ReadFileHead(const std::string& path, size_t limit, std::string& out) {
  // Non-blocking, so a named pipe cannot stall the window; anything but a regular file is
  // refused before it is read.
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) return FileErrorFromSystem(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return FileErrorFromSystem(errno);
  if (S_ISDIR(st.st_mode)) return FileError::IsDirectory;
  if (!S_ISREG(st.st_mode)) return FileError::NotRegularFile;
  out.resize(limit);
  size_t got = 0;
  while (got < limit) {
    const ssize_t n = ::read(fd.get(), out.data() + got, limit - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FileErrorFromSystem(errno);
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  out.resize(got);
  return std::nullopt;
}

// Truncates and writes the file where it is, then flushes it to the disk.
std::optional<FileError> WriteInPlace(const std::string& path, std::string_view content) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.get() < 0) return FileErrorFromSystem(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return FileErrorFromSystem(errno);
  if (!S_ISREG(st.st_mode)) return FileError::NotRegularFile;
  if (!WriteAll(fd.get(), content)) return FileErrorFromSystem(errno);
  if (::fsync(fd.get()) != 0) return FileErrorFromSystem(errno);
  if (::close(fd.release()) != 0) return FileErrorFromSystem(errno);
  return std::nullopt;
}

std::optional<FileError> ReplaceFileContents(const std::string& chosen, std::string_view content,
                                             bool* wroteInPlace) {
  if (wroteInPlace) *wroteInPlace = false;
  std::string path = chosen;
  if (const auto error = FollowLinks(path)) return error;
  // Renaming over a file needs only the folder's permission: refuse a file we may not write, as
  // writing it in place would have been refused.
  if (::faccessat(AT_FDCWD, path.c_str(), F_OK, AT_EACCESS) == 0 &&
      ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
    return FileErrorFromSystem(errno);
  }

  // A short temporary name in the same folder, so any name the file system takes still fits.
  const size_t slash = path.rfind('/');
  std::string temp =
      (slash == std::string::npos ? "" : path.substr(0, slash + 1)) + ".ctrlprog-XXXXXX";

  Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (fd.get() < 0) {
    const int err = errno;
    // A folder we may not write, holding a file we may: the file can still be written in place.
    if ((err == EACCES || err == EPERM) &&
        ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0) {
      const auto error = WriteInPlace(path, content);
      if (!error && wroteInPlace) *wroteInPlace = true;
      return error;
    }
    return FileErrorFromSystem(err);
  }
  auto fail = [&](int err) {
    ::unlink(temp.c_str());
    return FileErrorFromSystem(err);
  };
  if (!WriteAll(fd.get(), content)) return fail(errno);
  if (::fchmod(fd.get(), ModeFor(path)) != 0) return fail(errno);
  if (::fsync(fd.get()) != 0) return fail(errno);
  if (::close(fd.release()) != 0) return fail(errno);
  if (::rename(temp.c_str(), path.c_str()) != 0) return fail(errno);
  return std::nullopt;
}

std::variant<std::unique_ptr<AppendOnlyFile>, FileError> AppendOnlyFile::Open(
    const std::string& path) {
  // Non-blocking, so a named pipe with no reader cannot hang the open; whatever opened is
  // refused unless it is a regular file.
  // Read too, to see whether the last row is whole; a file we may only write is still appended to.
  constexpr int kFlags = O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  int raw = ::open(path.c_str(), O_RDWR | kFlags, 0644);
  if (raw < 0 && errno == EACCES) raw = ::open(path.c_str(), O_WRONLY | kFlags, 0644);
  Fd fd(raw);
  if (fd.get() < 0) {
    if (errno == ENXIO) return FileError::NotRegularFile;  // a named pipe nobody reads
    return FileErrorFromSystem(errno);
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return FileErrorFromSystem(errno);
  if (S_ISDIR(st.st_mode)) return FileError::IsDirectory;
  if (!S_ISREG(st.st_mode)) return FileError::NotRegularFile;
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  return std::unique_ptr<AppendOnlyFile>(new PosixAppendOnlyFile(fd.release(), path));
}

std::optional<LockOwner> LockHolder(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  // Linux lists every lock in /proc/locks: "1: FLOCK  ADVISORY  WRITE 4242 08:01:1234 0 EOF",
  // the file named by its device (hexadecimal major:minor) and inode.
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream fields(line);
    std::string number, kind, mode, access, pid, file;
    if (!(fields >> number >> kind)) continue;
    if (kind == "->") continue;  // one waiting for the lock, not holding it
    if (!(fields >> mode >> access >> pid >> file)) continue;
    unsigned major = 0, minor = 0;
    unsigned long long inode = 0;
    if (std::sscanf(file.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
    if (major != ::major(st.st_dev) || minor != ::minor(st.st_dev) || inode != st.st_ino) continue;
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    LockOwner owner{std::stol(pid), {}};
    if (owner.pid == static_cast<long>(::getpid())) continue;
    std::ifstream comm("/proc/" + pid + "/comm");
    std::getline(comm, owner.name);
    owner.name = EscapeName(owner.name);
    return owner;
  }
  return std::nullopt;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  std::filesystem::path p(path);
  if (p.is_relative()) {
    std::error_code ec;
    const std::filesystem::path cwd = std::filesystem::current_path(ec);
    if (!ec) p = cwd / p;
  }
  return p.lexically_normal().string();
}

void KeepRunningAtFileSizeLimit() {
  ::signal(SIGXFSZ, SIG_IGN);
}

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

tm LocalTime(time_t t, long& utcOffsetMinutes) {
  tm local{};
  ::localtime_r(&t, &local);
  utcOffsetMinutes = local.tm_gmtoff / 60;
  return local;
}

}  // namespace ctrlprog
