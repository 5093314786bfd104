#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "link/qt/port_platform.h"
#include "link/serial_port.h"

namespace ctrlprog {

PortFault PermissionFault(const std::string& device) {
  // Qt says the same when it had no descriptor left for its lock file.
  const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (probe < 0 && (errno == EMFILE || errno == ENFILE)) return PortFault::TooManyFiles;
  if (probe >= 0) ::close(probe);
  // A device we may read and write that still refuses us is held: its lock file, or busy.
  return ::access(device.c_str(), R_OK | W_OK) == 0 ? PortFault::Busy : PortFault::NoSuchPort;
}

bool IsSerialLine(const std::string& device) {
  // A terminal we can open: /dev/null, /dev/zero or a /dev/tty with no terminal behind it are
  // character devices but no serial line.
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  const bool terminal = ::isatty(fd) == 1;
  ::close(fd);
  return terminal;
}

bool LineHungUp(int descriptor) {
  if (descriptor < 0) return true;
  pollfd pfd{descriptor, POLLOUT, 0};
  if (::poll(&pfd, 1, 0) < 0) return true;
  return (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

int LockLine(int descriptor) {
  if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) return kCommOk;
  // EWOULDBLOCK: another opener holds it. Any other failure: we cannot tell, so treat the line
  // as held rather than share it.
  return kCommPortBusy;
}

namespace {

// Lock folders in the order tried: the system's run-time one, then the user's, then /tmp.
std::vector<std::string> LockFolders() {
  std::vector<std::string> folders = {"/run/lock", "/var/lock"};
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    folders.emplace_back(runtime);
  }
  folders.emplace_back("/tmp");
  return folders;
}

// Opens (or creates) the lock file; anyone may lock it, whoever made it.
int OpenLockFile(const std::string& path, int& error) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666);
  if (fd >= 0) {
    ::fchmod(fd, 0666);  // past the umask, so another user can open it too
  } else if (errno == EACCES || errno == EPERM) {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
  }
  error = fd < 0 ? errno : 0;
  return fd;
}

}  // namespace

PortFault DeviceClaim::Take(const std::string& device) {
  Release();
  std::string name = "ctrlprog-";
  for (char c : device) name += c == '/' ? '_' : c;
  name += ".lock";
  for (const std::string& folder : LockFolders()) {
    int error = 0;
    std::string path = folder;
    path += '/';
    path += name;
    const int fd = OpenLockFile(path, error);
    if (fd < 0) {
      if (error == EMFILE || error == ENFILE) return PortFault::TooManyFiles;
      continue;  // not writable here: the next folder
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return PortFault::Busy;
    }
    fd_ = fd;
    device_ = device;
    return PortFault::None;
  }
  return PortFault::None;  // no folder to lock in: the line's own lock still holds
}

void DeviceClaim::Release() {
  if (fd_ >= 0) ::close(fd_);  // closing drops the lock; the file stays for the next claim
  fd_ = -1;
  device_.clear();
}

std::string CanonicalDevice(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return path;
  return resolved;
}

}  // namespace ctrlprog
