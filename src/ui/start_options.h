#pragma once

#include <QCommandLineOption>
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

class QCommandLineParser;

namespace ctrlprog {

// The window's options, on the command line or from a station's configuration file.
struct StartOptions {
  QCommandLineOption port{"port",
                          "Put TEXT in the port box instead of \"1\". Given more than once, the "
                          "window shows a fixture: one tile a port, all run by one Start.",
                          "TEXT"};
  QCommandLineOption load{"load", "Load the parameter file FILE at start-up.", "FILE"};
  QCommandLineOption record{
      "record",
      "Append a row for every board programmed or failed, and every lost or restored line, to "
      "the CSV file FILE.",
      "FILE"};
  QCommandLineOption lineDb{
      "line-db",
      "Forward every row of the record to the line's PostgreSQL database URI (a libpq URI or "
      "keyword string; passwords from ~/.pgpass or PGPASSWORD). Without --record the record is "
      "$XDG_STATE_HOME/ctrlprog/record.csv.",
      "URI"};
  QCommandLineOption station{"station",
                             "This station's name in the record (default: the host name).", "NAME"};
  QCommandLineOption lock{"lock",
                          "A locked station, for a line PC: the parameter lists, the port box, "
                          "OpenFile, StoreFile and conceal stay disabled; Start, Stop and Reset "
                          "work. Needs --load FILE."};
  QCommandLineOption start{"start",
                           "Press \"Start Transmit\" once the window is up, for a station that "
                           "boots into the tool."};
  QCommandLineOption scan{"scan",
                          "No scan, no board: a \"Serial\" box (each tile's, in a fixture) takes "
                          "a scanner's line; a port polls only while it holds a serial without a "
                          "result. A board that passed in the record or on the line database is "
                          "refused unless --rework is given."};
  QCommandLineOption serialPattern{"serial-pattern",
                                   "With --scan: a serial must match REGEX whole.", "REGEX"};
  QCommandLineOption rework{"rework",
                            "With --scan: a board that passed may be programmed again, its "
                            "attempts counted on."};
  QCommandLineOption lineOptional{
      "line-optional",
      "With --scan and --line-db: while the line database cannot answer for a board, this "
      "station's record alone checks it, and its rows say so (\"record\"); without it such a "
      "board is held until the line database answers."};
  QCommandLineOption recordRotate{
      "record-rotate",
      "Begin a new record file every day or month (daily or monthly): RECORD-YYYY-MM-DD.csv or "
      "RECORD-YYYY-MM.csv beside --record's RECORD.csv, one index over them all.",
      "PERIOD"};
  QCommandLineOption floor{
      "floor",
      "The floor screen: full screen on the monitor it starts on, the parameter panel concealed, "
      "the tiles filling the screen under the parameter set's name and the first 8 digits of its "
      "SHA-256 in large type. A locked station's default."};
  QCommandLineOption noFloor{"no-floor", "A locked station in the window it has without --floor."};
  QCommandLineOption stationConfig{
      "station-config",
      "Start the station FILE configures (an INI file; see the README). Without it, "
      "/etc/ctrlprog/station.ini when that exists. Other options are then not taken.",
      "FILE"};
};

void SetUpParser(QCommandLineParser& parser, const StartOptions& options);

// Where a station's configuration is, when no --station-config is given.
inline constexpr const char* kSystemStationConfig = "/etc/ctrlprog/station.ini";

// Whether the window starts as the floor screen: asked for, or a locked station's default.
bool FloorScreen(const QCommandLineParser& parser, const StartOptions& options);

// What a station's configuration file says, as the window's options.
struct StationConfig {
  QStringList arguments;  // without the program's name
  QString file;           // the parameter file, its path made absolute
  QString sha256;         // what its SHA-256 must be; empty when not named
};
// Reads the INI file at `path`; why it cannot be taken, in the operator's language, if not.
std::variant<StationConfig, QString> ReadStationConfig(const QString& path);

// The SHA-256 of the file at `path` in hexadecimal; empty when it cannot be read.
QString FileSha256(const QString& path);

// Why the parameter file at `path` is not the one a configuration names by `sha256`, or
// cannot be checked; nothing when it is that file.
std::optional<QString> SetChanged(const QString& path, const QString& sha256,
                                  const QString& config);

// Says why the station does not start: on stderr, and in a message box, in the operator's
// language.
void RefuseStart(const QString& text);

// What the window starts with: the command line (`arguments`, with the program's name first), or
// the configuration file that applies (--station-config FILE, else `systemConfig` when it
// exists). Nothing once a refusal was said: the program ends with status 2.
struct StartPlan {
  QStringList arguments;  // with the program's name first
  QString config;         // the configuration file taken; empty for the command line
  QString sha256;         // the parameter file's SHA-256 it names; empty for none
};
std::optional<StartPlan> PlanStart(const QStringList& arguments, const QString& systemConfig);

}  // namespace ctrlprog
