#!/usr/bin/env bash
# The line database against a real PostgreSQL 15 started here: stations that lose the server
# and get it back, a station killed while forwarding, refusals, and reports that agree. A
# missing server fails the test; it is never skipped.
set -u
cli=$1 devsim=$2 examples=$3 pg=$4
tmp=$(mktemp -d)
chmod 755 "$tmp"
sims=()
cleanup() {
  for p in "${sims[@]}"; do kill "$p" 2>/dev/null; done
  "$pg" stop "$tmp/pg" immediate
  rm -rf "$tmp"
}
trap cleanup EXIT
fail=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; fail=1; }

"$pg" start "$tmp/pg" >/dev/null || { echo "FAIL no PostgreSQL server"; exit 1; }
station="host=$tmp/pg dbname=ctrlprog_line user=station1"
reader="host=$tmp/pg dbname=ctrlprog_line user=reader"
export PGPASSWORD=secret  # never on the command line
rows() { "$pg" psql "$tmp/pg" -c "$1"; }

start_sim() {  # name: a simulated board behind $tmp/name
  "$devsim" --link "$tmp/$1" --boards 1000 >"$tmp/$1.sim" 2>&1 &
  sims+=($!)
  for _ in $(seq 50); do [ -e "$tmp/$1" ] && return; sleep 0.1; done
}

# 1. Two stations on one journal, two boards each; the server crashes in the middle and comes
#    back five seconds later. Every acknowledged board is in the journal once and on the server
#    once.
for b in a1 a2 b1 b2; do start_sim $b; done
for s in a b; do
  "$cli" program --port "$tmp/${s}1" --port "$tmp/${s}2" --file "$examples/example.asv" \
    --timeout 14 --record "$tmp/journal.csv" --line-db "$station" --station line3 --json \
    >"$tmp/$s.out" 2>"$tmp/$s.err" &
  eval "pid_$s=$!"
done
sleep 4
"$pg" stop "$tmp/pg" immediate
sleep 5
"$pg" start "$tmp/pg" >/dev/null
wait "$pid_a"; wait "$pid_b"
acks=$(cat "$tmp"/a1.sim "$tmp"/a2.sim "$tmp"/b1.sim "$tmp"/b2.sim | grep -c 'programmed, acknowledged')
journal=$(grep -c ',PASS,' "$tmp/journal.csv")
"$cli" forward --record "$tmp/journal.csv" --line-db "$station" 2>"$tmp/fwd.err"
server=$(rows "SELECT count(*) FROM ctrlprog_rows WHERE result = 'PASS'")
lines=$(($(grep -c $'\r$' "$tmp/journal.csv") - 1))
all=$(rows "SELECT count(*) || ' ' || count(DISTINCT row_no) || ' ' || min(row_no) || ' ' || max(row_no) FROM ctrlprog_rows")
if [ "$acks" -gt 8 ] && [ "$acks" = "$journal" ] && [ "$journal" = "$server" ] && [ "$all" = "$lines $lines 1 $lines" ]; then
  ok "server crash: $acks boards acknowledged, $journal in the journal, $server on the server"
else
  bad "server crash: acks $acks, journal $journal, server $server, rows $all of $lines"
fi
grep -q '"event":"line_record","text":"line record: [1-9][0-9]* rows waiting"' "$tmp/a.out" \
  && ok "rows waiting said while the server was down" || bad "no rows waiting in --json"
grep -q 'secret' "$tmp"/*.err "$tmp"/*.out && bad "a password was printed" || ok "no password printed"

# 2. A station killed while it forwards a backlog, and started again: nothing lost, nothing
#    twice. The backlog is made as the record writes it.
python3 - "$tmp/backlog.csv" <<'PY'
import sys
frame = "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00"
with open(sys.argv[1], "w", newline="") as f:
    f.write("time,station,port,file,frame,result,cycle_ms\r\n")
    for i in range(20000):
        result = "PASS" if i % 10 else "FAIL"
        f.write(f"2026-12-07T21:{i // 600 % 60:02d}:{i // 10 % 60:02d}.{i % 10}00+08:00,line4,/dev/ttyUSB0,/srv/a.asv,{frame},{result},{400 + i % 50}\r\n")
    f.write("2026-12-07T22:00:00.000+08:00,line4,/dev/ttyUSB0,,02 0F,PASS,1\r\n")  # row 20001: bad
PY
"$cli" forward --record "$tmp/backlog.csv" --line-db "$station" 2>"$tmp/kill.err" &
killer=$!
sleep 0.15
kill -9 $killer 2>/dev/null; wait $killer 2>/dev/null
before=$(rows "SELECT count(*) FROM ctrlprog_rows WHERE station = 'line4'")
start=$(date +%s.%N)
"$cli" forward --record "$tmp/backlog.csv" --line-db "$station" 2>"$tmp/again.err"
took=$(python3 -c "print(round($(date +%s.%N) - $start, 2))")
after=$(rows "SELECT count(*) || ' ' || count(DISTINCT row_no) FROM ctrlprog_rows WHERE station = 'line4'")
[ "$after" = "20000 20000" ] && ok "killed while forwarding ($before rows in), then again: $after rows, each once" \
  || bad "killed while forwarding: $after"
grep -q 'row 20001 of .* was skipped: the frame is not 26 bytes' "$tmp/again.err" \
  && ok "a bad row is skipped with its number" || { bad "bad row"; cat "$tmp/again.err"; }
echo "measure: the rest of a 20000-row backlog ($((20000 - before)) rows) forwarded in ${took} s"

# 3. What no retry mends is refused at start-up, with its reason; an unreachable server is not.
check() {  # name status pattern -- command...
  local name=$1 status=$2 pattern=$3; shift 4
  "$@" >/dev/null 2>"$tmp/check.err"; local got=$?
  [ "$got" = "$status" ] && grep -q "$pattern" "$tmp/check.err" && ok "$name" \
    || { bad "$name: status $got"; cat "$tmp/check.err"; }
}
start_sim c1
args=(program --port "$tmp/c1" --file "$examples/example.asv" --count 1 --timeout 20)
check "wrong password" 2 'password authentication failed' -- \
  env PGPASSWORD=wrong "$cli" "${args[@]}" --line-db "$station"
check "address that does not parse" 2 'does not parse' -- "$cli" "${args[@]}" --line-db "host=x port"
check "unknown host: programs on, rows wait" 0 'cannot be reached' -- \
  env XDG_STATE_HOME="$tmp/state" "$cli" "${args[@]}" --line-db "host=no-such-host.invalid dbname=x connect_timeout=2"
[ -s "$tmp/state/ctrlprog/record.csv" ] && ok "the journal defaults to XDG_STATE_HOME" || bad "default journal"
"$pg" psql "$tmp/pg" -d postgres -c "CREATE DATABASE other" >/dev/null
"$pg" psql "$tmp/pg" -d other -c \
  "CREATE TABLE ctrlprog_rows (station text, row_no int); GRANT ALL ON ctrlprog_rows TO station1" >/dev/null
check "table of another shape" 2 'another shape' -- \
  "$cli" "${args[@]}" --line-db "host=$tmp/pg dbname=other user=station1"

# A station that may creates the table where it is missing: the same one line-db.sql makes.
"$pg" psql "$tmp/pg" -d postgres -c "CREATE DATABASE fresh OWNER station1" >/dev/null
"$cli" forward --record "$tmp/journal.csv" --line-db "host=$tmp/pg dbname=fresh user=station1" 2>"$tmp/fresh.err"
[ "$("$pg" psql "$tmp/pg" -d fresh -c "SELECT count(*) FROM ctrlprog_rows")" = "$lines" ] \
  && ok "the table made by the station where it was missing" || { bad "station-made table: $("$pg" psql "$tmp/pg" -d fresh -c "SELECT count(*) FROM ctrlprog_rows" 2>&1) of $lines"; cat "$tmp/fresh.err"; }

# 4. The report of the server and of the journal agree.
"$cli" report --line-db "$reader" --json >"$tmp/server.json" 2>&1
cat "$tmp/journal.csv" >"$tmp/both.csv"
tail -n +2 "$tmp/backlog.csv" | head -20000 >>"$tmp/both.csv"
"$cli" report --record "$tmp/both.csv" --json >"$tmp/csv.json" 2>&1
if [ -s "$tmp/server.json" ] && cmp -s "$tmp/server.json" "$tmp/csv.json"; then
  ok "report: server and record agree ($(wc -l <"$tmp/server.json") station-hours)"
else
  bad "report differs"; diff "$tmp/server.json" "$tmp/csv.json" | head
fi
"$cli" report --line-db "$reader" --since 2026-12-07T13:10Z --until 2026-12-07T13:20Z >"$tmp/window.txt"
grep -q '^line4 .* 2026-12-07T13:00Z .* 6000 .* 5400 .* 600 .* 90.0%$' "$tmp/window.txt" \
  && ok "report --since/--until" || { bad "report window"; cat "$tmp/window.txt"; }
exit $fail
