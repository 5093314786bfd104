#!/usr/bin/env bash
# The sums kept with the rows, against a real PostgreSQL 15 started here: after rows forwarded,
# the same rows again (kept once by their key), a batch with a row the server refuses (found
# by halving), rows removed, and the upgrade of a table that held rows without sums (filled
# once, and nothing changes when it runs again), the sums equal what the rows say; a table
# without them is refused naming the upgrade; and the server's report equals the records' at
# bounds that cut quarter hours and days. Every run is bounded; a missing server fails.
set -u
cli=$1 pg=$2 sql_file=$3
tmp=$(mktemp -d)
chmod 755 "$tmp"
trap '"$pg" stop "$tmp/pg" immediate; rm -rf "$tmp"' EXIT
fail=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; fail=1; }
"$pg" start "$tmp/pg" >/dev/null || { echo "FAIL no PostgreSQL server"; exit 1; }
export PGPASSWORD=secret
station="host=$tmp/pg dbname=ctrlprog_line user=station1"
reader="host=$tmp/pg dbname=ctrlprog_line user=reader"
sql() { "$pg" psql "$tmp/pg" -v ON_ERROR_STOP=1 -c "$1"; }
forward() { timeout 60 "$cli" forward --record "$1" --line-db "$station" >"$1.out" 2>"$1.err"; }
# journal path id first last [serial of refused rows]: rows first..last of the journal `id`, a
# board every 97 s across two stations and three ports, results of every kind, scanned boards
# that come back (some passing again), boards without a serial.
journal() {
  perl -e '
    my ($id, $first, $last) = @ARGV;
    my @results = qw(PASS FAIL PASS LOST RESTORED UNCONFIRMED PASS PASS);
    my $frame = "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";
    print "time,station,port,file,frame,result,cycle_ms,journal,journal_row,serial,attempt\r\n";
    for my $i ($first .. $last) {
      my @g = gmtime(1796601600 + $i * 97);
      my $serial = $i % 5 == 0 ? "" : sprintf("SN%02d", $i % 37);
      $serial = "REFUSED" if $i % 101 == 0;
      printf "%04d-%02d-%02dT%02d:%02d:%02d.000+00:00,line%d,/dev/ttyUSB%d,/srv/a.asv,%s,%s,400,%s,%d,%s,%s\r\n",
        $g[5] + 1900, $g[4] + 1, $g[3], $g[2], $g[1], $g[0], $i % 2 + 1, $i % 3, $frame,
        $results[$i % 8], $id, $i, $serial, $serial eq "" ? "" : $i % 3 + 1;
    }' "$@"
}
# How many sums differ from what the rows say (quarters, boards passed, boards passed again,
# journals' days, hours); 0 when they agree.
differ() {
  sql "WITH rq AS (SELECT date_bin('15 minutes', time, 'epoch') AS start, station, port,
      count(*) FILTER (WHERE result = 'PASS') AS passes, count(*) FILTER (WHERE result = 'FAIL') AS fails,
      count(*) FILTER (WHERE result = 'UNCONFIRMED') AS unconfirmed, count(*) FILTER (WHERE result = 'LOST') AS lost,
      count(*) FILTER (WHERE result IN ('PASS', 'FAIL', 'UNCONFIRMED') AND serial IS NULL) AS unnamed,
      count(*) FILTER (WHERE result IN ('PASS', 'FAIL', 'UNCONFIRMED') AND serial IS NOT NULL AND attempt = 1) AS named,
      count(*) FILTER (WHERE result = 'PASS' AND serial IS NOT NULL AND attempt = 1) AS first_pass
      FROM ctrlprog_rows WHERE result <> 'RESTORED' GROUP BY 1, 2, 3),
    sq AS (SELECT * FROM ctrlprog_quarters WHERE passes + fails + unconfirmed + lost > 0),
    rp AS (SELECT serial, count(*) AS passes FROM ctrlprog_rows WHERE result = 'PASS' AND serial IS NOT NULL GROUP BY 1),
    sp AS (SELECT * FROM ctrlprog_passes WHERE passes > 0),
    rr AS (SELECT journal, journal_row, serial, time FROM ctrlprog_rows WHERE result = 'PASS' AND serial IN (SELECT serial FROM rp WHERE passes > 1)),
    rd AS (SELECT date_bin('1 day', time, 'epoch'), station, journal, min(time), max(time) FROM ctrlprog_rows GROUP BY 1, 2, 3),
    rh AS (SELECT date_bin('1 hour', start, 'epoch') AS start, station, port, sum(passes) AS passes,
      sum(fails) AS fails, sum(unconfirmed) AS unconfirmed, sum(lost) AS lost, sum(unnamed) AS unnamed,
      sum(named) AS named, sum(first_pass) AS first_pass FROM rq GROUP BY 1, 2, 3),
    sh AS (SELECT * FROM ctrlprog_hours WHERE passes + fails + unconfirmed + lost > 0)
    SELECT (SELECT count(*) FROM (SELECT * FROM rq EXCEPT ALL SELECT * FROM sq) a)
         + (SELECT count(*) FROM (SELECT * FROM sq EXCEPT ALL SELECT * FROM rq) b)
         + (SELECT count(*) FROM (SELECT * FROM rp EXCEPT ALL SELECT * FROM sp) c)
         + (SELECT count(*) FROM (SELECT * FROM sp EXCEPT ALL SELECT * FROM rp) d)
         + (SELECT count(*) FROM (SELECT * FROM rr EXCEPT ALL SELECT * FROM ctrlprog_repasses) e)
         + (SELECT count(*) FROM (SELECT * FROM ctrlprog_repasses EXCEPT ALL SELECT * FROM rr) f)
         + (SELECT count(*) FROM (SELECT * FROM rd EXCEPT ALL SELECT * FROM ctrlprog_journal_days) g)
         + (SELECT count(*) FROM (SELECT * FROM ctrlprog_journal_days EXCEPT ALL SELECT * FROM rd) h)
         + (SELECT count(*) FROM (SELECT * FROM rh EXCEPT ALL SELECT * FROM sh) i)
         + (SELECT count(*) FROM (SELECT * FROM sh EXCEPT ALL SELECT * FROM rh) j)"
}
agree() {  # what: the sums equal the rows' sums, and there are some
  local d q
  d=$(differ) q=$(sql "SELECT count(*) FROM ctrlprog_quarters")
  [ "$d" = 0 ] && [ "$q" -gt 0 ] && ok "$1: the sums equal the rows' ($q quarter hours)" \
    || bad "$1: $d sums differ from the rows' ($q quarter hours)"
}
# The report of the server and of `record`, in UTC and local time, whole and at bounds that cut
# quarter hours and days.
reports_agree() {
  local record=$1 what=$2 bounds
  for bounds in "" "--since 2026-12-07T10:07:13Z --until 2026-12-09T05:52Z" \
      "--since 2026-12-08T00:00Z" "--until 2026-12-08T13:14:15Z" \
      "--since 2026-12-07T11:01Z --until 2026-12-07T11:11Z" "--since 2026-12-07T11:05Z --until 2026-12-07T11:20Z"; do
    for zone in UTC Asia/Kolkata America/New_York; do
      TZ=$zone timeout 60 "$cli" report --line-db "$reader" $bounds --json >"$tmp/server.json" 2>"$tmp/server.err"
      TZ=$zone timeout 60 "$cli" report --record "$record" $bounds --json >"$tmp/record.json" 2>/dev/null
      if ! [ -s "$tmp/record.json" ] || ! cmp -s "$tmp/server.json" "$tmp/record.json"; then
        bad "$what: the server's report differs from the record's ($bounds, $zone)"
        cat "$tmp/server.err"; diff "$tmp/server.json" "$tmp/record.json" | head -5
        return
      fi
    done
  done
  ok "$what: the server's report is the record's, byte for byte, at every bound and zone"
}

# 1. Rows forwarded, then the same journal again with more rows (the first kept once).
journal "$(printf '%032x' 1)" 1 1500 >"$tmp/a.csv"
journal "$(printf '%032x' 1)" 1 2000 >"$tmp/a2.csv"
forward "$tmp/a.csv" || bad "forward a: $(cat "$tmp/a.csv.err")"
agree "rows forwarded"
forward "$tmp/a2.csv" || bad "forward a2: $(cat "$tmp/a2.csv.err")"
[ "$(sql "SELECT count(*) FROM ctrlprog_rows")" = 2000 ] || bad "rows sent twice are not kept once"
agree "the same rows again, kept once by their key"
reports_agree "$tmp/a2.csv" "rows sent twice"

# 2. A batch where the server refuses some rows (found by halving): the sums count only the
#    rows stored.
sql "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS \$\$ BEGIN
       IF NEW.serial = 'REFUSED' THEN RAISE EXCEPTION 'refused' USING ERRCODE = '23514'; END IF;
       RETURN NEW; END \$\$;
     CREATE TRIGGER refuse BEFORE INSERT ON ctrlprog_rows FOR EACH ROW EXECUTE FUNCTION refuse()" >/dev/null
journal "$(printf '%032x' 2)" 2001 3000 >"$tmp/b.csv"
forward "$tmp/b.csv"
refused=$(grep -c REFUSED "$tmp/b.csv.refused.csv" 2>/dev/null)
[ "${refused:-0}" = 10 ] && [ "$(sql "SELECT count(*) FROM ctrlprog_rows")" = 2990 ] \
  && ok "a batch with refused rows: 10 set aside, 990 stored" \
  || bad "refused rows: ${refused:-0} set aside, $(sql "SELECT count(*) FROM ctrlprog_rows") stored"
agree "a batch with refused rows"
{ cat "$tmp/a2.csv"; tail -n +2 "$tmp/b.csv" | grep -v REFUSED; } >"$tmp/all.csv"
reports_agree "$tmp/all.csv" "after refused rows"

# 3. Rows removed by hand take their counts with them.
sql "DELETE FROM ctrlprog_rows WHERE journal_row % 7 = 0 OR journal_row BETWEEN 100 AND 300" >/dev/null
agree "rows removed"

# 4. A table an administrator made before the sums: refused at start-up naming the upgrade;
#    the upgrade fills the sums once from the rows there, and again changes nothing.
sql "DROP TRIGGER ctrlprog_rows_sums_insert ON ctrlprog_rows; DROP TRIGGER ctrlprog_rows_sums_delete ON ctrlprog_rows;
     DROP TRIGGER ctrlprog_rows_sums_update ON ctrlprog_rows; DROP TRIGGER ctrlprog_rows_sums_truncate ON ctrlprog_rows;
     TRUNCATE ctrlprog_quarters, ctrlprog_passes, ctrlprog_repasses, ctrlprog_journal_days" >/dev/null
sql "DROP TRIGGER refuse ON ctrlprog_rows" >/dev/null
journal "$(printf '%032x' 3)" 3001 3100 >"$tmp/c.csv"
forward "$tmp/c.csv"
if grep -q 'no sums kept with it.*upgrade it with packaging/line-db.sql' "$tmp/c.csv.err" &&
   timeout 60 "$cli" report --line-db "$reader" 2>&1 | grep -q 'upgrade it with packaging/line-db.sql'; then
  ok "a table without the sums is refused by a station and a report, naming the upgrade"
else
  bad "a table without the sums: $(cat "$tmp/c.csv.err")"
fi
PGOPTIONS="-c client_min_messages=warning" "$pg" psql "$tmp/pg" -v ON_ERROR_STOP=1 -f "$sql_file" >/dev/null \
  || bad "the upgrade did not run"
agree "the upgrade of a table holding rows"
PGOPTIONS="-c client_min_messages=warning" "$pg" psql "$tmp/pg" -v ON_ERROR_STOP=1 -f "$sql_file" >/dev/null
agree "the upgrade run again"
forward "$tmp/c.csv" && [ "$(sql "SELECT count(*) FROM ctrlprog_rows WHERE journal = '$(printf '%032x' 3)'")" = 100 ] \
  || bad "rows after the upgrade: $(cat "$tmp/c.csv.err")"
agree "rows after the upgrade"

# 4b. Sums kept before the hour sums were: a report reads the quarter hours meanwhile; a station
#     that may not add the hour sums says what the owner runs, and that fills them once from the
#     quarters.
sql "COMMENT ON TABLE ctrlprog_hours IS NULL; TRUNCATE ctrlprog_hours" >/dev/null
{ cat "$tmp/a2.csv"; tail -n +2 "$tmp/b.csv" | grep -v REFUSED; tail -n +2 "$tmp/c.csv"; } >"$tmp/all.csv"
sql "DELETE FROM ctrlprog_rows WHERE journal_row % 7 = 0 OR journal_row BETWEEN 100 AND 300" >/dev/null
perl -ne 'my @f = split /,/; print unless $. > 1 && ($f[-3] % 7 == 0 || ($f[-3] >= 100 && $f[-3] <= 300))' \
  "$tmp/all.csv" >"$tmp/kept.csv"
reports_agree "$tmp/kept.csv" "without the hour sums"
journal "$(printf '%032x' 4)" 3101 3200 >"$tmp/d.csv"
forward "$tmp/d.csv" || bad "forward d: $(cat "$tmp/d.csv.err")"
grep -q 'no hour sums.*until its owner runs packaging/line-db.sql' "$tmp/d.csv.err" \
  && ok "a station that may not add the hour sums forwards, and names the upgrade" \
  || bad "the hour sums missing: $(cat "$tmp/d.csv.err")"
PGOPTIONS="-c client_min_messages=warning" "$pg" psql "$tmp/pg" -v ON_ERROR_STOP=1 -f "$sql_file" >/dev/null \
  || bad "the upgrade did not run"
agree "the hour sums filled from the quarters by the upgrade"

# 5. Boards passed more than once in a period, from the sums, as the rows count them.
for since in "" 2026-12-07T12:00Z 2026-12-08T03:07Z; do
  want=$(sql "SELECT count(*) FROM (SELECT serial FROM ctrlprog_rows WHERE result = 'PASS' AND serial IS NOT NULL
              AND time >= coalesce(nullif('$since', '')::timestamptz, '-infinity') GROUP BY 1 HAVING count(*) > 1) s")
  got=$(timeout 60 "$cli" report --line-db "$reader" ${since:+--since $since} | sed -n 's/^\([0-9]*\) scanned boards passed more than once.*/\1/p')
  [ "${got:-0}" = "$want" ] && [ "$want" -gt 0 ] || bad "passed more than once since '$since': $got, the rows say $want"
done
ok "boards passed more than once, from the sums, as the rows count them"

# 6. A line database without the hour sums' table (dropped by hand): reports read the quarters.
sql "DROP TABLE ctrlprog_hours" >/dev/null
{ cat "$tmp/kept.csv"; tail -n +2 "$tmp/d.csv"; } >"$tmp/final.csv"
reports_agree "$tmp/final.csv" "without the hour sums' table"

exit $fail
