#!/usr/bin/env bash
# The line database against a real PostgreSQL 15 started here: each journal row exactly once
# (two journals of one station, a crash, a kill while forwarding), a hung server (its processes
# stopped with SIGSTOP) that stops nothing, a row the server refuses, refusals at start-up by
# what the server says, and reports that agree. A missing server fails the test; it is never
# skipped. Every wait is for an event, bounded.
set -u
cli=$1 devsim=$2 examples=$3 pg=$4
tmp=$(mktemp -d)
chmod 755 "$tmp"
sims=()
stopped=""
cleanup() {
  for p in "${sims[@]}"; do kill "$p" 2>/dev/null; done
  [ -n "$stopped" ] && kill -CONT $stopped 2>/dev/null
  "$pg" stop "$tmp/pg" immediate
  rm -rf "$tmp"
}
trap cleanup EXIT
fail=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; fail=1; }

# A free port on the loopback address for the one case that needs TCP (TLS); the rest use the
# server's Unix socket in $tmp/pg.
PGPORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
export PGPORT
"$pg" start "$tmp/pg" >/dev/null || { echo "FAIL no PostgreSQL server"; exit 1; }
station="host=$tmp/pg dbname=ctrlprog_line user=station1"
export PGPASSWORD=secret  # never on the command line
rows() { "$pg" psql "$tmp/pg" -c "$1"; }
asv=$examples/example.asv

start_sim() {  # name options...: a simulated board behind $tmp/name
  local name=$1; shift
  "$devsim" --link "$tmp/$name" "$@" >"$tmp/$name.sim" 2>&1 &
  sims+=($!)
  for _ in $(seq 100); do [ -e "$tmp/$name" ] && return; sleep 0.05; done
}
# wait_for SECONDS COMMAND...: until COMMAND succeeds, at most SECONDS; whether it did.
wait_for() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@"; do [ $SECONDS -ge "$end" ] && return 1; sleep 0.05; done
}
passes() { local n; n=$(grep -c ',PASS,' "$1" 2>/dev/null); echo "${n:-0}"; }
acks() { cat "$@" 2>/dev/null | grep -c 'programmed, acknowledged'; }
at_least() { [ "$("${@:2}")" -ge "$1" ]; }

# 1. Two journals of one station: a record per shift, and the first one written again later.
#    Every row of each is on the server once, whatever the rows' numbers.
start_sim s1 --boards 1000
for shift in day1:2 day2:3 day1:2; do
  "$cli" program --port "$tmp/s1" --file "$asv" --count "${shift#*:}" --timeout 30 \
    --record "$tmp/${shift%:*}.csv" --line-db "$station" --station line3 >/dev/null 2>"$tmp/shift.err" \
    || { bad "shift ${shift%:*}"; cat "$tmp/shift.err"; }
done
got=$(rows "SELECT count(*) FROM ctrlprog_rows WHERE station = 'line3' AND result = 'PASS'")
[ "$got" = 7 ] && ok "two journals of one station: 7 boards, 7 rows on the server" \
  || bad "two journals of one station: $got rows of 7"
rm -f "$tmp/day1.csv.forwarded"
"$cli" forward --record "$tmp/day1.csv" --line-db "$station" 2>"$tmp/again.err"
got=$(rows "SELECT count(*) FROM ctrlprog_rows WHERE station = 'line3'")
[ "$got" = 7 ] && ok "a journal forwarded again without its state: nothing doubled" \
  || bad "forwarded again: $got rows"

# 2. A server crash in the middle of two stations on one journal: every acknowledged board is in
#    the journal once and on the server once.
for b in a1 a2 b1 b2; do start_sim $b --boards 1000; done
for s in a b; do
  "$cli" program --port "$tmp/${s}1" --port "$tmp/${s}2" --file "$asv" --count 4 --timeout 60 \
    --record "$tmp/journal.csv" --line-db "$station" --station line4 --json \
    >"$tmp/$s.out" 2>"$tmp/$s.err" &
  eval "pid_$s=$!"
done
wait_for 30 at_least 2 passes "$tmp/journal.csv"
"$pg" stop "$tmp/pg" immediate
wait_for 30 at_least 8 passes "$tmp/journal.csv"
"$pg" start "$tmp/pg" >/dev/null
wait "$pid_a"; wait "$pid_b"
"$cli" forward --record "$tmp/journal.csv" --line-db "$station" 2>"$tmp/fwd.err"
acked=$(acks "$tmp"/a1.sim "$tmp"/a2.sim "$tmp"/b1.sim "$tmp"/b2.sim)
journal=$(passes "$tmp/journal.csv")
server=$(rows "SELECT count(*) FROM ctrlprog_rows WHERE station = 'line4' AND result = 'PASS'")
lines=$(($(grep -c $'\r$' "$tmp/journal.csv") - 1))
all=$(rows "SELECT count(*) FROM ctrlprog_rows WHERE station = 'line4'")
if [ "$acked" = 16 ] && [ "$journal" = 16 ] && [ "$server" = 16 ] && [ "$all" = "$lines" ]; then
  ok "server crash: $acked boards acknowledged, $journal in the journal, $server on the server"
else
  bad "server crash: acks $acked, journal $journal, server $server, rows $all of $lines"
fi
grep -q 'WARNING:' "$tmp/a.err" "$tmp/b.err" && bad "a raw server notice reached stderr" \
  || ok "the server's notices come as our own messages"
grep -q '"event":"line_record","text":"line record: [0-9]* rows waiting"' "$tmp/a.out" \
  && ok "rows waiting said" || bad "no rows waiting in --json"
grep -q '"line_record_waiting":0,"line_record_set_aside":0' "$tmp/a.out" \
  && ok "the summary says what is left for later" || bad "summary: $(grep summary "$tmp/a.out")"
"$cli" report --record "$tmp/journal.csv" >/dev/null 2>"$tmp/clone.err"
grep -q 'station line4 has rows from 2 journals written at the same time' "$tmp/clone.err" \
  && ok "report: one station from two journals at once is said" || { bad "no clone warning"; cat "$tmp/clone.err"; }

# A board that passed at another station, for a scanned board below.
frame0="02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00"
"$pg" psql "$tmp/pg" -c "INSERT INTO ctrlprog_rows (journal, journal_row, station, time, port, file, frame, result, serial, attempt) VALUES ('cccccccccccccccccccccccccccccccc', 1, 'line9', now(), '/dev/ttyUSB9', '', '$frame0', 'PASS', 'SN-H1', 1)" >/dev/null
# 3. A hung server (its processes stopped, not gone): the console starts within its connect
#    timeout, programs its boards, ends within 2 s of SIGTERM, and the rows arrive once the
#    server is resumed.
stopped=$("$pg" pids "$tmp/pg")
kill -STOP $stopped
start_sim h1 --boards 1000
"$cli" program --port "$tmp/h1" --file "$asv" --record "$tmp/hung.csv" --line-db "$station" \
  --station line5 --json >"$tmp/hung.out" 2>"$tmp/hung.err" &
hung=$!
if wait_for 40 at_least 3 passes "$tmp/hung.csv"; then
  ok "a hung server: $(passes "$tmp/hung.csv") boards programmed meanwhile"
else
  bad "a hung server stopped programming"; cat "$tmp/hung.err"
fi
kill -TERM $hung
if wait_for 2 eval "! kill -0 $hung 2>/dev/null"; then
  ok "a hung server: SIGTERM ends the console within 2 s"
else
  bad "a hung server: the console did not end within 2 s of SIGTERM"; kill -9 $hung
fi
wait $hung 2>/dev/null
grep -q '"line_record_waiting":[1-9]' "$tmp/hung.out" && grep -q 'rows left for later' "$tmp/hung.err" \
  && ok "rows left for later said at exit" || { bad "no rows left for later"; cat "$tmp/hung.err"; }
# At start-up too: a signal while the server is asked ends the console at once.
"$cli" program --port "$tmp/h1" --file "$asv" --record "$tmp/hung2.csv" --line-db "$station" \
  >/dev/null 2>&1 &
early=$!
wait_for 10 test -s "$tmp/hung2.csv"
kill -INT $early
if wait_for 2 eval "! kill -0 $early 2>/dev/null"; then ok "SIGINT during start-up ends it within 2 s"
else bad "SIGINT during start-up"; kill -9 $early; fi
wait $early 2>/dev/null
# forward gives up within its deadlines.
"$cli" forward --record "$tmp/hung.csv" --line-db "$station" 2>"$tmp/fwd-hung.err" &
fwd=$!
if wait_for 20 eval "! kill -0 $fwd 2>/dev/null"; then
  wait $fwd; status=$?
  [ $status = 1 ] && ok "forward to a hung server ends within its deadline (exit 1)" \
    || bad "forward to a hung server: exit $status"
else
  bad "forward to a hung server did not end"; kill -9 $fwd
fi
# A scanned board while the server hangs: a check that cannot be made passes nothing. The board
# is held (said as scan_unchecked) and no frame goes out while the server is stopped; once it is
# resumed the board, which passed at another station, is refused.
start_sim h2 --boards 1000
printf 'SN-H1\n' | "$cli" program --port "$tmp/h2" --file "$asv" --scan --timeout 60 --json \
  --record "$tmp/hung-scan.csv" --line-db "$station" --station line5 >"$tmp/hung-scan.out" 2>&1 &
scanning=$!
if wait_for 30 grep -q '"event":"scan_unchecked","serial":"SN-H1"' "$tmp/hung-scan.out"; then
  ok "a hung server: the scanned board is held, and said to be unchecked"
else
  bad "a hung server: no scan_unchecked"; cat "$tmp/hung-scan.out"
fi
kill -CONT $stopped; stopped=""
if wait_for 30 eval "! kill -0 $scanning 2>/dev/null" \
   && grep -q '"event":"scan_refused","serial":"SN-H1","reason":"board SN-H1 already passed at .* on line9 ' "$tmp/hung-scan.out" \
   && ! grep -q '"event":"finished"' "$tmp/hung-scan.out" \
   && [ "$(grep -c 'programmed' "$tmp/h2.sim")" = 0 ]; then
  ok "a hung server, then resumed: the board that passed elsewhere is refused, never programmed"
else
  bad "a hung server passed a board it could not check"; kill -9 $scanning 2>/dev/null
  cat "$tmp/hung-scan.out" "$tmp/h2.sim"
fi
rows "DELETE FROM ctrlprog_rows WHERE journal = 'cccccccccccccccccccccccccccccccc'" >/dev/null
"$cli" forward --record "$tmp/hung.csv" --line-db "$station" 2>"$tmp/fwd-back.err"
got=$(rows "SELECT count(*) FROM ctrlprog_rows WHERE station = 'line5' AND result = 'PASS'")
[ "$got" = "$(passes "$tmp/hung.csv")" ] && ok "the hung server's rows arrive once it is resumed ($got)" \
  || { bad "hung server's rows: $got of $(passes "$tmp/hung.csv")"; cat "$tmp/fwd-back.err"; }

# 4. A row the server refuses is set aside with its reason; every other row arrives.
"$pg" psql "$tmp/pg" -c "ALTER TABLE ctrlprog_rows ADD CONSTRAINT no_refused_port CHECK (port <> '/dev/refused')" >/dev/null
frame="02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00"
{
  printf 'time,station,port,file,frame,result,cycle_ms,journal,journal_row\r\n'
  for i in $(seq 1 10); do
    port=/dev/ttyUSB0; [ "$i" = 4 ] && port=/dev/refused
    printf '2026-12-07T21:30:%02d.000+08:00,line6,%s,,%s,PASS,400,aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa,%d\r\n' "$i" "$port" "$frame" "$i"
  done
} >"$tmp/refused.csv"
"$cli" forward --record "$tmp/refused.csv" --line-db "$station" 2>"$tmp/refused.err"
got=$(rows "SELECT count(*) FROM ctrlprog_rows WHERE station = 'line6'")
if [ "$got" = 9 ] && grep -q '^4,.*23514.*/dev/refused' "$tmp/refused.csv.refused.csv"; then
  ok "a refused row is set aside with its SQLSTATE; the other 9 arrive"
else
  bad "refused row: $got rows"; cat "$tmp/refused.err"
fi
"$pg" psql "$tmp/pg" -c "ALTER TABLE ctrlprog_rows DROP CONSTRAINT no_refused_port" >/dev/null
rm "$tmp/refused.csv.forwarded"
"$cli" forward --record "$tmp/refused.csv" --line-db "$station" 2>"$tmp/refused2.err"
[ "$(rows "SELECT count(*) FROM ctrlprog_rows WHERE station = 'line6'")" = 9 ] \
  && ok "a row once set aside is not tried again" || bad "set-aside row retried"

# 5. A station killed while it forwards a backlog, and started again: nothing lost, nothing twice.
python3 - "$tmp/backlog.csv" <<'PY'
import sys
frame = "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00"
with open(sys.argv[1], "w", newline="") as f:
    f.write("time,station,port,file,frame,result,cycle_ms,journal,journal_row\r\n")
    for i in range(20000):
        result = "PASS" if i % 10 else "FAIL"
        f.write(f"2026-12-07T21:{i // 600 % 60:02d}:{i // 10 % 60:02d}.{i % 10}00+08:00,line7,/dev/ttyUSB0,/srv/a.asv,{frame},{result},{400 + i % 50},bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb,{i + 1}\r\n")
PY
"$cli" forward --record "$tmp/backlog.csv" --line-db "$station" 2>"$tmp/kill.err" &
killer=$!
wait_for 30 at_least 1 rows "SELECT count(*) FROM ctrlprog_rows WHERE station = 'line7'"
kill -9 $killer 2>/dev/null; wait $killer 2>/dev/null
before=$(rows "SELECT count(*) FROM ctrlprog_rows WHERE station = 'line7'")
"$cli" forward --record "$tmp/backlog.csv" --line-db "$station" 2>"$tmp/again.err"
after=$(rows "SELECT count(*) || ' ' || count(DISTINCT journal_row) FROM ctrlprog_rows WHERE station = 'line7'")
[ "$after" = "20000 20000" ] && ok "killed while forwarding ($before rows in), then again: $after rows, each once" \
  || bad "killed while forwarding: $after"

# 6. At start-up, what no retry mends is refused with its reason (exit 2); an unreachable server
#    is not. Nothing printed holds a password.
check() {  # name status pattern -- command...
  local name=$1 status=$2 pattern=$3; shift 4
  "$@" >"$tmp/check.out" 2>"$tmp/check.err"; local got=$?
  [ "$got" = "$status" ] && grep -q "$pattern" "$tmp/check.err" && ok "$name" \
    || { bad "$name: status $got"; cat "$tmp/check.err"; }
}
start_sim c1 --boards 1000
args=(program --port "$tmp/c1" --file "$asv" --count 1 --timeout 20)
"$pg" psql "$tmp/pg" -c "CREATE ROLE nobody LOGIN PASSWORD 'secret'" >/dev/null
check "wrong password" 2 'password authentication failed' -- \
  env PGPASSWORD=wrong "$cli" "${args[@]}" --line-db "$station"
check "a read-only role" 2 'role reader may not add rows' -- "$cli" "${args[@]}" --line-db "host=$tmp/pg dbname=ctrlprog_line user=reader"
check "a role with no rights" 2 'role nobody may not add rows' -- "$cli" "${args[@]}" --line-db "host=$tmp/pg dbname=ctrlprog_line user=nobody"
check "a missing database" 2 'refused this station' -- "$cli" "${args[@]}" --line-db "host=$tmp/pg dbname=nowhere user=station1"
check "address that does not parse" 2 'does not parse' -- "$cli" "${args[@]}" --line-db "host=x port"
check "port=99999999" 2 'bad setting: port=99999999' -- "$cli" "${args[@]}" --line-db "$station port=99999999"
check "sslmode=bogus" 2 'bad setting: sslmode=bogus' -- "$cli" "${args[@]}" --line-db "$station sslmode=bogus"
check "target_session_attrs=bogus" 2 'bad setting: target_session_attrs=bogus' -- "$cli" "${args[@]}" --line-db "$station target_session_attrs=bogus"
check "TLS demanded of a server without it" 2 'refused this station' -- \
  "$cli" "${args[@]}" --line-db "host=127.0.0.1 port=$PGPORT dbname=ctrlprog_line user=station1 sslmode=require"
check "a password in the address: warned, never printed" 2 'use PGPASSWORD' -- \
  "$cli" "${args[@]}" --line-db "postgresql://station1:Sup3rS3cret@/ctrlprog_line?host=$tmp/pg&port=x"
grep -q 'Sup3rS3cret' "$tmp/check.err" "$tmp/check.out" && bad "a password was printed" || ok "no password printed"
check "unknown host: programs on, rows wait" 0 'cannot be reached' -- \
  env XDG_STATE_HOME="$tmp/state" "$cli" "${args[@]}" --line-db "host=no-such-host.invalid dbname=x connect_timeout=2"
[ -s "$tmp/state/ctrlprog/record.csv" ] && ok "the journal defaults to XDG_STATE_HOME" || bad "default journal"
"$pg" psql "$tmp/pg" -d postgres -c "CREATE DATABASE other" >/dev/null
"$pg" psql "$tmp/pg" -d other -c \
  "CREATE TABLE ctrlprog_rows (station text, row_no int); GRANT ALL ON ctrlprog_rows TO station1" >/dev/null
check "table without our key" 2 'not as this program writes it' -- \
  "$cli" "${args[@]}" --line-db "host=$tmp/pg dbname=other user=station1"
check "report of a missing record" 2 'cannot be read' -- "$cli" report --record "$tmp/missing.csv"
check "forward of a folder" 2 'it is a folder' -- "$cli" forward --record "$tmp" --line-db "$station"
# A record whose CR LF became LF (an editor, a copy) holds no row as read: refused, not read as
# empty.
sed 's/\r$//' "$tmp/day1.csv" >"$tmp/lf.csv"
check "report of a record converted to LF" 2 'end in LF alone' -- "$cli" report --record "$tmp/lf.csv"
check "forward of a record converted to LF" 2 'end in LF alone' -- \
  "$cli" forward --record "$tmp/lf.csv" --line-db "$station"
check "trace on a record converted to LF" 2 'end in LF alone' -- "$cli" trace SN-1 --record "$tmp/lf.csv"

# A table with one more column (an administrator's) is taken as it is.
"$pg" psql "$tmp/pg" -d postgres -c "CREATE DATABASE extended" >/dev/null
"$pg" psql "$tmp/pg" -d extended -f "$(dirname "$pg")/../packaging/line-db.sql" \
  -c "ALTER TABLE ctrlprog_rows ADD COLUMN shift text" >/dev/null 2>&1
"$cli" forward --record "$tmp/day2.csv" --line-db "host=$tmp/pg dbname=extended user=station1" 2>"$tmp/extended.err" \
  && [ "$("$pg" psql "$tmp/pg" -d extended -c "SELECT count(*) FROM ctrlprog_rows")" = 3 ] \
  && ok "a table with an extra column is taken" || { bad "extra column"; cat "$tmp/extended.err"; }

# A station that may creates the table where it is missing: the one line-db.sql makes.
"$pg" psql "$tmp/pg" -d postgres -c "CREATE DATABASE fresh OWNER station1" >/dev/null
"$cli" forward --record "$tmp/day2.csv" --line-db "host=$tmp/pg dbname=fresh user=station1" 2>"$tmp/fresh.err"
[ "$("$pg" psql "$tmp/pg" -d fresh -c "SELECT count(*) FROM ctrlprog_rows")" = 3 ] \
  && ok "the table made by the station where it was missing" || { bad "station-made table"; cat "$tmp/fresh.err"; }

# 7. Scanned boards reach the server with their serial and attempt; one board's history from
#    the record and from the server agree.
start_sim sc1 --boards 1000
printf 'SN-1\nSN-2\n' | "$cli" program --port "$tmp/sc1" --file "$asv" --scan --timeout 30 \
  --record "$tmp/scanned.csv" --line-db "$station" --station line8 >/dev/null 2>"$tmp/scanned.err"
printf 'SN-1\n' | "$cli" program --port "$tmp/sc1" --file "$asv" --scan --rework --timeout 30 \
  --record "$tmp/scanned.csv" --line-db "$station" --station line8 >/dev/null 2>>"$tmp/scanned.err"
got=$(rows "SELECT string_agg(serial || ':' || attempt || ':' || result, ' ' ORDER BY time) FROM ctrlprog_rows WHERE station = 'line8'")
[ "$got" = "SN-1:1:PASS SN-2:1:PASS SN-1:2:PASS" ] && ok "scanned boards on the server with serial and attempt" \
  || { bad "scanned rows on the server: $got"; cat "$tmp/scanned.err"; }
# Another station, its own record: a board that passed at line8 is refused from the server.
printf 'SN-2\nSN-3\n' | "$cli" program --port "$tmp/sc1" --file "$asv" --scan --timeout 30 --json \
  --record "$tmp/other.csv" --line-db "$station" --station line9 >"$tmp/other.out" 2>"$tmp/other.err"
if grep -q '"event":"scan_refused","serial":"SN-2","reason":"board SN-2 already passed at .* on line8 ' "$tmp/other.out" \
   && grep -q '"event":"finished".*"serial":"SN-3","attempt":1' "$tmp/other.out" \
   && ! grep -q '"serial":"SN-2","attempt"' "$tmp/other.out"; then
  ok "a board that passed at another station is refused from the line database"
else
  bad "passed elsewhere"; cat "$tmp/other.out" "$tmp/other.err"
fi
reader="host=$tmp/pg dbname=ctrlprog_line user=reader"
for form in "" --json; do
  "$cli" trace SN-1 --record "$tmp/scanned.csv" $form >"$tmp/trace-csv.txt" 2>&1
  "$cli" trace SN-1 --line-db "$reader" $form >"$tmp/trace-db.txt" 2>&1
  if [ "$(grep -c PASS "$tmp/trace-db.txt")" = 2 ] && cmp -s "$tmp/trace-csv.txt" "$tmp/trace-db.txt"; then
    ok "trace ${form:-as text}: the record and the server agree (2 attempts)"
  else
    bad "trace ${form:-as text} differs"; diff "$tmp/trace-csv.txt" "$tmp/trace-db.txt"
  fi
done
# A serial is matched as it is: the pattern characters of SQL's LIKE name no board.
for wild in 'SN-_' 'SN-%' '%'; do
  for from in --record --line-db; do
    source=$([ $from = --record ] && echo "$tmp/scanned.csv" || echo "$reader")
    "$cli" trace "$wild" $from "$source" >"$tmp/wild.out" 2>&1
    [ $? = 1 ] && ! grep -q PASS "$tmp/wild.out" && ok "trace '$wild' $from names no board" \
      || { bad "trace '$wild' $from matched"; cat "$tmp/wild.out"; }
  done
done
"$cli" trace NOBODY --line-db "$reader" >/dev/null 2>"$tmp/nobody.err"
[ $? = 1 ] && grep -q 'no row names the board NOBODY' "$tmp/nobody.err" && ok "trace of an unknown board: exit 1" \
  || bad "trace of an unknown board"

# 8. A table made before rows named their board, holding rows: a station upgrades one it made
#    itself; one an administrator made is refused with the way out, and line-db.sql upgrades it.
#    The rows it held stay as they were.
older_table="CREATE TABLE ctrlprog_rows (journal text NOT NULL, journal_row bigint NOT NULL,
  station text NOT NULL, time timestamptz NOT NULL, port text NOT NULL, file text NOT NULL,
  frame text NOT NULL, result text NOT NULL, cycle_ms integer, received timestamptz NOT NULL DEFAULT now(),
  PRIMARY KEY (journal, journal_row));
  INSERT INTO ctrlprog_rows SELECT md5(g::text), 1, 'old', now(), '/dev/ttyS0', '', 'x', 'PASS', 1 FROM generate_series(1, 5) g"
for owner in station1 postgres; do
  "$pg" psql "$tmp/pg" -d postgres -c "CREATE DATABASE older_$owner OWNER $owner" >/dev/null
  "$pg" psql "$tmp/pg" -d "older_$owner" -c "SET ROLE $owner" -c "$older_table" >/dev/null
  "$pg" psql "$tmp/pg" -d "older_$owner" -c "GRANT INSERT, SELECT ON ctrlprog_rows TO station1" >/dev/null
done
older="host=$tmp/pg dbname=older_station1 user=station1"
"$cli" forward --record "$tmp/scanned.csv" --line-db "$older" 2>"$tmp/older.err"
got=$("$pg" psql "$tmp/pg" -d older_station1 -c "SELECT count(*) FILTER (WHERE serial IS NULL AND station = 'old') || ' ' || count(serial) || ' ' || (to_regclass('ctrlprog_rows_serial') IS NOT NULL) FROM ctrlprog_rows")
[ "$got" = "5 3 true" ] && grep -q 'now has the columns serial and attempt' "$tmp/older.err" \
  && ok "a station upgrades the table it made: 5 old rows kept, 3 scanned rows with their serial, serial indexed" \
  || { bad "station's own upgrade: $got"; cat "$tmp/older.err"; }
admin="host=$tmp/pg dbname=older_postgres user=station1"
check "a table an administrator made before rows named their board" 2 'upgrade it with packaging/line-db.sql' -- \
  "$cli" forward --record "$tmp/scanned.csv" --line-db "$admin"
"$pg" psql "$tmp/pg" -d older_postgres -f "$(dirname "$pg")/../packaging/line-db.sql" >/dev/null 2>&1
"$cli" forward --record "$tmp/scanned.csv" --line-db "$admin" 2>"$tmp/admin.err"
got=$("$pg" psql "$tmp/pg" -d older_postgres -c "SELECT count(*) FILTER (WHERE serial IS NULL AND station = 'old') || ' ' || count(serial) FROM ctrlprog_rows")
[ "$got" = "5 3" ] && ok "line-db.sql upgrades an administrator's table: its 5 rows kept, 3 scanned rows in" \
  || { bad "administrator's upgrade: $got"; cat "$tmp/admin.err"; }

# 9. The report of the server and of the journals agree.
"$cli" report --line-db "host=$tmp/pg dbname=ctrlprog_line user=reader" --json >"$tmp/server.json" 2>/dev/null
{ cat "$tmp/day1.csv"; tail -n +2 "$tmp/day2.csv"; tail -n +2 "$tmp/journal.csv"; tail -n +2 "$tmp/hung.csv"
  tail -n +2 "$tmp/refused.csv" | grep -v /dev/refused; tail -n +2 "$tmp/backlog.csv"
  tail -n +2 "$tmp/scanned.csv"; tail -n +2 "$tmp/other.csv"; } >"$tmp/all.csv"
"$cli" report --record "$tmp/all.csv" --json >"$tmp/csv.json" 2>/dev/null
if [ -s "$tmp/server.json" ] && cmp -s "$tmp/server.json" "$tmp/csv.json"; then
  ok "report: server and records agree ($(wc -l <"$tmp/server.json") lines)"
else
  bad "report differs"; diff "$tmp/server.json" "$tmp/csv.json" | head
fi
"$cli" report --line-db "host=$tmp/pg dbname=ctrlprog_line user=reader" --since 2026-12-07T13:10Z --until 2026-12-07T13:20Z --utc >"$tmp/window.txt"
grep -q '^2026-12-07T13:00Z  *line7  *6000  *5400  *600  *0  *0  *90.0%' "$tmp/window.txt" \
  && ok "report --since/--until" || { bad "report window"; cat "$tmp/window.txt"; }
# The page names the database, never how to reach it.
"$cli" report --line-db "host=$tmp/pg dbname=ctrlprog_line user=reader" --html "$tmp/db.html" 2>/dev/null
grep -q 'Line database ctrlprog_line' "$tmp/db.html" && ! grep -qE 'host=|hostaddr|port=|user=|reader' "$tmp/db.html" \
  && ok "the page names the database by its name only" || { bad "the page's source"; grep -m1 'class="meta"' "$tmp/db.html"; }
exit $fail
