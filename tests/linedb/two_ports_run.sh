#!/usr/bin/env bash
# Two ports of ctrlprog-cli programming simulated boards, their rows in a record forwarded to a
# line database that this script starts: a run for a sanitizer build to watch (make tsan).
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
if [ $status = 0 ] && [ "$server" = 10 ]; then
  echo "ok   two ports, 10 boards, 10 rows on the line database"
  exit 0
fi
echo "FAIL two ports: exit $status, $server rows on the server"
cat "$tmp/err"
exit 1
