#include "cli/report_output.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "model/say.h"
#include "report/report_words.h"

namespace ctrlprog {
namespace {

// Text gathered and written in large pieces.
class Out {
 public:
  explicit Out(std::FILE* file) : file_(file) { text_.reserve(kPiece + 4096); }
  ~Out() { Flush(); }
  Out(const Out&) = delete;
  Out& operator=(const Out&) = delete;

  void Put(std::string_view s) { text_.append(s); }
  void Put(char c) { text_.push_back(c); }
  void Number(int64_t n) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    text_.append(digits, end);
  }
  void Spaces(int n) {
    if (n > 0) text_.append(static_cast<size_t>(n), ' ');
  }
  void EndLine() {
    while (!text_.empty() && text_.back() == ' ') text_.pop_back();
    text_.push_back('\n');
    if (text_.size() >= kPiece) Flush();
  }
  void Flush() {
    std::fwrite(text_.data(), 1, text_.size(), file_);
    text_.clear();
  }

 private:
  static constexpr size_t kPiece = size_t{1} << 16;
  std::FILE* file_;
  std::string text_;
};

// Each distinct value put into words once.
template <typename Key, typename Value = std::string, typename Map = std::unordered_map<Key, Value>>
class Words {
 public:
  // Lines in a row share their hour, station and port: the last value is asked first.
  template <typename Make>
  const Value& Of(const Key& key, Make make) {
    if (last_ && last_->first == key) return last_->second;
    auto it = words_.find(key);
    if (it == words_.end()) it = words_.emplace(key, make()).first;
    last_ = &*it;
    return it->second;
  }

 private:
  Map words_;
  const typename Map::value_type* last_ = nullptr;
};

// Fractions (part, whole) put into words, in order of their key.
using FractionWords = Words<std::pair<int64_t, int64_t>, std::string,
                            std::map<std::pair<int64_t, int64_t>, std::string>>;

int Digits(int64_t n) {
  char digits[24];
  return static_cast<int>(std::to_chars(digits, digits + sizeof digits, n).ptr - digits);
}

const char* ScopeName(ReportLine::Scope scope) {
  return scope == ReportLine::Scope::Total  ? "total"
         : scope == ReportLine::Scope::Port ? "port"
                                            : "station";
}

}  // namespace

void PrintReportJson(const LineTally& tally, bool utc, std::FILE* file) {
  Out out(file);
  Words<std::string> quoted;
  FractionWords fractions;
  const auto text = [&](const std::string& s) -> const std::string& {
    static const std::string null = "null";
    if (s.empty()) return null;
    return quoted.Of(s, [&s] {
      return nlohmann::json(s).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    });
  };
  const auto fraction = [&](int64_t part, int64_t whole, bool nullWhenNone) -> const std::string& {
    static const std::string null = "null";
    if (whole == 0 && nullWhenNone) return null;
    return fractions.Of({part, whole}, [part, whole] {
      return nlohmann::json(whole ? static_cast<double>(part) / static_cast<double>(whole) : 0.0)
          .dump();
    });
  };
  Words<int64_t> hours;  // an hour's name follows from when it began
  tally.EachLine(utc, [&](const ReportLine& l) {
    const ResultCounts& c = l.counts;
    out.Put("{\"scope\":\"");
    out.Put(ScopeName(l.scope));
    out.Put("\",\"hour\":");
    out.Put(l.hour.empty() ? text(l.hour) : hours.Of(l.hourMs, [&] { return text(l.hour); }));
    out.Put(",\"station\":");
    out.Put(text(l.station));
    out.Put(",\"port\":");
    out.Put(text(l.port));
    const std::pair<const char*, int64_t> counts[] = {{",\"attempts\":", c.Attempts()},
                                                      {",\"passes\":", c.passes},
                                                      {",\"fails\":", c.fails},
                                                      {",\"unconfirmed\":", c.unconfirmed},
                                                      {",\"lost\":", c.lost}};
    for (const auto& [name, n] : counts) {
      out.Put(name);
      out.Number(n);
    }
    out.Put(",\"yield\":");
    out.Put(fraction(c.passes, c.Attempts(), false));
    out.Put(",\"boards\":");
    out.Number(c.Boards());
    out.Put(",\"scanned\":");
    out.Number(c.named);
    out.Put(",\"first_pass\":");
    out.Number(c.firstPass);
    out.Put(",\"first_pass_yield\":");
    out.Put(fraction(c.firstPass, c.named, true));
    if (l.scope == ReportLine::Scope::Total) {
      out.Put(",\"passed_more_than_once\":");
      out.Number(l.passedMoreThanOnce);
    }
    out.Put('}');
    out.EndLine();
  });
}

namespace {

// The table's cells: a word, or else a number (put into words only as it is written); each
// column as wide as its widest cell, the heading's included.
class Table {
 public:
  static constexpr size_t kColumns = 13, kFirstNumber = 3;  // numbers are right-aligned
  struct Cell {
    const std::string* word = nullptr;
    int64_t number = 0;
    int width = -1;  // of the word, where known
  };
  using Row = std::array<Cell, kColumns>;

  explicit Table(bool utc)
      : heading_{utc ? Say("hour (UTC)") : Say("hour (local time)"),
                 Say("station"),
                 Say("port"),
                 Say("attempts"),
                 Say("passed"),
                 Say("failed"),
                 Say("unconf."),
                 Say("lost"),
                 Say("yield"),
                 Say("boards"),
                 Say("scanned"),
                 Say("1st pass"),
                 Say("fpy")},
        total_(Say("total")) {
    for (size_t i = 0; i < kColumns; ++i) head_[i].word = &heading_[i];
    for (size_t i = 0; i < kColumns; ++i) widths_[i] = Width(head_[i], i);
  }

  const Row& Head() const { return head_; }
  Row RowOf(const ReportLine& l) {
    const ResultCounts& c = l.counts;
    Row row;
    if (l.scope == ReportLine::Scope::Total) {
      row[0].word = &total_;
    } else {
      // An hour's name follows from when it began: asked by that number, not by its text.
      const Said& hour = hours_.Of(l.hourMs, [&l] {
        Said said{TimeSaid(l.hour), 0};
        said.width = DisplayWidth(said.text);
        return said;
      });
      row[0].word = &hour.text;
      row[0].width = hour.width;
    }
    row[1].word = &l.station;
    row[2].word = l.scope == ReportLine::Scope::Port
                      ? &ports_.Of(l.port, [&l] { return "  " + l.port; })
                      : &none_;
    const int64_t numbers[] = {c.Attempts(), c.passes, c.fails, c.unconfirmed, c.lost};
    for (size_t i = 0; i < std::size(numbers); ++i) row[3 + i].number = numbers[i];
    row[8].word = Percent(c.passes, c.Attempts());
    row[9].number = c.Boards();
    row[10].number = c.named;
    if (c.named) {
      row[11].number = c.firstPass;
    } else {
      row[11].word = &dash_;
    }
    row[12].word = Percent(c.firstPass, c.named);
    return row;
  }
  void Widen(const Row& row) {
    for (size_t i = 0; i < kColumns; ++i) widths_[i] = std::max(widths_[i], Width(row[i], i));
  }
  void Write(const Row& row, Out& out) {
    for (size_t i = 0; i < kColumns; ++i) {
      if (i > 0) out.Put(' ');
      const int pad = widths_[i] - Width(row[i], i);
      if (i >= kFirstNumber) out.Spaces(pad);
      if (row[i].word) {
        out.Put(*row[i].word);
      } else {
        out.Number(row[i].number);
      }
      if (i < kFirstNumber) out.Spaces(pad);
    }
    out.EndLine();
  }

 private:
  int Width(const Cell& cell, size_t column) {
    if (!cell.word) return Digits(cell.number);
    if (cell.width >= 0) return cell.width;
    return widthOf_[column].Of(*cell.word, [&cell] { return DisplayWidth(*cell.word); });
  }
  const std::string* Percent(int64_t part, int64_t whole) {
    return &percents_.Of({part, whole}, [part, whole] { return PercentText(part, whole); });
  }

  const std::string heading_[kColumns];
  const std::string total_, none_, dash_ = "-";
  Row head_;
  int widths_[kColumns] = {};
  struct Said {
    std::string text;
    int width;
  };
  Words<int64_t, Said> hours_;
  Words<std::string> ports_;
  FractionWords percents_;
  std::array<Words<std::string, int>, kColumns> widthOf_;  // each column's words' widths
};

// What the total line leaves to be said under the table.
void NoteTotal(const ReportLine& total, std::vector<std::string>& notes) {
  const ResultCounts& c = total.counts;
  // Boards without a serial cannot be told apart, so their first attempts are unknown.
  if (c.unnamed > 0) {
    notes.push_back(
        Say("first-pass yield is over the %1 scanned boards of %2 only; the %3 "
            "results without a serial are not in it",
            {std::to_string(c.named), std::to_string(c.Boards()), std::to_string(c.unnamed)}));
  }
  if (total.passedMoreThanOnce > 0) {
    notes.push_back(Say("%1 scanned boards passed more than once (trace SERIAL shows where)",
                        {std::to_string(total.passedMoreThanOnce)}));
  }
}

}  // namespace

void PrintReportTable(const LineTally& tally, bool utc, std::FILE* file) {
  Table table(utc);
  tally.EachLine(utc, [&table](const ReportLine& l) { table.Widen(table.RowOf(l)); });
  Out out(file);
  table.Write(table.Head(), out);
  std::vector<std::string> notes;
  tally.EachLine(utc, [&](const ReportLine& l) {
    table.Write(table.RowOf(l), out);
    if (l.scope == ReportLine::Scope::Total) NoteTotal(l, notes);
  });
  for (const std::string& note : notes) {
    out.Put(note);
    out.EndLine();
  }
}

}  // namespace ctrlprog
