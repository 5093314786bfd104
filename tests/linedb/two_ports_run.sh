#!/usr/bin/env bash
# Two ports of ctrlprog-cli programming simulated boards, their rows in a record forwarded to a
# line database that this script starts, then scanned boards checked against that database on
# its own thread: runs for a sanitizer build to watch (make tsan).
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
"$pg" start "$tmp/pg" >/dev/null || { echo "FAIL no PostgreSQL server"; exit 1; }
export PGPASSWORD=secret
for b in p1 p2; do
  "$devsim" --link "$tmp/$b" --boards 1000 >/dev/null 2>&1 &
  sims+=($!)
  for _ in $(seq 100); do [ -e "$tmp/$b" ] && break; sleep 0.05; done
done
"$cli" program --port "$tmp/p1" --port "$tmp/p2" --file "$examples/example.asv" --count 5 \
  --timeout 120 --record "$tmp/record.csv" --json \
  --line-db "host=$tmp/pg dbname=ctrlprog_line user=station1" >"$tmp/out" 2>"$tmp/err"
status=$?
server=$("$pg" psql "$tmp/pg" -c "SELECT count(*) FROM ctrlprog_rows WHERE result = 'PASS'")
if [ $status != 0 ] || [ "$server" != 10 ]; then
  echo "FAIL two ports: exit $status, $server rows on the server"
  cat "$tmp/err"
  exit 1
fi
echo "ok   two ports, 10 boards, 10 rows on the line database"
printf '1 SN-1\n2 SN-2\n1 SN-3\n2 SN-1\n' | "$cli" program --port "$tmp/p1" --port "$tmp/p2" \
  --file "$examples/example.asv" --scan --timeout 120 --record "$tmp/scanned.csv" --json \
  --line-db "host=$tmp/pg dbname=ctrlprog_line user=station1" >"$tmp/out" 2>"$tmp/err"
status=$?
passed=$(grep -c '"event":"finished"' "$tmp/out")
if [ $status = 0 ] && [ "$passed" = 3 ] && grep -q '"scan_refused","serial":"SN-1"' "$tmp/out"; then
  echo "ok   scanned boards on two ports, checked against the line database"
  exit 0
fi
echo "FAIL scanned boards: exit $status, $passed programmed"
cat "$tmp/out" "$tmp/err"
exit 1
