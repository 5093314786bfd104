#include "linedb/line_db.h"

#include <libpq-fe.h>

#include <memory>

#include "linedb/line_db_schema.h"

namespace ctrlprog {
namespace {

// The CREATE TABLE statement of packaging/line-db.sql.
std::string CreateTable() {
  const std::string sql = kLineDbSql;
  const size_t start = sql.find("CREATE TABLE");
  const size_t end = sql.find(");", start);
  return start == std::string::npos || end == std::string::npos
             ? std::string()
             : sql.substr(start, end + 1 - start);
}

// The columns as this program writes them, in order.
const char* const kShape[][2] = {
    {"station", "text"}, {"row_no", "bigint"},    {"time", "timestamp with time zone"},
    {"port", "text"},    {"file", "text"},        {"frame", "text"},
    {"result", "text"},  {"cycle_ms", "integer"}, {"received", "timestamp with time zone"},
};

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

Result Exec(pg_conn* conn, const char* sql, const std::vector<const char*>& params = {}) {
  return Result(PQexecParams(conn, sql, static_cast<int>(params.size()), nullptr, params.data(),
                             nullptr, nullptr, 0),
                &PQclear);
}

std::string Trimmed(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  const size_t newline = text.find('\n');
  if (newline != std::string::npos) text = text.substr(0, newline);
  if (text.starts_with("ERROR:  ")) text = text.substr(8);
  return text;
}

}  // namespace

LineDb::~LineDb() {
  Disconnect();
}

LineDbResult LineDb::CheckUri(const std::string& uri) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
  if (!options) {
    const std::string why = Trimmed(error);
    PQfreemem(error);
    return {LineDbStatus::BadUri, "the line database's address does not parse: " + why};
  }
  PQconninfoFree(options);
  return {};
}

std::string LineDb::Identity(const std::string& uri) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
  if (!options) {
    PQfreemem(error);
    return "-";
  }
  std::string identity;
  for (PQconninfoOption* o = options; o->keyword; ++o) {
    const std::string keyword = o->keyword;
    if (keyword != "host" && keyword != "hostaddr" && keyword != "port" && keyword != "dbname") {
      continue;
    }
    identity += keyword + "=" + (o->val ? o->val : "") + ";";
  }
  PQconninfoFree(options);
  for (char& c : identity) {
    if (c == ' ' || c == '\n' || c == '\t') c = '_';
  }
  return identity;
}

bool LineDb::Connected() const {
  return conn_ && PQstatus(conn_) == CONNECTION_OK;
}

void LineDb::Disconnect() {
  if (conn_) PQfinish(conn_);
  conn_ = nullptr;
}

LineDbResult LineDb::Fail(LineDbStatus status, const std::string& what) {
  const std::string why = conn_ ? Trimmed(PQerrorMessage(conn_)) : std::string();
  LineDbResult result{status, what + (why.empty() ? "" : ": " + why)};
  if (status == LineDbStatus::Unreachable) Disconnect();
  return result;
}

LineDbResult LineDb::Connect() {
  if (Connected()) return {};
  Disconnect();
  if (auto parsed = CheckUri(uri_); !parsed.ok()) return parsed;
  conn_ = PQconnectdb(uri_.c_str());
  if (PQstatus(conn_) != CONNECTION_OK) {
    const std::string why = Trimmed(PQerrorMessage(conn_));
    const bool rejected = PQconnectionNeedsPassword(conn_) ||
                          why.find("authentication failed") != std::string::npos ||
                          why.find("does not exist") != std::string::npos ||
                          why.find("no pg_hba.conf entry") != std::string::npos ||
                          why.find("permission denied") != std::string::npos;
    Disconnect();
    if (rejected) return {LineDbStatus::Rejected, "the line database refused this station: " + why};
    return {LineDbStatus::Unreachable, "the line database cannot be reached: " + why};
  }
  // The table: made where it is missing and we may, then checked column by column.
  Result shape = Exec(conn_,
                      "SELECT column_name, data_type FROM information_schema.columns "
                      "WHERE table_schema = current_schema() AND table_name = 'ctrlprog_rows' "
                      "ORDER BY ordinal_position");
  if (PQresultStatus(shape.get()) != PGRES_TUPLES_OK) {
    return Fail(LineDbStatus::Failed, "cannot read the line database's tables");
  }
  if (PQntuples(shape.get()) == 0) {
    Result created = Exec(conn_, CreateTable().c_str());
    if (PQresultStatus(created.get()) != PGRES_COMMAND_OK) {
      LineDbResult r = Fail(LineDbStatus::WrongShape,
                            "the table ctrlprog_rows is missing and this station may not "
                            "create it (run packaging/line-db.sql)");
      Disconnect();
      return r;
    }
    return {};
  }
  bool same = PQntuples(shape.get()) == static_cast<int>(std::size(kShape));
  for (int i = 0; same && i < PQntuples(shape.get()); ++i) {
    same = std::string(PQgetvalue(shape.get(), i, 0)) == kShape[i][0] &&
           std::string(PQgetvalue(shape.get(), i, 1)) == kShape[i][1];
  }
  if (!same) {
    Disconnect();
    return {LineDbStatus::WrongShape,
            "the table ctrlprog_rows in the line database has another shape than this program "
            "writes (see packaging/line-db.sql)"};
  }
  return {};
}

LineDbResult LineDb::Insert(const std::vector<JournalRow>& rows) {
  if (rows.empty()) return {};
  if (!Connected()) {
    if (auto connected = Connect(); !connected.ok()) return connected;
  }
  std::string sql =
      "INSERT INTO ctrlprog_rows (station, row_no, time, port, file, frame, result, cycle_ms) "
      "VALUES ";
  std::vector<std::string> numbers;
  std::vector<const char*> params;
  numbers.reserve(rows.size() * 2);
  params.reserve(rows.size() * 8);
  for (size_t i = 0; i < rows.size(); ++i) {
    const JournalRow& r = rows[i];
    const size_t p = i * 8;
    if (i > 0) sql += ',';
    sql += "($" + std::to_string(p + 1) + ",$" + std::to_string(p + 2) + "::bigint,$" +
           std::to_string(p + 3) + "::timestamptz,$" + std::to_string(p + 4) + ",$" +
           std::to_string(p + 5) + ",$" + std::to_string(p + 6) + ",$" + std::to_string(p + 7) +
           ",$" + std::to_string(p + 8) + "::integer)";
    numbers.push_back(std::to_string(r.number));
    numbers.push_back(r.cycleMs ? std::to_string(*r.cycleMs) : std::string());
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    const JournalRow& r = rows[i];
    params.insert(params.end(), {r.station.c_str(), numbers[i * 2].c_str(), r.time.c_str(),
                                 r.port.c_str(), r.file.c_str(), r.frame.c_str(), r.result.c_str(),
                                 r.cycleMs ? numbers[i * 2 + 1].c_str() : nullptr});
  }
  sql += " ON CONFLICT (station, row_no) DO NOTHING";
  // One statement is one transaction: the whole batch is stored, or none of it.
  Result inserted = Exec(conn_, sql.c_str(), params);
  if (PQresultStatus(inserted.get()) != PGRES_COMMAND_OK) {
    const bool lost = PQstatus(conn_) != CONNECTION_OK;
    return Fail(lost ? LineDbStatus::Unreachable : LineDbStatus::Failed,
                "the line database did not take the rows");
  }
  return {};
}

LineDbResult LineDb::Yield(const std::string& since, const std::string& until,
                           std::vector<YieldRow>& out) {
  if (!Connected()) {
    if (auto connected = Connect(); !connected.ok()) return connected;
  }
  const char* sql =
      "SELECT station, "
      "to_char(date_trunc('hour', time AT TIME ZONE 'UTC'), 'YYYY-MM-DD\"T\"HH24\":00Z\"'), "
      "count(*) FILTER (WHERE result IN ('PASS', 'FAIL', 'UNCONFIRMED')), "
      "count(*) FILTER (WHERE result = 'PASS'), "
      "count(*) FILTER (WHERE result IN ('FAIL', 'UNCONFIRMED')) "
      "FROM ctrlprog_rows "
      "WHERE ($1::timestamptz IS NULL OR time >= $1::timestamptz) "
      "AND ($2::timestamptz IS NULL OR time < $2::timestamptz) "
      "GROUP BY 1, 2 HAVING count(*) FILTER (WHERE result IN ('PASS', 'FAIL', 'UNCONFIRMED')) > 0 "
      "ORDER BY 1, 2";
  Result r =
      Exec(conn_, sql,
           {since.empty() ? nullptr : since.c_str(), until.empty() ? nullptr : until.c_str()});
  if (PQresultStatus(r.get()) != PGRES_TUPLES_OK) {
    return Fail(LineDbStatus::Failed, "the line database did not answer the report");
  }
  for (int i = 0; i < PQntuples(r.get()); ++i) {
    out.push_back({PQgetvalue(r.get(), i, 0), PQgetvalue(r.get(), i, 1),
                   std::stoll(PQgetvalue(r.get(), i, 2)), std::stoll(PQgetvalue(r.get(), i, 3)),
                   std::stoll(PQgetvalue(r.get(), i, 4))});
  }
  return {};
}

}  // namespace ctrlprog
