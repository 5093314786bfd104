#include "files/field_reader.h"

namespace ctrlprog {
namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : s_(text) {}

  bool AtEnd() const { return i_ >= s_.size(); }

  RawField Next() {
    RawField f;
    f.line = line_;
    budget_ = kMaxFieldBytes;
    while (!AtEnd() && s_[i_] == ' ' && Take()) {
    }
    if (!AtEnd() && s_[i_] == '"') {
      Take();
      while (!AtEnd() && s_[i_] != '"' && Keep(f)) {
      }
      if (!AtEnd() && s_[i_] == '"') Take();
      // Whatever stands between the closing quote and the delimiter is dropped.
      while (!AtEnd() && s_[i_] != ',' && !IsLineEnd(s_[i_]) && Take()) {
      }
    } else {
      while (!AtEnd() && s_[i_] != ',' && !IsLineEnd(s_[i_]) && Keep(f)) {
      }
    }
    if (budget_ == 0) {
      f.tooLong = true;
      return f;
    }
    if (!AtEnd() && s_[i_] == ',') {
      ++i_;
    } else {
      EatLineEnd();
    }
    return f;
  }

  // True when only blanks and line ends remain.
  bool OnlyBlankLinesLeft() const {
    for (size_t k = i_; k < s_.size(); ++k) {
      if (s_[k] != ' ' && !IsLineEnd(s_[k])) return false;
    }
    return true;
  }

 private:
  static bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

  // Consumes one byte against the field's budget; false once the budget is spent.
  bool Take() {
    if (budget_ == 0) return false;
    --budget_;
    if (s_[i_] == '\n' || (s_[i_] == '\r' && (i_ + 1 >= s_.size() || s_[i_ + 1] != '\n'))) {
      ++line_;
    }
    ++i_;
    return true;
  }

  bool Keep(RawField& f) {
    const char c = s_[i_];
    if (!Take()) return false;
    f.bytes += c;
    return true;
  }

  void EatLineEnd() {
    if (!AtEnd() && s_[i_] == '\r') {
      ++i_;
      if (!AtEnd() && s_[i_] == '\n') ++i_;
      ++line_;
    } else if (!AtEnd() && s_[i_] == '\n') {
      ++i_;
      ++line_;
    }
  }

  std::string_view s_;
  size_t i_ = 0;
  int line_ = 1;
  size_t budget_ = 0;
};

}  // namespace

std::vector<RawField> ReadFields(std::string_view text, size_t maxFields) {
  std::vector<RawField> fields;
  Reader r(text);
  while (!r.AtEnd() && fields.size() < maxFields) {
    if (r.OnlyBlankLinesLeft()) break;
    fields.push_back(r.Next());
    if (fields.back().tooLong) break;
  }
  return fields;
}

}  // namespace ctrlprog
