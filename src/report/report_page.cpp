#include "report/report_page.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>

#include "model/say.h"
#include "report/report_words.h"

namespace ctrlprog {
namespace {

constexpr int kLeft = 56, kRight = 16, kTop = 14, kPlot = 140, kBottom = 40;

std::string Num(int64_t n) {
  return std::to_string(n);
}

// The smallest of 1, 2, 5 times a power of ten at or above `n`.
int64_t NiceCeiling(int64_t n) {
  for (int64_t power = 1;; power *= 10) {
    for (const int64_t step : {1, 2, 5}) {
      if (step * power >= n) return step * power;
    }
  }
}

// Each hour of the report once, in order, with its name.
struct HourAxis {
  std::vector<int64_t> ms;
  std::vector<std::string> names;
  size_t IndexOf(int64_t hourMs) const {
    return static_cast<size_t>(std::lower_bound(ms.begin(), ms.end(), hourMs) - ms.begin());
  }
  int Slot() const {
    return std::clamp(960 / std::max<int>(1, static_cast<int>(ms.size())), 12, 72);
  }
  int Width() const { return kLeft + Slot() * static_cast<int>(ms.size()) + kRight; }
};

HourAxis AxisOf(const std::vector<ReportLine>& lines) {
  std::map<int64_t, std::string> hours;
  for (const ReportLine& l : lines) {
    if (l.scope == ReportLine::Scope::Station) hours.emplace(l.hourMs, l.hour);
  }
  HourAxis axis;
  for (const auto& [ms, name] : hours) {
    axis.ms.push_back(ms);
    axis.names.push_back(name);
  }
  return axis;
}

// "12-07 21:00" of "2026-12-07T21:00+08:00", as the operator's locale writes it.
std::string ShortHour(const std::string& name) {
  return ShortHourSaid(name);
}

// The hours along the bottom, a label where there is room for one, and the value lines.
std::string Frame(const HourAxis& axis, int64_t top, const std::string& unit) {
  std::string svg;
  const int right = axis.Width() - kRight;
  for (int i = 0; i <= 2; ++i) {
    const int y = kTop + kPlot - kPlot * i / 2;
    svg += "<line class=\"grid\" x1=\"" + Num(kLeft) + "\" x2=\"" + Num(right) + "\" y1=\"" +
           Num(y) + "\" y2=\"" + Num(y) + "\"/><text class=\"tick\" x=\"" + Num(kLeft - 6) +
           "\" y=\"" + Num(y + 4) + "\" text-anchor=\"end\">" + Num(top * i / 2) + unit + "</text>";
  }
  const int every = std::max(1, (84 + axis.Slot() - 1) / axis.Slot());
  for (size_t i = 0; i < axis.ms.size(); i += static_cast<size_t>(every)) {
    const int x = kLeft + axis.Slot() * static_cast<int>(i) + axis.Slot() / 2;
    svg += "<text class=\"tick\" x=\"" + Num(x) + "\" y=\"" + Num(kTop + kPlot + 18) +
           "\" text-anchor=\"middle\">" + HtmlEscaped(ShortHour(axis.names[i])) + "</text>";
  }
  return svg;
}

std::string Bar(int x, int width, int64_t from, int64_t count, int64_t top, const char* kind,
                const std::string& title) {
  if (count <= 0) return {};
  const int64_t y0 = kTop + kPlot - kPlot * from / top;
  const int64_t y1 = kTop + kPlot - kPlot * (from + count) / top;
  return "<rect class=\"" + std::string(kind) + "\" x=\"" + Num(x) + "\" y=\"" + Num(y1) +
         "\" width=\"" + Num(width) + "\" height=\"" + Num(std::max<int64_t>(1, y0 - y1)) +
         "\"><title>" + HtmlEscaped(title) + "</title></rect>";
}

std::string StationChart(const std::string& station, const std::vector<ReportLine>& lines,
                         const HourAxis& axis, int64_t top) {
  const int height = kTop + kPlot + kBottom;
  std::string svg = "<figure><figcaption>" + HtmlEscaped(Say("%1: boards per hour", {station})) +
                    "</figcaption><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    Num(axis.Width()) + "\" height=\"" + Num(height) +
                    "\" role=\"img\" aria-label=\"" +
                    HtmlEscaped(Say("Boards per hour at %1, passed and failed", {station})) + "\">";
  svg += Frame(axis, top, "");
  for (const ReportLine& l : lines) {
    if (l.scope != ReportLine::Scope::Station || l.station != station) continue;
    const int x = kLeft + axis.Slot() * static_cast<int>(axis.IndexOf(l.hourMs)) + 2;
    const int width = axis.Slot() - 4;
    const int64_t failed = l.counts.fails + l.counts.unconfirmed;
    const std::string when = ShortHour(l.hour) + ", " + station + ": ";
    svg += Bar(x, width, 0, l.counts.passes, top, "pass",
               when + Say("%1 passed", {Num(l.counts.passes)}));
    svg += Bar(
        x, width, l.counts.passes, failed, top, "fail",
        when + Say("%1 failed, %2 unconfirmed", {Num(l.counts.fails), Num(l.counts.unconfirmed)}));
  }
  return svg + "</svg></figure>\n";
}

std::string YieldChart(const std::vector<ReportLine>& lines, const HourAxis& axis) {
  std::map<int64_t, ResultCounts> hours;
  for (const ReportLine& l : lines) {
    if (l.scope == ReportLine::Scope::Station) hours[l.hourMs] += l.counts;
  }
  std::string points, dots;
  for (const auto& [ms, c] : hours) {
    if (c.named == 0) continue;
    const int x = kLeft + axis.Slot() * static_cast<int>(axis.IndexOf(ms)) + axis.Slot() / 2;
    const int64_t y = kTop + kPlot - kPlot * c.firstPass / c.named;
    points += Num(x) + "," + Num(y) + " ";
    dots += "<circle class=\"fpy\" cx=\"" + Num(x) + "\" cy=\"" + Num(y) + "\" r=\"4\"><title>" +
            HtmlEscaped(ShortHour(axis.names[axis.IndexOf(ms)]) + ": " +
                        Say("%1 of %2 scanned boards passed at their first attempt",
                            {PercentText(c.firstPass, c.named), Num(c.named)})) +
            "</title></circle>";
  }
  if (points.empty()) {
    return "<p class=\"note\">" +
           HtmlEscaped(Say("No board was scanned in these hours: first-pass yield needs a "
                           "record written with --scan.")) +
           "</p>\n";
  }
  return "<figure><figcaption>" + HtmlEscaped(Say("First-pass yield per hour, all stations")) +
         "</figcaption><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(axis.Width()) +
         "\" height=\"" + Num(kTop + kPlot + kBottom) + "\" role=\"img\" aria-label=\"" +
         HtmlEscaped(Say("First-pass yield per hour")) + "\">" + Frame(axis, 100, "%") +
         "<polyline class=\"fpy\" points=\"" + points + "\"/>" + dots + "</svg></figure>\n";
}

std::string Cell(const std::string& text, bool number = true) {
  return std::string(number ? "<td class=\"n\">" : "<td>") + HtmlEscaped(text) + "</td>";
}

std::string TableRow(const ReportLine& l) {
  const ResultCounts& c = l.counts;
  const char* kind = l.scope == ReportLine::Scope::Total  ? "total"
                     : l.scope == ReportLine::Scope::Port ? "port"
                                                          : "station";
  const bool total = l.scope == ReportLine::Scope::Total;
  std::string hour = TimeSaid(l.hour);
  std::replace(hour.begin(), hour.end(), 'T', ' ');
  return std::string("<tr class=\"") + kind + "\">" + Cell(total ? Say("total") : hour, false) +
         Cell(l.station, false) + Cell(l.scope == ReportLine::Scope::Port ? l.port : "", false) +
         Cell(Num(c.Attempts())) + Cell(Num(c.passes)) + Cell(Num(c.fails)) +
         Cell(Num(c.unconfirmed)) + Cell(Num(c.lost)) + Cell(PercentText(c.passes, c.Attempts())) +
         Cell(Num(c.Boards())) + Cell(Num(c.named)) + Cell(c.named ? Num(c.firstPass) : "-") +
         Cell(PercentText(c.firstPass, c.named)) + "</tr>\n";
}

const char* const kStyle =
    "body{font:15px/1.4 'DejaVu Sans',Arial,sans-serif;color:#1a1a1a;margin:24px}"
    "h1{font-size:22px;margin:0 0 4px}p.meta{color:#444;margin:0 0 16px}"
    "figure{margin:0 0 18px;overflow-x:auto}figcaption{font-weight:bold;margin-bottom:4px}"
    ".pass{fill:#2e7d32}.fail{fill:#c62828}.grid{stroke:#ccc}.tick{font-size:11px;fill:#444}"
    "polyline.fpy{fill:none;stroke:#1565c0;stroke-width:2}circle.fpy{fill:#1565c0}"
    ".legend span{display:inline-block;width:12px;height:12px;margin:0 4px 0 12px;"
    "vertical-align:-1px}table{border-collapse:collapse;margin-top:12px}"
    "th,td{padding:3px 6px;border-bottom:1px solid #ddd;text-align:left;white-space:nowrap}"
    "td.n{text-align:right}"
    "th{background:#f0f0f0}tr.port td{color:#444}tr.port td:nth-child(3){padding-left:20px}"
    "tr.total td{font-weight:bold;border-top:2px solid #666}p.note{color:#444}";

}  // namespace

std::string HtmlEscaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string ReportPage(const std::vector<ReportLine>& lines, const PageHeading& heading) {
  const HourAxis axis = AxisOf(lines);
  std::set<std::string> stations;
  int64_t most = 1;
  for (const ReportLine& l : lines) {
    if (l.scope != ReportLine::Scope::Station) continue;
    stations.insert(l.station);
    most = std::max(most, l.counts.Attempts());
  }
  const auto h2 = [](std::string_view text) {
    return "<h2>" + HtmlEscaped(std::string(text)) + "</h2>\n";
  };
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"" + HtmlEscaped(PageLanguage()) +
      "\"><head><meta charset=\"utf-8\">"
      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src "
      "'unsafe-inline'\"><title>" +
      HtmlEscaped(Say("ctrlprog line report")) + "</title><style>" + std::string(kStyle) +
      "</style></head><body>\n<h1>" + HtmlEscaped(Say("Line report")) +
      "</h1>\n<p class=\"meta\">" + HtmlEscaped(heading.source) +
      (heading.period.empty() ? "" : ", " + HtmlEscaped(heading.period)) + "<br>" +
      HtmlEscaped(heading.utc ? Say("Hours in UTC; made %1", {heading.made})
                              : Say("Hours in local time; made %1", {heading.made})) +
      "</p>\n";
  if (lines.empty()) {
    return page + "<p class=\"note\">" + HtmlEscaped(Say("No results in these rows.")) +
           "</p></body></html>\n";
  }
  page += h2(Say("Boards per hour")) +
          "<p class=\"legend\"><span class=\"pass\" style=\"background:#2e7d32\"></span>" +
          HtmlEscaped(Say("passed")) + "<span class=\"fail\" style=\"background:#c62828\"></span>" +
          HtmlEscaped(Say("failed or unconfirmed")) + "</p>\n";
  for (const std::string& station : stations) {
    page += StationChart(station, lines, axis, NiceCeiling(most));
  }
  page += h2(Say("First-pass yield")) + YieldChart(lines, axis);
  page += h2(Say("Table")) + "<table><thead><tr>";
  for (const std::string& column :
       {Say("Hour"), Say("Station"), Say("Port"), Say("Attempts"), Say("Passed"), Say("Failed"),
        Say("Unconfirmed"), Say("Lost"), Say("Yield"), Say("Boards"), Say("Scanned"),
        Say("First pass"), Say("First-pass yield")}) {
    page += "<th>" + HtmlEscaped(column) + "</th>";
  }
  page += "</tr></thead><tbody>\n";
  int64_t again = 0;
  std::vector<std::string> notes;
  for (const ReportLine& l : lines) {
    page += TableRow(l);
    again += l.passedMoreThanOnce;
    // Boards without a serial cannot be told apart, so their first attempts are unknown.
    if (l.scope == ReportLine::Scope::Total && l.counts.unnamed > 0) {
      notes.push_back(
          Say("first-pass yield is over the %1 scanned boards of %2 only; the %3 "
              "results without a serial are not in it",
              {Num(l.counts.named), Num(l.counts.Boards()), Num(l.counts.unnamed)}));
    }
  }
  page += "</tbody></table>\n";
  if (again > 0) {
    notes.push_back(
        Say("%1 scanned boards passed more than once (trace SERIAL shows where)", {Num(again)}));
  }
  for (const std::string& note : notes) page += "<p>" + HtmlEscaped(note) + "</p>\n";
  return page + "</body></html>\n";
}

}  // namespace ctrlprog
