#include <fcntl.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cli/encode_command.h"
#include "cli/program_command.h"
#include "files/file_system.h"
#include "front/argument_bytes.h"
#include "front/translations.h"
#include "linedb/journal.h"
#include "model/say.h"
#include "model/utf8.h"
#include "scan/serial_check.h"
#include "station/station_sinks.h"
#include "station/unit_scanning.h"

namespace {

constexpr const char* kUsage =
    "usage: ctrlprog-cli encode FILE\n"
    "       ctrlprog-cli program --port PORT [--port PORT ...] --file FILE [--count N]\n"
    "                            [--timeout SECONDS] [--json] [--record CSV] [--line-db URI]\n"
    "                            [--station NAME] [--scan [--serial-pattern REGEX] [--rework]\n"
    "                             [--line-optional]] [--record-rotate daily|monthly]\n"
    "       ctrlprog-cli ports [--json]\n"
    "       ctrlprog-cli forward --line-db URI [--record CSV]\n"
    "       ctrlprog-cli report (--line-db URI | --record CSV) [--since TIME] [--until TIME]\n"
    "                           [--utc] [--json | --html FILE]\n"
    "       ctrlprog-cli trace SERIAL (--line-db URI | --record CSV) [--json]\n"
    "       ctrlprog-cli --help | --version\n";

constexpr const char* kHelp =
    "ctrlprog-cli: the console face of ctrlprog, on the same logic as its window.\n"
    "\n"
    "  encode FILE\n"
    "      Load the parameter file FILE as the window's \"OpenFile\" does, and print its\n"
    "      26-byte frame as hexadecimal on one line.\n"
    "\n"
    "  program --port PORT [--port PORT ...] --file FILE [--count N] [--timeout SECONDS] [--json] "
    "[--record CSV]\n"
    "      Load FILE, put PORT in the port box and press \"Start Transmit\": poll the device,\n"
    "      send the frame, wait for the acknowledgement, and go on with the next board. Each\n"
    "      --port gets a link of its own, all in this one process. Each log line is printed\n"
    "      as \"HH:MM:SS.mmm text\", or \"HH:MM:SS.mmm PORT text\" with several ports. PORT is a\n"
    "      port number (1 is the first serial port, /dev/ttyS0) or a device path such as\n"
    "      /dev/ttyUSB0. A port that cannot be opened is reported and left out. After N\n"
    "      \"Transmit Finished\" lines on a port it presses \"Stop Transmit\" there; the run ends\n"
    "      when every port has its N, after SECONDS (at most 2000000), or on SIGINT, SIGTERM\n"
    "      or SIGHUP. At the end one summary line per port goes to stderr:\n"
    "      \"PORT: N programmed, M failed, K lost in S s\".\n"
    "      --json     print one JSON object per line instead: time, port, event (started,\n"
    "                 finished, fail, unconfirmed, lost, restored, closed, refused,\n"
    "                 record_failed, summary), text; refused also has reason; a summary\n"
    "                 has programmed, failed, lost and seconds\n"
    "      --record   append a row per board and per lost or restored line to the CSV file;\n"
    "                 once a row cannot be written, every port stops before its next frame\n"
    "      --record-rotate  daily or monthly: a new file of the record each period,\n"
    "                 RECORD-YYYY-MM-DD.csv or RECORD-YYYY-MM.csv beside RECORD.csv; one\n"
    "                 index (RECORD.csv.index) keeps every board's history over them\n"
    "\n"
    "      --line-db  forward every row of the record to the line's PostgreSQL database URI\n"
    "                 (a libpq URI or keyword string; passwords from ~/.pgpass or PGPASSWORD,\n"
    "                 never the command line); without --record the record is\n"
    "                 $XDG_STATE_HOME/ctrlprog/record.csv. A server that cannot be reached\n"
    "                 holds nothing up: rows wait (\"line record: N rows waiting\")\n"
    "      --station  this station's name in the record (default: the host name)\n"
    "      --scan     no scan, no board: serials on standard input, one a line (\"SERIAL\",\n"
    "                 or \"PORT SERIAL\" with several ports, PORT as given or its place, 1\n"
    "                 first); a port polls only while it holds a serial without a result;\n"
    "                 rows and JSON results carry serial and attempt; the run ends at the\n"
    "                 end of input once every board has its result. A board that passed in\n"
    "                 the record is refused (scan_refused) unless --rework is given\n"
    "      --serial-pattern  a serial must match REGEX whole\n"
    "      --line-optional  with --scan and --line-db: while the line database cannot\n"
    "                 answer for a board, check it against this station's record alone and\n"
    "                 name that check in its rows (\"record\"); without it such a board is\n"
    "                 held, and asked for again, until the line database answers\n"
    "\n"
    "  forward --line-db URI [--record CSV]\n"
    "      Send the record's rows the line database does not have yet, then end.\n"
    "\n"
    "  report (--line-db URI | --record CSV) [--since TIME] [--until TIME] [--utc]\n"
    "         [--json | --html FILE]\n"
    "      Per station and hour, then each of its ports that hour, then the total: attempts,\n"
    "      passed, failed, unconfirmed and lost apart, yield, boards, and for scanned boards\n"
    "      those that passed at their first attempt (first-pass yield). Hours in local time,\n"
    "      or in UTC with --utc. As a table, one JSON object per line, or with --html one\n"
    "      self-contained page with charts of boards per hour and first-pass yield. TIME as\n"
    "      the record writes it, or 2026-12-07T13:00Z.\n"
    "\n"
    "  trace SERIAL (--line-db URI | --record CSV) [--json]\n"
    "      Every row naming the scanned board SERIAL, in time order: time, station, port,\n"
    "      result, attempt, frame and file. Exit 1 when no row names it.\n"
    "\n"
    "  ports [--json]\n"
    "      List the serial ports the system detects: each device, its stable\n"
    "      /dev/serial/by-id/... path where there is one, then its description, manufacturer,\n"
    "      serial number and USB VID:PID as far as they are known. --json prints one JSON\n"
    "      object per port (device, by_id, description, manufacturer, serial_number, vid, pid).\n"
    "\n"
    "Exit status: 0 done; 1 a port could not be opened (reason on stderr); 2 the file cannot\n"
    "be read, holds a refused field or does not fill all sixteen parameters, or the record\n"
    "cannot be opened (reason on stderr); 3 --timeout passed before N boards; 74 the output\n"
    "or the record could not be written; 130/143/129 stopped by SIGINT/SIGTERM/SIGHUP; 64 usage "
    "error.\n";

// A usage error: what was wrong, then the usage.
QString Tr(const char* text) {
  return QCoreApplication::translate("ctrlprog-cli", text);
}

int Usage(const QString& why) {
  std::fprintf(stderr, "ctrlprog-cli: %s\n%s", why.toUtf8().constData(), kUsage);
  return ctrlprog::kExitUsage;
}

// Whether what went to stdout got there; a lost line is exit 74 with the reason.
int Flushed(const std::string& what) {
  // A write that failed while the buffer filled left its reason in errno.
  const int earlier = std::ferror(stdout) ? errno : 0;
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return ctrlprog::kExitOk;
  const int error = errno != 0 ? errno : earlier != 0 ? earlier : EIO;
  const std::string said =
      ctrlprog::Say("cannot write %1 to standard output: %2",
                    {what, ctrlprog::Describe(ctrlprog::FileErrorFromSystem(error))});
  std::fprintf(stderr, "ctrlprog-cli: %s\n", said.c_str());
  return ctrlprog::kExitOutputFailed;
}

int Help() {
  errno = 0;
  std::fputs(kHelp, stdout);
  return Flushed(ctrlprog::Say("the help"));
}

int Version() {
  std::fputs("ctrlprog-cli " CTRLPROG_VERSION "\n", stdout);
  return Flushed(ctrlprog::Say("the version"));
}

// A number as the C locale writes it, whatever the user's locale says.
std::optional<double> Number(const QString& text) {
  const std::string s = text.toStdString();
  double v = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || error != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

// Whether a command-line argument may be a part of a line database address, which may hold a
// password (an address typed without quotes falls apart into several arguments): such an
// argument is never printed back.
bool MayHoldSecret(const QString& arg) {
  return arg.contains('=') || arg.contains('@') || arg.contains("://") ||
         arg.contains("password", Qt::CaseInsensitive);
}

// Why the arguments do not parse, without printing back one that may hold a password.
QString ParseError(const QCommandLineParser& parser, const QStringList& args) {
  QString error = parser.errorText();
  for (const QString& arg : args) {
    if (!MayHoldSecret(arg)) continue;
    // Qt spells out a single-dash argument letter by letter.
    bool shown = arg.startsWith('-') && !arg.startsWith("--");
    for (const QString& part : arg.split('='))
      shown = shown || (part.size() > 2 && error.contains(part));
    if (shown) return Tr("an argument does not parse (not shown, as it may hold a password)");
  }
  return error;
}

// The options of each command; --help on any of them prints the whole help.
struct Parsed {
  std::optional<int> exit;  // set when parsing ended the run (help, or a usage error)
};

Parsed Parse(QCommandLineParser& parser, const QStringList& args, qsizetype positional,
             const QString& missing = {}) {
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
  parser.addOption({{"h", "help"}, "Print the help."});
  if (!parser.parse(args)) return {Usage(ParseError(parser, args))};
  if (parser.isSet("help")) return {Help()};
  const QStringList rest = parser.positionalArguments();
  if (rest.size() > positional) {
    // An address given as --line-db= ADDRESS or without quotes leaves parts of it here.
    if (MayHoldSecret(rest[positional])) {
      return {
          Usage(Tr("unexpected argument (not shown, as it may hold a password; an address "
                   "with spaces goes in quotes)"))};
    }
    return {Usage(Tr("unexpected argument '%1'").arg(rest[positional]))};
  }
  // optionNames(): the options given, so only commands that take --line-db get here.
  if (parser.optionNames().contains("line-db") && parser.value("line-db").isEmpty()) {
    return {Usage(Tr("--line-db needs an address"))};
  }
  if (rest.size() < positional) {
    return {Usage(missing.isEmpty() ? Tr("%1 needs a FILE").arg(args[0]) : missing)};
  }
  return {};
}

int Trace(const QStringList& args) {
  QCommandLineParser parser;
  parser.addOption({"record", "", "CSV"});
  parser.addOption({"line-db", "", "URI"});
  parser.addOption({"json", ""});
  if (const Parsed p = Parse(parser, args, 1, Tr("trace needs the SERIAL of a board")); p.exit) {
    return *p.exit;
  }
  ctrlprog::TraceOptions o;
  o.serial = ctrlprog::ArgumentBytes(parser.positionalArguments()[0]);
  if (parser.isSet("line-db")) o.lineDb = parser.value("line-db").toStdString();
  if (parser.isSet("record")) o.record = ctrlprog::ArgumentBytes(parser.value("record"));
  o.json = parser.isSet("json");
  ctrlprog::TranslateMessages(!o.json);
  if (o.lineDb.has_value() == o.record.has_value()) {
    return Usage(Tr("trace needs one of --line-db URI and --record FILE"));
  }
  const int status = ctrlprog::RunTrace(o);
  const int flushed = Flushed(ctrlprog::Say("the trace"));
  return status != ctrlprog::kExitOk ? status : flushed;
}

// The scanning options of `program` into `o`; the exit code of a usage error, or nothing.
std::optional<int> ScanOptions(const QCommandLineParser& parser, ctrlprog::ProgramOptions& o) {
  o.scan = parser.isSet("scan");
  o.rework = parser.isSet("rework");
  o.lineOptional = parser.isSet("line-optional");
  if (parser.isSet("serial-pattern")) {
    o.serialPattern = parser.value("serial-pattern").toStdString();
    if (ctrlprog::UnitScanning::PatternProblem(*o.serialPattern)) {
      return Usage(Tr("--serial-pattern takes a regular expression, not '%1'")
                       .arg(parser.value("serial-pattern")));
    }
  }
  if ((o.rework || o.serialPattern) && !o.scan) {
    return Usage(Tr("--rework and --serial-pattern need --scan"));
  }
  if (o.lineOptional && (!o.scan || !o.lineDb)) {
    return Usage(Tr("--line-optional needs --scan and --line-db"));
  }
  if (const auto refusal = o.scan && o.record
                               ? ctrlprog::ScannedRecordRefusal(*o.record, o.lineOptional)
                               : std::nullopt) {
    std::fprintf(stderr, "ctrlprog-cli: %s\n", refusal->c_str());
    return ctrlprog::kExitUsage;
  }
  return std::nullopt;
}

int Program(const QStringList& args) {
  QCommandLineParser parser;
  parser.addOption({"port", "", "PORT"});
  parser.addOption({"file", "", "FILE"});
  parser.addOption({"count", "", "N"});
  parser.addOption({"timeout", "", "SECONDS"});
  parser.addOption({"json", ""});
  parser.addOption({"record", "", "CSV"});
  parser.addOption({"line-db", "", "URI"});
  parser.addOption({"station", "", "NAME"});
  parser.addOption({"scan", ""});
  parser.addOption({"serial-pattern", "", "REGEX"});
  parser.addOption({"rework", ""});
  parser.addOption({"line-optional", ""});
  parser.addOption({"record-rotate", "", "PERIOD"});
  if (const Parsed p = Parse(parser, args, 0); p.exit) return *p.exit;

  ctrlprog::ProgramOptions o;
  for (const QString& port : parser.values("port"))
    o.ports.push_back(ctrlprog::ArgumentBytes(port));
  if (o.ports.empty()) return Usage(Tr("program needs at least one --port PORT"));
  o.json = parser.isSet("json");
  // A person reads the text output in the system's language; JSON stays as a script reads it.
  ctrlprog::TranslateMessages(!o.json);
  if (parser.isSet("record")) o.record = ctrlprog::ArgumentBytes(parser.value("record"));
  if (parser.isSet("line-db")) o.lineDb = parser.value("line-db").toStdString();
  if (parser.isSet("record-rotate")) {
    const auto rotation = ctrlprog::RotationNamed(parser.value("record-rotate").toStdString());
    if (!rotation || !o.record)
      return Usage("--record-rotate takes daily or monthly, with --record");
    o.rotation = *rotation;
  }
  if (parser.isSet("station")) {
    o.station = parser.value("station").toStdString();
    if (o.station->empty() || o.station->size() > ctrlprog::kMaxStationBytes) {
      return Usage(Tr("--station takes a name of 1 to %1 bytes").arg(ctrlprog::kMaxStationBytes));
    }
  }
  if (parser.isSet("count")) {
    const auto n = Number(parser.value("count"));
    if (!n || *n < 1 || *n > 1e9 || *n != static_cast<double>(static_cast<long>(*n))) {
      return Usage(Tr("--count takes a whole number of boards from 1 up, not '%1'")
                       .arg(parser.value("count")));
    }
    o.count = static_cast<long>(*n);
  }
  if (parser.isSet("timeout")) {
    const auto t = Number(parser.value("timeout"));
    if (!t || !(*t > 0) || *t > ctrlprog::kMaxTimeoutSeconds) {
      return Usage(Tr("--timeout takes seconds above 0, at most 2000000 seconds (about 23 days), "
                      "not '%1'")
                       .arg(parser.value("timeout")));
    }
    o.timeoutSec = t;
  }
  if (!parser.isSet("file")) return Usage(Tr("program needs --file FILE"));
  o.file = ctrlprog::ArgumentBytes(parser.value("file"));
  if (const auto exit = ScanOptions(parser, o)) return *exit;
  return ctrlprog::RunProgram(o);
}

// Keeps descriptors 0..2 taken, so that nothing opened later (a port, Qt's own pipes) lands on
// one and receives what is meant for the terminal. Returns whether stdout was closed.
bool GuardStandardDescriptors() {
  bool stdoutClosed = false;
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (fd == 1) stdoutClosed = true;
    const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != fd) {
      ::dup2(null, fd);
      ::close(null);
    }
  }
  return stdoutClosed;
}

}  // namespace

int main(int argc, char** argv) {
  if (GuardStandardDescriptors()) {
    std::fprintf(stderr, "ctrlprog-cli: %s\n", ctrlprog::Say("standard output is closed").c_str());
    return ctrlprog::kExitOutputFailed;
  }
  ctrlprog::KeepArgumentBytes(argc, argv);
  QCoreApplication app(argc, argv);
  // Qt took the user's locale for the C library; numbers and system messages in what we print
  // stay as the C locale has them, so scripts read the same output everywhere.
  std::setlocale(LC_NUMERIC, "C");
  std::setlocale(LC_MESSAGES, "C");
  // Usage errors and the text output in the system's language; the reasons Qt gives for a
  // refused port stay English, as the JSON carries them too.
  ctrlprog::InstallTranslations(QLocale(), false);
  QCoreApplication::setApplicationName("ctrlprog-cli");
  QCoreApplication::setApplicationVersion(CTRLPROG_VERSION);
  const QStringList all = QCoreApplication::arguments();
  if (all.size() < 2) return Usage(Tr("a command is missing"));
  const QString& command = all[1];
  if (command == "--help" || command == "-h") return Help();
  if (command == "--version") return Version();
  // Each command's arguments, parsed as if the command were the program.
  const QStringList args = QStringList{command} + all.mid(2);

  if (command == "encode") {
    QCommandLineParser parser;
    if (const Parsed p = Parse(parser, args, 1); p.exit) return *p.exit;
    const int status = ctrlprog::RunEncode(parser.positionalArguments()[0].toStdString());
    const int flushed = Flushed(ctrlprog::Say("the frame"));
    return status != ctrlprog::kExitOk ? status : flushed;
  }
  if (command == "ports") {
    QCommandLineParser parser;
    parser.addOption({"json", ""});
    if (const Parsed p = Parse(parser, args, 0); p.exit) return *p.exit;
    return ctrlprog::RunPorts(parser.isSet("json"));
  }
  if (command == "program") return Program(args);
  if (command == "forward") {
    QCommandLineParser parser;
    parser.addOption({"record", "", "CSV"});
    parser.addOption({"line-db", "", "URI"});
    if (const Parsed p = Parse(parser, args, 0); p.exit) return *p.exit;
    if (!parser.isSet("line-db")) return Usage(Tr("forward needs --line-db URI"));
    const std::string journal = parser.isSet("record")
                                    ? ctrlprog::ArgumentBytes(parser.value("record"))
                                    : ctrlprog::StationSinks::DefaultJournal();
    ctrlprog::TranslateMessages(true);  // forward prints only lines for a person
    return ctrlprog::RunForward(journal, parser.value("line-db").toStdString());
  }
  if (command == "trace") return Trace(args);
  if (command == "report") {
    QCommandLineParser parser;
    for (const char* name : {"record", "line-db", "since", "until", "html"})
      parser.addOption({name, "", "VALUE"});
    parser.addOption({"json", ""});
    parser.addOption({"utc", ""});
    if (const Parsed p = Parse(parser, args, 0); p.exit) return *p.exit;
    ctrlprog::ReportOptions o;
    if (parser.isSet("line-db")) o.lineDb = parser.value("line-db").toStdString();
    if (parser.isSet("record")) o.record = ctrlprog::ArgumentBytes(parser.value("record"));
    if (parser.isSet("since")) o.since = parser.value("since").toStdString();
    if (parser.isSet("until")) o.until = parser.value("until").toStdString();
    if (parser.isSet("html")) o.html = ctrlprog::ArgumentBytes(parser.value("html"));
    o.json = parser.isSet("json");
    o.utc = parser.isSet("utc");
    if (o.json && o.html) return Usage(Tr("report takes one of --json and --html FILE"));
    // A person reads the text output in the system's language; JSON stays as a script reads it.
    ctrlprog::TranslateMessages(!o.json);
    if (o.lineDb.has_value() == o.record.has_value()) {
      return Usage(Tr("report needs one of --line-db URI and --record FILE"));
    }
    const int status = ctrlprog::RunReport(o);
    const int flushed = Flushed(ctrlprog::Say("the report"));
    return status != ctrlprog::kExitOk ? status : flushed;
  }
  return Usage(Tr("unknown command '%1'").arg(command));
}
