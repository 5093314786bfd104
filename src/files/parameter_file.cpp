#include "files/parameter_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "files/field_reader.h"
#include "files/text_encoding.h"
#include "model/utf8.h"

namespace ctrlprog {
namespace {

// Sixteen fields of at most kMaxFieldBytes each fit well inside this; the rest of a larger
// file is never needed.
constexpr size_t kReadLimit = 64 * 1024;
constexpr size_t kShownLimit = 40;

// Shows a text as the operator can read it: control characters and undecodable bytes are
// written as \xNN, and a text longer than `limit` characters is cut.
std::string Escaped(std::string_view bytes, size_t limit) {
  std::string out;
  size_t count = 0;
  if (!IsValidUtf8(bytes)) {
    for (unsigned char c : bytes) {
      if (++count > limit) return out + "…";
      char buf[8];
      if (c < 0x20 || c >= 0x7F) {
        std::snprintf(buf, sizeof buf, "\\x%02X", c);
        out += buf;
      } else {
        out += static_cast<char>(c);
      }
    }
  } else {
    for (char32_t c : DecodeUtf8(bytes)) {
      if (++count > limit) return out + "…";
      if (c < 0x20 || c == 0x7F) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(c));
        out += buf;
      } else {
        out += EncodeUtf8(std::u32string(1, c));
      }
    }
  }
  return out;
}

std::string Shown(std::string_view bytes, bool cut) {
  const std::string out = Escaped(bytes, kShownLimit);
  return cut && !out.ends_with("…") ? out + "…" : out;
}

// A path as a message may show it: whole, but with no control character reaching a terminal.
std::string ShownPath(std::string_view path) {
  return Escaped(path, std::string_view::npos);
}

// A parameter file saved as UTF-16 by an editor: a byte-order mark, or a NUL in every other
// byte of its start. No UTF-8 or GBK parameter file holds a NUL.
bool LooksLikeUtf16(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return true;
  const std::string_view head = bytes.substr(0, 64);
  size_t evenNuls = 0, oddNuls = 0;
  for (size_t i = 0; i < head.size(); ++i) (i % 2 ? oddNuls : evenNuls) += head[i] == '\0';
  return head.size() >= 4 && std::max(evenNuls, oddNuls) * 2 >= head.size() / 2;
}

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

std::string ReadFailureMessage(const std::string& path, FileError error) {
  return "The parameter file " + ShownPath(path) + " could not be read: " + Describe(error) + ".";
}

std::optional<FileError> ReadHead(const std::string& path, std::string& out) {
  // Non-blocking, so a named pipe cannot stall the window; anything but a regular file is
  // refused before it is read.
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) return FileErrorFromErrno(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return FileErrorFromErrno(errno);
  if (S_ISDIR(st.st_mode)) return FileError::IsDirectory;
  if (!S_ISREG(st.st_mode)) return FileError::NotRegularFile;
  out.resize(kReadLimit);
  size_t got = 0;
  while (got < kReadLimit) {
    const ssize_t n = ::read(fd.get(), out.data() + got, kReadLimit - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FileErrorFromErrno(errno);
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  out.resize(got);
  return std::nullopt;
}

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
    if (n < 0) return FileErrorFromErrno(errno);
    target.resize(static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    path = target.starts_with('/') || slash == std::string::npos
               ? target
               : path.substr(0, slash + 1) + target;
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

}  // namespace

ParsedFile ParseParameterFile(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const std::vector<RawField> raw = ReadFields(bytes, kParameterCount);

  bool utf8 = true;
  for (const RawField& f : raw) utf8 = utf8 && IsValidUtf8(f.bytes);

  std::vector<std::string> choices;
  for (size_t i = 0; i < raw.size(); ++i) {
    const RawField& f = raw[i];
    const int index = static_cast<int>(i);
    const std::optional<std::string> text = utf8 ? std::optional(f.bytes) : GbkToUtf8(f.bytes);
    std::optional<std::string> choice;
    if (text && !f.tooLong) choice = MatchChoice(index, *text);
    if (!choice) return RefusedField{f.line, index, Shown(text ? *text : f.bytes, f.tooLong)};
    choices.push_back(*choice);
  }
  return choices;
}

std::optional<std::string> FormatParameterFile(const ParameterSet& strParam) {
  std::string utf8;
  for (const std::string& text : strParam) utf8 += text + "\r\n";
  return Utf8ToGbk(utf8);
}

LoadResult ReadParameterFile(const std::string& path) {
  std::string bytes;
  if (const auto error = ReadHead(path, bytes))
    return LoadFailure{ReadFailureMessage(path, *error)};
  if (LooksLikeUtf16(bytes)) {
    return LoadFailure{"The parameter file " + ShownPath(path) +
                       " is UTF-16 text; save it as UTF-8 or GBK and load it again."};
  }
  ParsedFile parsed = ParseParameterFile(bytes);
  if (const auto* refused = std::get_if<RefusedField>(&parsed)) {
    return LoadFailure{RefusalMessage(*refused)};
  }
  return std::get<std::vector<std::string>>(std::move(parsed));
}

std::optional<FileError> WriteParameterFile(const std::string& chosen,
                                            const ParameterSet& strParam) {
  const std::optional<std::string> content = FormatParameterFile(strParam);
  if (!content) return FileError::EncodingFailed;

  std::string path = chosen;
  if (const auto error = FollowLinks(path)) return error;
  // Renaming over a file needs only the folder's permission: refuse a file we may not write, as
  // writing it in place would have been refused.
  if (::faccessat(AT_FDCWD, path.c_str(), F_OK, AT_EACCESS) == 0 &&
      ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
    return FileErrorFromErrno(errno);
  }

  // A short temporary name in the same folder, so any name the file system takes still fits.
  const size_t slash = path.rfind('/');
  std::string temp =
      (slash == std::string::npos ? "" : path.substr(0, slash + 1)) + ".ctrlprog-XXXXXX";

  Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (fd.get() < 0) return FileErrorFromErrno(errno);
  auto fail = [&](int err) {
    ::unlink(temp.c_str());
    return FileErrorFromErrno(err);
  };
  if (!WriteAll(fd.get(), *content)) return fail(errno);
  if (::fchmod(fd.get(), ModeFor(path)) != 0) return fail(errno);
  if (::fsync(fd.get()) != 0) return fail(errno);
  if (::close(fd.release()) != 0) return fail(errno);
  if (::rename(temp.c_str(), path.c_str()) != 0) return fail(errno);
  return std::nullopt;
}

std::string RefusalMessage(const RefusedField& refused) {
  std::string name = DisplayName(refused.index);
  if (name.ends_with("：")) name.resize(name.size() - std::string_view("：").size());
  return "Line " + std::to_string(refused.line) + " of the parameter file: \"" + refused.shown +
         "\" is not a choice of " + name + ". The file was not loaded; no parameter was changed.";
}

std::string StoreFailureMessage(const std::string& path, FileError error) {
  return "The parameter file " + ShownPath(path) + " could not be stored: " + Describe(error) +
         ". The file was not changed.";
}

std::string ShortFileMessage(const std::string& path, size_t held) {
  return "The parameter file " + ShownPath(path) + " held " + std::to_string(held) + " of the " +
         std::to_string(kParameterCount) + " parameters; the other " +
         std::to_string(kParameterCount - held) + " kept their values.";
}

}  // namespace ctrlprog
