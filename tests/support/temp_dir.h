#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

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
  TempDir() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    std::error_code ec;
    do {
      path_ = base / ("ctrlprog-test-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_, ec));
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
