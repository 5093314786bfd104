#!/usr/bin/env bash
# The hour sums where they may mislead: a zone whose clocks move by half an hour (Lord Howe's
# summer is whole hours, its winter is not), the hour sums held by another transaction (a
# report answers from the quarter hours, as before the hour sums), and the hour sums a station
# that owns its table made itself (readable by the report readers, as the upgrade makes them), and
# rows added while the file of the version before kept the sums (its trigger keeps no hour sums).
#   hour_sums_test.sh CLI PG_SERVER LINE_DB_SQL
set -u
cli=$1 pg=$2
tmp=$(mktemp -d)
chmod 755 "$tmp"
trap '"$pg" stop "$tmp/pg" immediate; rm -rf "$tmp"' EXIT
fail=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; fail=1; }
"$pg" start "$tmp/pg" >/dev/null || { echo "FAIL no PostgreSQL server"; exit 1; }
export PGPASSWORD=secret
station="host=$tmp/pg dbname=ctrlprog_line user=station1"
owner="host=$tmp/pg dbname=ctrlprog_line user=postgres"
reader="host=$tmp/pg dbname=ctrlprog_line user=reader"
sql() { "$pg" psql "$tmp/pg" -v ON_ERROR_STOP=1 -c "$1"; }
# Rows every 97 s from 2026-04-04T13:00Z (Lord Howe leaves its summer at 15:00Z), two stations.
perl -e '
  my $frame = "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";
  my @results = qw(PASS FAIL PASS LOST UNCONFIRMED PASS);
  print "time,station,port,file,frame,result,cycle_ms,journal,journal_row,serial,attempt\r\n";
  for my $i (1 .. 300) {
    my @g = gmtime(1775307600 + $i * 97);
    printf "%04d-%02d-%02dT%02d:%02d:%02d.000+00:00,line%d,/dev/ttyUSB%d,/srv/a.asv,%s,%s,400,%s,%d,SN%d,1\r\n",
      $g[5] + 1900, $g[4] + 1, $g[3], $g[2], $g[1], $g[0], $i % 2 + 1, $i % 3, $frame,
      $results[$i % 6], "0" x 31 . "1", $i, $i;
  }' >"$tmp/r.csv"
timeout 60 "$cli" forward --record "$tmp/r.csv" --line-db "$station" >/dev/null 2>&1 \
  || bad "rows not forwarded"
# same WHAT ZONE ARGS...: the server's report is the record's
same() {
  local what=$1 zone=$2
  shift 2
  TZ=$zone timeout 60 "$cli" report --line-db "$reader" "$@" --json >"$tmp/server.json" 2>"$tmp/server.err"
  TZ=$zone timeout 60 "$cli" report --record "$tmp/r.csv" "$@" --json >"$tmp/record.json" 2>/dev/null
  if [ -s "$tmp/record.json" ] && cmp -s "$tmp/server.json" "$tmp/record.json"; then
    ok "$what"
  else
    bad "$what: the server's report differs from the record's ($zone $*)"
    head -3 "$tmp/server.err"
  fi
}

# 1. A period that begins in Lord Howe's summer (whole hours) and ends in its winter.
same "Lord Howe across the end of its summer" Australia/Lord_Howe \
  --since 2026-04-04T14:30Z --until 2026-04-04T16:45Z
same "Lord Howe, unbounded" Australia/Lord_Howe

# 2. The hour sums held (as the upgrade holds them while it fills them): the report still answers.
"$pg" psql "$tmp/pg" -c "BEGIN; LOCK ctrlprog_hours IN ACCESS EXCLUSIVE MODE; SELECT pg_sleep(15); COMMIT" \
  >/dev/null 2>&1 &
sleep 1
same "a report while the hour sums are held" UTC --since 2026-04-04T14:30Z
wait

# 3a. The file of the version before the hour sums run again (a package put back: its trigger keeps
#     no hour sums), rows added, then this version's file run: reports count the rows added.
sql_file=$3
perl -0pe 's/    EXECUTE format\(\$q\$\n      INSERT INTO ctrlprog_hours.*?sign, source\);\n//s' "$sql_file" >"$tmp/before.sql"
PGOPTIONS="-c client_min_messages=warning" "$pg" psql "$tmp/pg" -v ON_ERROR_STOP=1 -f "$tmp/before.sql" >/dev/null
sed -e 's/,0\{31\}1,/,00000000000000000000000000000002,/' -e 's/2026-04-04T/2026-04-06T/' "$tmp/r.csv" >"$tmp/r2.csv"
timeout 60 "$cli" forward --record "$tmp/r2.csv" --line-db "$station" >/dev/null 2>&1 || bad "rows not forwarded"
PGOPTIONS="-c client_min_messages=warning" "$pg" psql "$tmp/pg" -v ON_ERROR_STOP=1 -f "$sql_file" >/dev/null
{ cat "$tmp/r.csv"; tail -n +2 "$tmp/r2.csv"; } >"$tmp/both.csv"
mv "$tmp/both.csv" "$tmp/r.csv"
same "rows added while the version before kept the sums" UTC

# 3. A station that owns its table, whose sums were made before the hour sums: it leaves the
#    filling to the table's owner (which holds the rows still while it runs), says so, and
#    forwards; reports read the quarter hours meanwhile; the upgrade fills the hour sums, readable
#    by the report's role.
sql "COMMENT ON TABLE ctrlprog_hours IS NULL; TRUNCATE ctrlprog_hours" >/dev/null
sed -e 's/,0\{31\}1,/,00000000000000000000000000000003,/' -e 's/2026-04-04T/2026-04-08T/' \
  "$tmp/r2.csv" | sed -e 's/,0\{31\}2,/,00000000000000000000000000000003,/' >"$tmp/r3.csv"
timeout 60 "$cli" forward --record "$tmp/r3.csv" --line-db "$owner" >/dev/null 2>"$tmp/r3.err" \
  || bad "the owner's station did not forward: $(cat "$tmp/r3.err")"
grep -q 'no hour sums.*until its owner runs packaging/line-db.sql' "$tmp/r3.err" \
  && [ -z "$(sql "SELECT obj_description(to_regclass('ctrlprog_hours'), 'pg_class')")" ] \
  && ok "a station that owns the table leaves the hour sums to the upgrade, and says so" \
  || bad "the owner's station: $(cat "$tmp/r3.err")"
{ cat "$tmp/r.csv"; tail -n +2 "$tmp/r3.csv"; } >"$tmp/all.csv"
mv "$tmp/all.csv" "$tmp/r.csv"
same "rows forwarded without the hour sums" America/New_York
PGOPTIONS="-c client_min_messages=warning" "$pg" psql "$tmp/pg" -v ON_ERROR_STOP=1 -f "$sql_file" >/dev/null
[ "$(sql "SELECT has_table_privilege('reader', 'ctrlprog_hours', 'SELECT')")" = t ] \
  && [ "$(sql "SELECT obj_description(to_regclass('ctrlprog_hours'), 'pg_class')")" = \
       "filled from ctrlprog_quarters" ] \
  && ok "the upgrade fills the hour sums, readable by the report's role" \
  || bad "the hour sums after the upgrade are not filled, or not readable by the report's role"
same "rows forwarded, then the hour sums filled" America/New_York

exit $fail
