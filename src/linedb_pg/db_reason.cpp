// One sentence for each reason the line database fails, chosen by code.
#include "linedb_pg/db_reason.h"

#include "model/say.h"

namespace ctrlprog {

namespace {

// The reasons the server's SQLSTATE gives; empty for our own.
std::string ServerReasonText(DbReason reason, std::initializer_list<std::string_view> args) {
  switch (reason) {
    using enum DbReason;
    case WrongPassword:
      return Say("the line database refused this station: its user name or password is wrong",
                 args);
    case NotLetIn:
      return Say(
          "the line database refused this station: the server lets this user in from nowhere "
          "this station connects from, or knows no such user",
          args);
    case NoDatabase:
      return Say(
          "the line database refused this station: the server holds no database of the "
          "name the address gives",
          args);
    case NoReadRights:
      return Say(
          "the line database refused to be read: its user lacks a right it needs (make it a "
          "member of ctrlprog_report)",
          args);
    case NoRights:
      return Say(
          "the line database refused this station: its user lacks a right it needs (make "
          "it a member of ctrlprog_station)",
          args);
    case NoTable:
      return Say(
          "the line database has no table ctrlprog_rows, or this user may not see it "
          "(run packaging/line-db.sql)",
          args);
    case NoColumn:
      return Say(
          "the table ctrlprog_rows in the line database lacks a column this program uses "
          "(see packaging/line-db.sql)",
          args);
    case ShuttingDown:
      return Say("the line database is shutting down; tried again later", args);
    case StartingUp:
      return Say("the line database is starting up or recovering; tried again later", args);
    case TooManyConnections:
      return Say("the line database has as many connections as it takes; tried again later", args);
    case DiskFull:
      return Say("the line database's disk is full; tried again later", args);
    case ShortOfResources:
      return Say("the line database is short of memory or another resource; tried again later",
                 args);
    case ServerIo:
      return Say("the line database could not read or write its own files; tried again later",
                 args);
    case Cancelled:
      return Say("the line database cancelled a statement that ran too long; tried again later",
                 args);
    case Conflict:
      return Say("the line database gave up a statement that met another one; tried again later",
                 args);
    case LockBusy:
      return Say("the line database's table is held by another session; tried again later", args);
    case ConnectionFault:
      return Say("the connection to the line database failed; tried again later", args);
    case RowValues:
      return Say("the line database refused a row's values", args);
    case ServerSaid:
      return Say("the line database refused what this station asked", args);
    default:
      return {};
  }
}

// The reasons we find ourselves, where the server said nothing.
std::string OwnReasonText(DbReason reason, std::initializer_list<std::string_view> args) {
  switch (reason) {
    using enum DbReason;
    case NoSuchHost:
      return Say("the line database cannot be reached: no host is named %1", args);
    case NoNameServer:
      return Say("the line database cannot be reached: the name servers cannot be asked about %1",
                 args);
    case ResolverSilent:
      return Say(
          "the line database's host name %1 was not looked up in time (the name servers "
          "did not answer)",
          args);
    case ConnectLate:
      return Say("the line database did not answer within %1", args);
    case StatementLate:
      return Say("the line database gave no answer within %1", args);
    case Lost:
      return Say("the connection to the line database was lost; tried again later", args);
    case NotReached:
      return Say("the line database cannot be reached at its address; tried again later", args);
    case Refused:
      return Say("the line database refused this station", args);
    case NeedsPassword:
      return Say(
          "the line database refused this station: the server asks for a password and "
          "none is given (use PGPASSWORD, ~/.pgpass or PGPASSFILE)",
          args);
    case NoTls:
      return Say(
          "the line database refused this station: the address demands TLS (sslmode), "
          "which the server does not speak",
          args);
    case WrongKindOfServer:
      return Say(
          "the line database refused this station: the server is not of the kind "
          "target_session_attrs asks for",
          args);
    case Stopped:
      return Say("the line database was not asked: the station is stopping", args);
    case OutOfMemory:
      return Say("the line database cannot be asked: this computer is out of memory", args);
    default:
      return Say("the line database refused what this station asked", args);
  }
}

}  // namespace

std::string DbReasonText(DbReason reason, std::initializer_list<std::string_view> args) {
  if (std::string said = ServerReasonText(reason, args); !said.empty()) return said;
  return OwnReasonText(reason, args);
}

std::string WithServerWords(std::string sentence, const std::string& words) {
  if (!words.empty()) sentence += "\n" + Say("the server said: %1", {words});
  return sentence;
}

LineDbResult Told(LineDbStatus status, DbReason reason, const std::string& words,
                  std::initializer_list<std::string_view> args) {
  return {status, WithServerWords(DbReasonText(reason, args), words)};
}

}  // namespace ctrlprog
