#include <windows.h>

#include "files/text_encoding.h"

namespace ctrlprog {
namespace {

constexpr UINT kGbk = 936;

std::optional<std::wstring> ToWide(UINT codePage, std::string_view in) {
  if (in.empty()) return std::wstring();
  const int size = static_cast<int>(in.size());
  const int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), size, nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), size, out.data(), n);
  return out;
}

std::optional<std::string> FromWide(UINT codePage, const std::wstring& in) {
  if (in.empty()) return std::string();
  const int size = static_cast<int>(in.size());
  // UTF-8 takes neither a default character nor its flag; GBK must refuse what it cannot hold.
  BOOL usedDefault = FALSE;
  BOOL* used = codePage == CP_UTF8 ? nullptr : &usedDefault;
  const DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  const int n = ::WideCharToMultiByte(codePage, flags, in.data(), size, nullptr, 0, nullptr, used);
  if (n <= 0 || usedDefault) return std::nullopt;
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(codePage, flags, in.data(), size, out.data(), n, nullptr, used);
  if (usedDefault) return std::nullopt;
  return out;
}

std::optional<std::string> Convert(UINT to, UINT from, std::string_view in) {
  const std::optional<std::wstring> wide = ToWide(from, in);
  if (!wide) return std::nullopt;
  return FromWide(to, *wide);
}

}  // namespace

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
  return Convert(kGbk, CP_UTF8, utf8);
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
  return Convert(CP_UTF8, kGbk, gbk);
}

}  // namespace ctrlprog
