#!/usr/bin/env bash
# The console with --scan on a record whose index cannot be opened (its path taken by a folder),
# and on a rotated record whose last month's file was saved with LF line ends: a board that
# passed there is never programmed again. And report and trace on a record with a copy beside it.
set -u
cli=$1 devsim=$2 examples=$3
tmp=$(mktemp -d)
devsim_pid=
cleanup() {
  [ -n "$devsim_pid" ] && kill "$devsim_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; fail=1; }

"$devsim" --link "$tmp/board" --boards 100000 >"$tmp/board.sim" 2>&1 &
devsim_pid=$!
for _ in $(seq 50); do [ -e "$tmp/board" ] && break; sleep 0.1; done

scan() {  # RECORD SERIAL [ARGS]: one board scanned, its output in $tmp/out
  local record=$1 serial=$2
  shift 2
  echo "$serial" | timeout 15 "$cli" program --port "$tmp/board" --file "$examples/example.asv" \
    --scan --count 1 --timeout 5 --record "$record" "$@" >"$tmp/out" 2>&1
}
header='time,station,port,file,frame,result,cycle_ms,journal,journal_row,serial,attempt,checked'
frame='02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00'
pass() {  # SERIAL EOL: a PASS row of last month
  printf '2026-11-20T10:00:00.000+00:00,line3,p0,/srv/a.asv,%s,PASS,400,%s,1,%s,1,record%b' \
    "$frame" 0123456789abcdef0123456789abcdef "$1" "$2"
}

mkdir -p "$tmp/a/rec.csv.index"
scan "$tmp/a/rec.csv" SN-1
if grep -q 'SN-1 cannot be checked against this station' "$tmp/out" &&
  ! grep -q ',PASS,' "$tmp/a/rec.csv"; then
  ok "an index that cannot be opened lets no board through"
else
  bad "an index that cannot be opened let a board through: $(tail -2 "$tmp/out")"
fi

# Why is said once, as the index stops answering, not with every board refused.
printf 'SN-2\nSN-3\n' | timeout 15 "$cli" program --port "$tmp/board" --file "$examples/example.asv" \
  --scan --count 1 --timeout 5 --record "$tmp/a/rec.csv" >"$tmp/out" 2>&1
if [ "$(grep -c 'every scanned board is refused until' "$tmp/out")" = 1 ] &&
  grep -q 'SN-3 cannot be checked' "$tmp/out"; then
  ok "why the index cannot answer is said once"
else
  bad "why the index cannot answer was not said once: $(cat "$tmp/out")"
fi

mkdir -p "$tmp/b"
{ printf '%s\n' "$header"; pass SN-OLD '\n'; } >"$tmp/b/rec-2026-11.csv"
scan "$tmp/b/rec.csv" SN-OLD --record-rotate monthly
if grep -q 'SN-OLD' "$tmp/out" && grep -q 'refused' "$tmp/out" &&
  ! grep -q ',SN-OLD,' $(ls "$tmp"/b/rec-*.csv | grep -v 'rec-2026-11.csv'); then
  ok "a board passed in an LF period file is not programmed again"
else
  bad "a board passed in an LF period file was programmed again: $(tail -2 "$tmp/out")"
fi
# A copy of the record kept beside it under a period's name: report and trace refuse it, with the
# index and reading the files whole (a period off the quarter hours), instead of counting its
# boards twice.
mkdir -p "$tmp/c"
{ printf '%s\r\n' "$header"; pass SN-C '\r\n'; } >"$tmp/c/rec.csv"
cp "$tmp/c/rec.csv" "$tmp/c/rec-2026-12-08.csv"
for how in "report --json" "report --json --since 2026-11-20T09:59:59Z" "trace SN-C"; do
  # shellcheck disable=SC2086
  timeout 15 "$cli" $how --record "$tmp/c/rec.csv" >"$tmp/out" 2>&1
  rc=$?
  if [ "$rc" = 2 ] && grep -q 'it is a copy' "$tmp/out"; then
    ok "$how: a copy of the record beside it is refused"
  else
    bad "$how: a copy of the record beside it (exit $rc): $(head -3 "$tmp/out")"
  fi
done
exit $fail
