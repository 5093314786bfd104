#include "cli/program_output.h"

#include <QTime>
#include <cerrno>
#include <cstdio>

#include "files/production_record.h"
#include "link/tally.h"
#include "model/json.h"
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
  std::string out =
      "{\"time\":" + JsonString(RecordTime(event.time)) + ",\"port\":" + JsonString(port) +
      ",\"event\":" + JsonString(traits.jsonName) +
      ",\"text\":" + JsonString(traits.text.empty() ? std::string_view(event.reason) : traits.text);
  if (!traits.text.empty() && !event.reason.empty()) {
    out += ",\"reason\":" + JsonString(event.reason);
  }
  Write(out + "}\n");
}

void ProgramOutput::Summary(const std::string& port, const Tally& tally, double seconds) {
  char secs[32];
  std::snprintf(secs, sizeof secs, "%.1f", seconds);
  if (json_) {
    Write("{\"time\":" + JsonString(RecordTime(Clock::now())) + ",\"port\":" + JsonString(port) +
          ",\"event\":\"summary\",\"programmed\":" + std::to_string(tally.Programmed()) +
          ",\"failed\":" + std::to_string(tally.Failed()) +
          ",\"lost\":" + std::to_string(tally.LinesLost()) + ",\"seconds\":" + secs + "}\n");
    return;
  }
  // Text mode: on stderr, so stdout stays the log.
  std::fprintf(stderr, "%s: %ld programmed, %ld failed, %ld lost in %s s\n",
               EscapeName(port).c_str(), tally.Programmed(), tally.Failed(), tally.LinesLost(),
               secs);
}

}  // namespace ctrlprog
