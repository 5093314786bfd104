#!/usr/bin/env bash
# Faults told apart by where they come from, against a real PostgreSQL 15 started here: a
# trigger that refuses some rows (P0001) has those set aside and the others stored; a refusal
# of every row alike is the table's, so nothing is set aside and the rows wait; a role that may
# INSERT but not read the key is refused at start-up and works once it may; a statement the
# server never ends is given up at its deadline; a NUL byte, which the server's text cannot
# hold, sets its row aside before it is sent; in Chinese, a wrong password and a missing
# database are each said in one Chinese sentence. Every run is bounded; a missing server fails.
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
sql() { "$pg" psql "$tmp/pg" -c "$1"; }
count() { sql "SELECT count(*) FROM ctrlprog_rows WHERE station = '$1'"; }
forward() {  # journal [address]: forward, bounded; its status
  timeout 60 "$cli" forward --record "$1" --line-db "${2:-$station}" >"$1.out" 2>"$1.err"
}
# journal station rows [port of row N ...]: a journal of `rows` rows, some on /dev/refused.
journal() {
  python3 - "$@" <<'PY'
import sys
path, station, rows, refused = sys.argv[1], sys.argv[2], int(sys.argv[3]), {int(n) for n in sys.argv[4:]}
frame = "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00"
jid = format(abs(hash(path)) % (1 << 128), "032x")
with open(path, "w", newline="") as f:
    f.write("time,station,port,file,frame,result,cycle_ms,journal,journal_row\r\n")
    for i in range(1, rows + 1):
        port = "/dev/refused" if i in refused else "/dev/ttyUSB0"
        f.write(f"2026-12-07T21:{i // 60 % 60:02d}:{i % 60:02d}.000+08:00,{station},{port},,{frame},PASS,400,{jid},{i}\r\n")
PY
}

# 1. A trigger refuses three rows of a thousand by their port: those are set aside with the
#    trigger's SQLSTATE, the other 997 arrive.
sql "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS \$\$ BEGIN
       IF NEW.port = '/dev/refused' THEN RAISE EXCEPTION 'port % is closed', NEW.port; END IF;
       IF NEW.station = 'closed' THEN RAISE EXCEPTION 'the line is closed'; END IF;
       IF NEW.station = 'slow' THEN PERFORM pg_sleep(120); END IF;
       RETURN NEW; END \$\$;
     CREATE TRIGGER refuse BEFORE INSERT ON ctrlprog_rows FOR EACH ROW EXECUTE FUNCTION refuse();" >/dev/null
journal "$tmp/some.csv" some 1000 10 500 999
forward "$tmp/some.csv"; status=$?
aside=$(grep -c 'P0001' "$tmp/some.csv.refused.csv" 2>/dev/null)
if [ $status = 0 ] && [ "$(count some)" = 997 ] && [ "$aside" = 3 ]; then
  ok "a trigger refusing 3 rows of 1000: 997 arrive, 3 set aside with P0001"
else
  bad "trigger refusing some rows: exit $status, $(count some) on the server, ${aside:-0} set aside"
  cat "$tmp/some.csv.err"
fi

# 2. Every row refused alike: the table's fault, not the rows'. Nothing is set aside; the rows
#    wait, and arrive once the table takes them.
journal "$tmp/closed.csv" closed 40
forward "$tmp/closed.csv"; status=$?
if [ $status = 1 ] && [ ! -e "$tmp/closed.csv.refused.csv" ] && [ "$(count closed)" = 0 ] \
   && grep -q 'refuses every row alike' "$tmp/closed.csv.err"; then
  ok "every row refused alike: none set aside, the station says so and they wait"
else
  bad "every row refused alike: exit $status"; cat "$tmp/closed.csv.err"
fi
"$pg" psql "$tmp/pg" -c "CREATE OR REPLACE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS \$\$ BEGIN
       IF NEW.station = 'slow' THEN PERFORM pg_sleep(120); END IF; RETURN NEW; END \$\$" >/dev/null
forward "$tmp/closed.csv"; status=$?
[ $status = 0 ] && [ "$(count closed)" = 40 ] && ok "once the table takes them, all 40 arrive" \
  || { bad "after the table was mended: exit $status, $(count closed) rows"; cat "$tmp/closed.csv.err"; }

# 3. A role that may INSERT but not read the key ON CONFLICT reads: refused at start-up (exit 2),
#    never left waiting; with SELECT on the key it works.
sql "CREATE ROLE inserter LOGIN PASSWORD 'secret'; GRANT INSERT ON ctrlprog_rows TO inserter" >/dev/null
journal "$tmp/inserter.csv" inserter 5
forward "$tmp/inserter.csv" "host=$tmp/pg dbname=ctrlprog_line user=inserter"; status=$?
[ $status = 2 ] && grep -q 'may not add rows.*SELECT on (journal, journal_row)' "$tmp/inserter.csv.err" \
  && ok "an INSERT-only role is refused at start-up, naming the SELECT it lacks" \
  || { bad "INSERT-only role: exit $status"; cat "$tmp/inserter.csv.err"; }
sql "GRANT SELECT (journal, journal_row) ON ctrlprog_rows TO inserter" >/dev/null
forward "$tmp/inserter.csv" "host=$tmp/pg dbname=ctrlprog_line user=inserter"; status=$?
[ $status = 0 ] && [ "$(count inserter)" = 5 ] && ok "with SELECT on the key, its 5 rows arrive" \
  || { bad "role with the key's SELECT: exit $status"; cat "$tmp/inserter.csv.err"; }

# 4. A statement the server does not end (a trigger sleeping 120 s) is given up at the
#    statement's deadline (10 s): forward ends, its rows waiting.
journal "$tmp/slow.csv" slow 3
start=$SECONDS
forward "$tmp/slow.csv"; status=$?
took=$((SECONDS - start))
echo "     forward with a statement that never ends took ${took} s (statement deadline 10 s)"
[ $status = 1 ] && grep -q 'no answer within 10 s' "$tmp/slow.csv.err" \
  && ok "a statement the server does not end is given up at its deadline" \
  || { bad "statement deadline: exit $status after ${took} s"; cat "$tmp/slow.csv.err"; }

# 5. A NUL byte in a field: that row is set aside before it is sent, never stored cut short.
journal "$tmp/nul.csv" nul 4
python3 - "$tmp/nul.csv" <<'PY'
import sys
p = sys.argv[1]
lines = open(p, "rb").read().split(b"\r\n")
lines[2] = lines[2].replace(b",nul,", b",nul\0cut,", 1)
open(p, "wb").write(b"\r\n".join(lines))
PY
forward "$tmp/nul.csv"; status=$?
if [ $status = 0 ] && [ "$(count nul)" = 3 ] && grep -q '^2,.*NUL byte' "$tmp/nul.csv.refused.csv"; then
  ok "a NUL byte in the station: that row set aside, the 3 others arrive"
else
  bad "NUL byte: exit $status, $(count nul) rows as nul"; cat "$tmp/nul.csv.err" "$tmp/nul.csv.refused.csv"
fi
# 6. Under zh_CN the reason is chosen by its code and said whole, in Chinese; the server's own
#    words (English, whatever the locale) follow on a line of their own.
journal "$tmp/zh.csv" zh 2
in_chinese() {  # name sentence address [PGPASSWORD]
  env LANG=zh_CN.UTF-8 LC_ALL= LC_MESSAGES= PGPASSWORD="${4:-secret}" timeout 60 \
    "$cli" forward --record "$tmp/zh.csv" --line-db "$3" >"$tmp/zh.out" 2>"$tmp/zh.err"
  local status=$? first
  first=$(head -n 1 "$tmp/zh.err")
  if [ $status = 2 ] && [ "$first" = "ctrlprog-cli: $2" ] \
     && sed -n 2p "$tmp/zh.err" | grep -q '^服务器原话：.'; then
    ok "$1 in Chinese: $2, the server's words on the next line"
  else
    bad "$1 in Chinese: exit $status"; cat "$tmp/zh.err"
  fi
}
in_chinese "a wrong password" "产线数据库拒绝了本工位：用户名或密码错误" "$station" wrong
in_chinese "a missing database" "产线数据库拒绝了本工位：服务器上没有地址中所写名称的数据库" \
  "host=$tmp/pg dbname=nowhere user=station1"
# 7. A report or a trace by a role that may not read the rows (a station's login, which may only
#    add them) is told which role reads them, ctrlprog_report, not to join ctrlprog_station,
#    which it already is in and which would not let it read.
for command in "report" "trace SN1"; do
  env LANG=C.UTF-8 LC_ALL= LC_MESSAGES= PGPASSWORD=secret timeout 60 \
    "$cli" $command --line-db "$station" >/dev/null 2>"$tmp/reader.err"
  if grep -q 'ctrlprog_report' "$tmp/reader.err" && ! grep -q 'ctrlprog_station' "$tmp/reader.err"; then
    ok "$command by a station's role: told to use a member of ctrlprog_report"
  else
    bad "$command by a station's role is misled"; cat "$tmp/reader.err"
  fi
done
exit $fail
