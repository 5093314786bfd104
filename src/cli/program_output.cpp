#include "cli/program_output.h"

#include <QTime>
#include <cerrno>
#include <cstdio>

#include "files/production_record.h"
#include "link/tally.h"
#include "model/json.h"

namespace ctrlprog {
namespace {

const char* EventName(LinkEventKind kind) {
  switch (kind) {
    case LinkEventKind::Started:
      return "started";
    case LinkEventKind::Passed:
      return "finished";
    case LinkEventKind::Failed:
      return "fail";
    case LinkEventKind::Lost:
      return "lost";
    case LinkEventKind::Restored:
      return "restored";
    case LinkEventKind::Closed:
      break;
  }
  return "closed";
}

}  // namespace

void ProgramOutput::Write(const std::string& line) {
  if (error_) return;
  errno = 0;
  const size_t written = std::fwrite(line.data(), 1, line.size(), stdout);
  const int flushed = std::fflush(stdout);
  if (written == line.size() && flushed == 0 && !std::ferror(stdout)) return;
  error_ = errno != 0 ? errno : EIO;
}

void ProgramOutput::LogLine(const std::string& port, std::string_view line) {
  if (json_) return;
  std::string out = QTime::currentTime().toString("HH:mm:ss.zzz").toStdString() + " ";
  if (showPort_) out += port + " ";
  out += line;
  Write(out + "\n");
}

void ProgramOutput::Event(const std::string& port, const LinkEvent& event) {
  if (!json_) return;
  Write("{\"time\":" + JsonString(RecordTime(event.time)) + ",\"port\":" + JsonString(port) +
        ",\"event\":\"" + EventName(event.kind) +
        "\",\"text\":" + JsonString(LogLineOf(event.kind)) + "}\n");
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
  std::fprintf(stderr, "%s: %ld programmed, %ld failed, %ld lost in %s s\n", port.c_str(),
               tally.Programmed(), tally.Failed(), tally.LinesLost(), secs);
}

}  // namespace ctrlprog
