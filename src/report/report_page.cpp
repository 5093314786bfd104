#include "report/report_page.h"

#include <algorithm>
#include <map>
#include <set>

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

// "12-07 21:00" of "2026-12-07T21:00+08:00".
std::string ShortHour(const std::string& name) {
  std::string s = name.substr(5, 11);
  std::replace(s.begin(), s.end(), 'T', ' ');
  return s;
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
  std::string svg = "<figure><figcaption>" + HtmlEscaped(station) + ": boards per hour" +
                    "</figcaption><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    Num(axis.Width()) + "\" height=\"" + Num(height) +
                    "\" role=\"img\" aria-label=\"" +
                    HtmlEscaped("Boards per hour at " + station + ", passed and failed") + "\">";
  svg += Frame(axis, top, "");
  for (const ReportLine& l : lines) {
    if (l.scope != ReportLine::Scope::Station || l.station != station) continue;
    const int x = kLeft + axis.Slot() * static_cast<int>(axis.IndexOf(l.hourMs)) + 2;
    const int width = axis.Slot() - 4;
    const int64_t failed = l.counts.fails + l.counts.unconfirmed;
    const std::string when = ShortHour(l.hour) + ", " + station + ": ";
    svg += Bar(x, width, 0, l.counts.passes, top, "pass", when + Num(l.counts.passes) + " passed");
    svg +=
        Bar(x, width, l.counts.passes, failed, top, "fail",
            when + Num(l.counts.fails) + " failed, " + Num(l.counts.unconfirmed) + " unconfirmed");
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
                        PercentText(c.firstPass, c.named) + " of " + Num(c.named) +
                        " boards passed at their first attempt") +
            "</title></circle>";
  }
  if (points.empty()) {
    return "<p class=\"note\">No board was scanned in these hours: first-pass yield needs a "
           "record written with --scan.</p>\n";
  }
  return "<figure><figcaption>First-pass yield per hour, all stations</figcaption><svg "
         "xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
         Num(axis.Width()) + "\" height=\"" + Num(kTop + kPlot + kBottom) +
         "\" role=\"img\" aria-label=\"First-pass yield per hour\">" + Frame(axis, 100, "%") +
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
  std::string hour = l.hour;
  std::replace(hour.begin(), hour.end(), 'T', ' ');
  return std::string("<tr class=\"") + kind + "\">" + Cell(total ? "total" : hour, false) +
         Cell(l.station, false) + Cell(l.scope == ReportLine::Scope::Port ? l.port : "", false) +
         Cell(Num(c.Attempts())) + Cell(Num(c.passes)) + Cell(Num(c.fails)) +
         Cell(Num(c.unconfirmed)) + Cell(Num(c.lost)) + Cell(PercentText(c.passes, c.Attempts())) +
         Cell(Num(c.Boards())) + Cell(c.named ? Num(c.firstPass) : "-") +
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
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src "
      "'unsafe-inline'\"><title>ctrlprog line report</title><style>" +
      std::string(kStyle) + "</style></head><body>\n<h1>Line report</h1>\n<p class=\"meta\">" +
      HtmlEscaped(heading.source) +
      (heading.period.empty() ? "" : ", " + HtmlEscaped(heading.period)) + "<br>Hours in " +
      (heading.utc ? "UTC" : "local time") + "; made " + HtmlEscaped(heading.made) + "</p>\n";
  if (lines.empty())
    return page + "<p class=\"note\">No results in these rows.</p></body></html>\n";
  page +=
      "<h2>Boards per hour</h2><p class=\"legend\"><span class=\"pass\" style=\"background:"
      "#2e7d32\"></span>passed<span class=\"fail\" style=\"background:#c62828\"></span>failed "
      "or unconfirmed</p>\n";
  for (const std::string& station : stations) {
    page += StationChart(station, lines, axis, NiceCeiling(most));
  }
  page += "<h2>First-pass yield</h2>\n" + YieldChart(lines, axis);
  page +=
      "<h2>Table</h2>\n<table><thead><tr><th>Hour</th><th>Station</th><th>Port</th>"
      "<th>Attempts</th><th>Passed</th><th>Failed</th><th>Unconfirmed</th><th>Lost</th>"
      "<th>Yield</th><th>Boards</th><th>First pass</th><th>First-pass yield</th></tr></thead>"
      "<tbody>\n";
  int64_t again = 0;
  for (const ReportLine& l : lines) {
    page += TableRow(l);
    again += l.passedMoreThanOnce;
  }
  page += "</tbody></table>\n";
  if (again > 0) {
    page += "<p>" + std::to_string(again) +
            " scanned boards passed more than once (trace SERIAL shows where)</p>\n";
  }
  return page + "</body></html>\n";
}

}  // namespace ctrlprog
