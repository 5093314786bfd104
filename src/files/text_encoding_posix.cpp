#include <iconv.h>

#include <cerrno>

#include "files/text_encoding.h"

namespace ctrlprog {
namespace {

std::optional<std::string> Convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  // iconv's own failure value is (iconv_t)-1.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  std::string input(in);
  char* inPtr = input.data();
  size_t inLeft = input.size();
  char buffer[256];
  bool ok = true;
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      ok = false;  // EILSEQ or EINVAL: malformed or unrepresentable
      break;
    }
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
  return Convert("GBK", "UTF-8", utf8);
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
  return Convert("UTF-8", "GBK", gbk);
}

}  // namespace ctrlprog
