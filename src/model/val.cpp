#include "model/val.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace ctrlprog {
namespace {

bool IsSkipped(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Walks a text, stepping over the characters Val ignores.
class Cursor {
 public:
  explicit Cursor(std::string_view s) : s_(s) { Skip(); }
  bool AtEnd() const { return i_ >= s_.size(); }
  char Peek() const { return AtEnd() ? '\0' : s_[i_]; }
  void Next() {
    ++i_;
    Skip();
  }
  size_t Position() const { return i_; }
  void Rewind(size_t pos) { i_ = pos; }

 private:
  void Skip() {
    while (i_ < s_.size() && IsSkipped(s_[i_])) ++i_;
  }
  std::string_view s_;
  size_t i_ = 0;
};

int DigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// &H and &O integers wrap the way the runtime types them: a value that fits 16 bits is a
// 16-bit signed integer, one that fits 32 bits a 32-bit signed integer.
double RadixInteger(Cursor& c, int radix) {
  uint64_t v = 0;
  bool overflow = false;
  while (DigitValue(c.Peek()) < radix) {
    v = v * static_cast<uint64_t>(radix) + static_cast<uint64_t>(DigitValue(c.Peek()));
    if (v > 0xFFFFFFFFu) overflow = true;
    c.Next();
  }
  if (overflow) return std::numeric_limits<double>::infinity();
  if (v <= 0xFFFF) return v >= 0x8000 ? static_cast<double>(v) - 65536.0 : static_cast<double>(v);
  return v >= 0x80000000u ? static_cast<double>(v) - 4294967296.0 : static_cast<double>(v);
}

// Digits of the number's integer part, counted from its first non-zero digit; for a number below
// 1, minus the zeros after the point. Saturates far beyond what a double can hold.
long DecimalMagnitude(std::string_view number) {
  if (number.starts_with('-')) number.remove_prefix(1);
  const size_t e = number.find('e');
  const std::string_view mantissa = number.substr(0, e);
  long exponent = 0;
  if (e != std::string_view::npos) {
    std::string_view digits = number.substr(e + 1);
    const bool minus = digits.starts_with('-');
    if (minus || digits.starts_with('+')) digits.remove_prefix(1);
    for (char d : digits) exponent = std::min(exponent * 10 + (d - '0'), 1'000'000L);
    if (minus) exponent = -exponent;
  }
  const size_t point = std::min(mantissa.find('.'), mantissa.size());
  const size_t firstNonZero = mantissa.find_first_not_of("0.");
  if (firstNonZero == std::string_view::npos) return std::numeric_limits<int>::min();  // zero
  long magnitude = 0;
  if (firstNonZero < point) {
    magnitude = static_cast<long>(point - firstNonZero);
  } else {
    magnitude = -static_cast<long>(firstNonZero - point - 1);
  }
  return magnitude + exponent;
}

}  // namespace

double Val(std::string_view text) {
  Cursor c(text);
  if (c.Peek() == '&') {
    const size_t amp = c.Position();
    c.Next();
    const char kind = c.Peek();
    if (kind == 'H' || kind == 'h') {
      c.Next();
      return RadixInteger(c, 16);
    }
    if (kind == 'O' || kind == 'o') {
      c.Next();
      return RadixInteger(c, 8);
    }
    c.Rewind(amp);
    return 0.0;
  }

  // Gather the number's characters without the skipped ones, then convert once.
  std::string number;
  if (c.Peek() == '+' || c.Peek() == '-') {
    if (c.Peek() == '-') number += '-';
    c.Next();
  }
  bool digits = false;
  bool point = false;
  while (IsDigit(c.Peek()) || (c.Peek() == '.' && !point)) {
    if (c.Peek() == '.') {
      point = true;
    } else {
      digits = true;
    }
    number += c.Peek();
    c.Next();
  }
  if (!digits) return 0.0;

  const char e = c.Peek();
  if (e == 'E' || e == 'e' || e == 'D' || e == 'd') {
    std::string exponent = "e";
    c.Next();
    if (c.Peek() == '+' || c.Peek() == '-') {
      exponent += c.Peek();
      c.Next();
    }
    bool expDigits = false;
    while (IsDigit(c.Peek())) {
      exponent += c.Peek();
      expDigits = true;
      c.Next();
    }
    if (expDigits) number += exponent;
  }

  double value = 0.0;
  const char* first = number.data();
  const char* last = number.data() + number.size();
  const bool negative = *first == '-';
  const auto [ptr, ec] = std::from_chars(first, last, value);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    // Either far too large or far too small: a number below 1 in magnitude rounds to zero.
    if (DecimalMagnitude(number) <= 0) return negative ? -0.0 : 0.0;
    return negative ? -std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::infinity();
  }
  return value;
}

double RoundHalfEven(double x) {
  if (!std::isfinite(x)) return x;
  const double lower = std::floor(x);
  const double diff = x - lower;
  if (diff > 0.5) return lower + 1.0;
  if (diff < 0.5) return lower;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

}  // namespace ctrlprog
