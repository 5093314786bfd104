// What the server's SQLSTATE means for a station: a row's values, a wait, or what the server
// says of the statement (the rows or the table, told apart by sending each row alone).
#include "linedb_pg/fault.h"

#include <gtest/gtest.h>

#include <QLocale>

#include "front/translations.h"
#include "linedb_pg/db_reason.h"

namespace ctrlprog {
namespace {

TEST(Diagnose, TellsTheConnectionAndTheServersStateFromWhatIsSaidOfTheStatement) {
  const struct {
    const char* sqlstate;
    Fault fault;
    DbReason reason;
  } cases[] = {
      {"22P02", Fault::Row, DbReason::RowValues},  // invalid text representation
      {"22001", Fault::Row, DbReason::RowValues},  // string data right truncation
      {"22021", Fault::Row, DbReason::RowValues},  // a byte sequence not valid in the encoding
      {"23505", Fault::Row, DbReason::RowValues},  // unique violation
      {"23514", Fault::Row, DbReason::RowValues},  // check violation
      {"", Fault::Wait, DbReason::Lost},           // no answer from the server at all
      {"XX", Fault::Wait, DbReason::Lost},         // not a SQLSTATE: not the server's word
      {"08006", Fault::Wait, DbReason::ConnectionFault},     // connection failure
      {"08001", Fault::Wait, DbReason::ConnectionFault},     // could not connect
      {"08P01", Fault::Wait, DbReason::ConnectionFault},     // protocol violation
      {"53300", Fault::Wait, DbReason::TooManyConnections},  // too many connections
      {"53100", Fault::Wait, DbReason::DiskFull},            // disk full
      {"57P01", Fault::Wait, DbReason::ShuttingDown},        // admin shutdown
      {"57P03", Fault::Wait, DbReason::StartingUp},          // cannot connect now (starting up)
      {"57014", Fault::Wait, DbReason::Cancelled},  // query cancelled (a statement deadline)
      {"58030", Fault::Wait, DbReason::ServerIo},   // I/O error
      {"40001", Fault::Wait, DbReason::Conflict},   // serialization failure
      {"40P01", Fault::Wait, DbReason::Conflict},   // deadlock
      {"P0001", Fault::Said,
       DbReason::ServerSaid},  // a trigger's RAISE: about the rows, or the table
      {"54000", Fault::Said,
       DbReason::ServerSaid},  // program limit exceeded (an index row too large)
      {"42501", Fault::Said, DbReason::NoRights},          // insufficient privilege
      {"42703", Fault::Said, DbReason::NoColumn},          // no such column
      {"42P01", Fault::Said, DbReason::NoTable},           // no such table
      {"28P01", Fault::Said, DbReason::WrongPassword},     // wrong password
      {"3D000", Fault::Said, DbReason::NoDatabase},        // no such database
      {"57000", Fault::Said, DbReason::ServerSaid},        // operator intervention, not a shutdown
      {"XX000", Fault::Said, DbReason::ServerSaid},        // internal error
      {"28000", Fault::Said, DbReason::NotLetIn},          // no such role, or not from here
      {"53200", Fault::Wait, DbReason::ShortOfResources},  // out of memory
      {"57P02", Fault::Wait, DbReason::ShuttingDown},      // crash shutdown
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FaultOf(c.sqlstate), c.fault) << '"' << c.sqlstate << '"';
    EXPECT_EQ(Diagnose(c.sqlstate).reason, c.reason) << '"' << c.sqlstate << '"';
  }
}

// Each reason is one whole sentence in the operator's language, chosen by its code: libpq's and
// the server's words (English whatever the locale) only ever follow on a line of their own.
TEST(DbReasonText, EachReasonIsOneWholeSentenceInTheOperatorsLanguage) {
  const struct {
    DbReason reason;
    std::string english, chinese;
  } cases[] = {
      {DbReason::WrongPassword,
       "the line database refused this station: its user name or password is wrong",
       "产线数据库拒绝了本工位：用户名或密码错误"},
      {DbReason::NoDatabase,
       "the line database refused this station: the server holds no database of the name the "
       "address gives",
       "产线数据库拒绝了本工位：服务器上没有地址中所写名称的数据库"},
      {DbReason::NoRights,
       "the line database refused this station: its user lacks a right it needs (make it a "
       "member of ctrlprog_station)",
       "产线数据库拒绝了本工位：该用户缺少所需的权限（请将其加入 ctrlprog_station）"},
      {DbReason::NoTable,
       "the line database has no table ctrlprog_rows, or this user may not see it (run "
       "packaging/line-db.sql)",
       "产线数据库中没有 ctrlprog_rows 表，或该用户无权查看（请运行 packaging/line-db.sql）"},
      {DbReason::ShuttingDown, "the line database is shutting down; tried again later",
       "产线数据库正在关闭；稍后重试"},
      {DbReason::DiskFull, "the line database's disk is full; tried again later",
       "产线数据库的磁盘已满；稍后重试"},
      {DbReason::TooManyConnections,
       "the line database has as many connections as it takes; tried again later",
       "产线数据库的连接数已满；稍后重试"},
      {DbReason::StatementLate, "the line database gave no answer within 10 s",
       "产线数据库在 10 s 内未给出答复"},
      {DbReason::NotReached,
       "the line database cannot be reached at its address; tried again later",
       "按所给地址无法连接产线数据库；稍后重试"},
  };
  const std::string words = "FATAL:  password authentication failed for user \"station1\"";
  for (const bool chinese : {false, true}) {
    ASSERT_TRUE(
        InstallTranslations(chinese ? QLocale(QLocale::Chinese, QLocale::China) : QLocale::c()) ||
        !chinese);
    TranslateMessages(chinese);
    for (const auto& c : cases) {
      const std::string& want = chinese ? c.chinese : c.english;
      EXPECT_EQ(DbReasonText(c.reason, {"10 s"}), want);
      const LineDbResult told = Told(LineDbStatus::Rejected, c.reason, words, {"10 s"});
      const size_t end = told.message.find('\n');
      EXPECT_EQ(told.message.substr(0, end), want) << "the sentence stands whole, alone";
      ASSERT_NE(end, std::string::npos);
      EXPECT_NE(told.message.find(words, end), std::string::npos) << "the server's words after";
    }
  }
  TranslateMessages(false);
  InstallTranslations(QLocale::c());
}

}  // namespace
}  // namespace ctrlprog
