#include "cli/program_output.h"

#include <QTime>
#include <cerrno>
#include <cstdio>

#include "cli/json_lines.h"
#include "files/production_record.h"
#include "link/tally.h"
#include "model/say.h"
#include "model/utf8.h"

namespace ctrlprog {
void ProgramOutput::Write(const std::string& line) {
  if (error_) return;
  errno = 0;
  const size_t written = std::fwrite(line.data(), 1, line.size(), stdout);
  const int flushed = std::fflush(stdout);
  if (written == line.size() && flushed == 0 && !std::ferror(stdout)) return;
  error_ = errno != 0 ? errno : EIO;
}

void ProgramOutput::Event(const std::string& port, const LinkEvent& event) {
  const EventTraits& traits = TraitsOf(event.kind);
  if (!json_) {
    if (traits.text.empty()) return;  // said on stderr instead
    std::string out = QTime::currentTime().toString("HH:mm:ss.zzz").toStdString() + " ";
    if (showPort_) out += EscapeName(port) + " ";
    out += traits.text;
    Write(out + "\n");
    return;
  }
  Write(EventJson(port, event));
}

void ProgramOutput::LineRecord(int64_t waiting) {
  if (json_) {
    Write(LineRecordJson(waiting));
    return;
  }
  std::fprintf(stderr, "%s\n",
               Say("line record: %1 rows waiting", {std::to_string(waiting)}).c_str());
}

void ProgramOutput::ScanRefused(const std::string& port, const std::string& serial,
                                const std::string& reason) {
  if (json_) {
    Write(ScanJson("scan_refused", port, serial, reason));
    return;
  }
  std::fprintf(
      stderr, "ctrlprog-cli: %s\n",
      Say("%1: serial %2 refused: %3", {EscapeName(port), EscapeName(serial), reason}).c_str());
}

void ProgramOutput::ScanUnchecked(const std::string& port, const std::string& serial) {
  const std::string reason = Say(
      "cannot check %1 with the line database: the board is held, and asked for again, until it "
      "answers",
      {EscapeName(serial)});
  if (json_) {
    Write(ScanJson("scan_unchecked", port, serial, reason));
    return;
  }
  std::fprintf(stderr, "ctrlprog-cli: %s: %s\n", EscapeName(port).c_str(), reason.c_str());
}

void ProgramOutput::Summary(const std::string& port, const Tally& tally, double seconds,
                            const std::optional<LineRecordTotals>& line,
                            const std::optional<BoardCounts>& boards) {
  if (json_) {
    Write(SummaryJson(port, tally, seconds, line, boards));
    return;
  }
  if (boards) {
    std::fprintf(stderr, "%s\n",
                 Say("%1: %2 boards, %3 passed at the first attempt, %4 attempts",
                     {EscapeName(port), std::to_string(boards->boards),
                      std::to_string(boards->firstPass), std::to_string(boards->attempts)})
                     .c_str());
  }
  // Text mode: on stderr, so stdout stays the log.
  std::fprintf(
      stderr, "%s\n",
      Say("%1: %2 programmed, %3 failed, %4 lost in %5 s",
          {EscapeName(port), std::to_string(tally.Programmed()), std::to_string(tally.Failed()),
           std::to_string(tally.LinesLost()), SecondsText(seconds)})
          .c_str());
}

}  // namespace ctrlprog
