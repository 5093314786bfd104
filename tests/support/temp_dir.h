#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace ctrlprog::testing {

// UTF-8 paths, as the core takes them, to and from the file system's own.
inline std::filesystem::path FromUtf8(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string ToUtf8(const std::filesystem::path& path) {
  const std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

// A fresh folder for one test, removed with everything in it afterwards.
class TempDir {
 public:
  // Tries a few random names; a folder that cannot be made (no temporary folder, no right to
  // write there) is said at once, as the test's failure, instead of tried for ever.
  TempDir() {
    std::random_device random;
    std::error_code ec;
    const auto base = std::filesystem::temp_directory_path(ec);
    for (int tries = 0; !ec && tries < 100; ++tries) {
      path_ = base / ("ctrlprog-test-" + std::to_string(random()));
      if (std::filesystem::create_directory(path_, ec)) return;
      if (!ec) ec = std::make_error_code(std::errc::file_exists);
      if (ec != std::errc::file_exists) break;
      ec.clear();
    }
    throw std::runtime_error("cannot make a test folder in " + base.string() + ": " +
                             (ec ? ec.message() : std::string("every name tried was taken")));
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The UTF-8 path of `name` (UTF-8) in the folder.
  std::string Path(const std::string& name) const { return ToUtf8(path_ / FromUtf8(name)); }
  const std::filesystem::path& path() const { return path_; }

  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / FromUtf8(name), std::ios::binary) << bytes;
    return Path(name);
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(FromUtf8(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  std::filesystem::path path_;
};

}  // namespace ctrlprog::testing
