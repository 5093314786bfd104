#!/usr/bin/env bash
# Host names are looked up on our own deadline. With a name server that never answers (a UDP
# port on 127.0.0.2 that takes queries and says nothing, made the system's resolver in a mount
# namespace of this test's own): forward ends within its connect deadline, the console ends
# within 2 s of SIGTERM at start-up and while it programs, and a scanned board's lookup gives
# up within its 2 s. Prints what it measured. Needs root (for the namespace), as CI has: it
# fails, never skips, without it.
set -u
cli=$1 devsim=$2 examples=$3
if [ "${CTRLPROG_IN_NAMESPACE:-}" != 1 ]; then
  [ "$(id -u)" = 0 ] || { echo "FAIL needs root for a resolver of its own (unshare -m)"; exit 1; }
  tmp=$(mktemp -d)
  python3 -c '
import socket, sys, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.2", 53))
print("listening", flush=True)
while True:
    s.recvfrom(4096)  # a query, never answered
' >"$tmp/dns.out" 2>&1 &
  dns=$!
  for _ in $(seq 100); do grep -q listening "$tmp/dns.out" && break; sleep 0.05; done
  grep -q listening "$tmp/dns.out" || { echo "FAIL no silent name server: $(cat "$tmp/dns.out")"; kill $dns; exit 1; }
  printf 'nameserver 127.0.0.2\noptions timeout:30 attempts:3\n' >"$tmp/resolv.conf"
  CTRLPROG_IN_NAMESPACE=1 CTRLPROG_RESOLV="$tmp/resolv.conf" unshare -m -- bash "$0" "$@"
  status=$?
  kill $dns; wait $dns 2>/dev/null
  rm -rf "$tmp"
  exit $status
fi

mount --bind "$CTRLPROG_RESOLV" /etc/resolv.conf || { echo "FAIL cannot put the resolver in place"; exit 1; }
tmp=$(mktemp -d)
sims=()
trap 'for p in "${sims[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$tmp"' EXIT
fail=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; fail=1; }
now() { echo "${EPOCHREALTIME/[.,]/}"; }  # microseconds
seconds_since() { local t; t=$(( $(now) - $1 )); printf '%d.%02d' $((t / 1000000)) $((t % 1000000 / 10000)); }
wait_for() {  # SECONDS COMMAND...: until COMMAND succeeds, at most SECONDS
  local end=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -ge "$end" ] && return 1; sleep 0.02; done
}
gone() { ! kill -0 "$1" 2>/dev/null; }
address="host=line.invalid.example dbname=ctrlprog_line user=station1"
# The name server is silent: a look-up of the system's own takes longer than any deadline here.
timeout 3 getent hosts line.invalid.example >/dev/null
[ $? = 124 ] || { echo "FAIL the resolver answers: the test cannot be made"; exit 1; }

# 1. forward: within its connect deadline (5 s).
: >"$tmp/empty.csv"
printf 'time,station,port,file,frame,result,cycle_ms,journal,journal_row\r\n2026-12-07T21:30:00.000+08:00,dns,/dev/ttyUSB0,,02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00,PASS,400,cccccccccccccccccccccccccccccccc,1\r\n' >"$tmp/one.csv"
start=$(now)
"$cli" forward --record "$tmp/one.csv" --line-db "$address" 2>"$tmp/forward.err" &
fwd=$!
if wait_for 8 gone $fwd; then
  wait $fwd; status=$?
  echo "     forward ended after $(seconds_since "$start") s (connect deadline 5 s)"
  [ $status = 1 ] && grep -q 'not looked up in time' "$tmp/forward.err" \
    && ok "forward gives up on a silent name server within its deadline" \
    || { bad "forward: exit $status"; cat "$tmp/forward.err"; }
else
  bad "forward did not end within 8 s"; kill -9 $fwd
fi

start_sim() {
  "$devsim" --link "$tmp/$1" --boards 1000 >/dev/null 2>&1 &
  sims+=($!)
  wait_for 5 test -e "$tmp/$1"
}
sigterm() {  # PID what: SIGTERM, and the time to its end
  local start; start=$(now)
  kill -TERM "$1"
  if wait_for 4 gone "$1"; then
    local took; took=$(seconds_since "$start")
    echo "     $2: ended $took s after SIGTERM"
    [ "${took%.*}" -lt 2 ] && ok "$2: ends within 2 s of SIGTERM" || bad "$2: $took s after SIGTERM"
  else
    bad "$2: still running 4 s after SIGTERM"; kill -9 "$1"
  fi
  wait "$1" 2>/dev/null
}

# 2. program: SIGTERM at start-up, while the name is being looked up; then while it programs.
start_sim b1
"$cli" program --port "$tmp/b1" --file "$examples/example.asv" --record "$tmp/early.csv" \
  --line-db "$address" --json >"$tmp/early.out" 2>&1 &
early=$!
wait_for 5 test -e "$tmp/early.csv"
sigterm $early "program at start-up"
"$cli" program --port "$tmp/b1" --file "$examples/example.asv" --record "$tmp/late.csv" \
  --line-db "$address" --json >"$tmp/late.out" 2>&1 &
late=$!
wait_for 30 grep -q '"event":"finished"' "$tmp/late.out" || bad "nothing programmed"
sigterm $late "program while it programs"

# 3. A scanned board: the lookup gives up within its 2 s. A board that cannot be checked is held
#    (never programmed) and said to be; with --line-optional the record alone decides and the
#    board is programmed, its rows saying so.
scanned() {  # name options...: a scanning run reading serials from the fifo $tmp/name.in
  mkfifo "$tmp/$1.in"
  "$cli" program --port "$tmp/b1" --file "$examples/example.asv" --scan --timeout 60 --json \
    --record "$tmp/$1.csv" --line-db "$address" "${@:2}" <"$tmp/$1.in" >"$tmp/$1.out" 2>&1 &
  scanning=$!
  exec 3>"$tmp/$1.in"
  wait_for 15 grep -q 'not looked up in time' "$tmp/$1.out"
}
scanned held
start=$(now)
echo SN-DNS-1 >&3
if wait_for 10 grep -q '"event":"scan_unchecked","serial":"SN-DNS-1"' "$tmp/held.out"; then
  took=$(seconds_since "$start")
  echo "     a scanned board was said to be unchecked $took s after its scan (lookup bound 2 s)"
  [ "${took%.*}" -lt 4 ] && ok "a scanned board's lookup gives up within its bound" \
    || bad "a scanned board waited $took s"
else
  bad "a scanned board that cannot be checked was not said to be"; cat "$tmp/held.out"
fi
grep -q '"event":"finished"' "$tmp/held.out" && bad "a board that could not be checked was programmed" \
  || ok "a board that cannot be checked is held"
exec 3>&-
sigterm $scanning "a station holding an unchecked board"
scanned optional --line-optional
start=$(now)
echo SN-DNS-2 >&3
if wait_for 10 grep -q '"event":"finished".*"serial":"SN-DNS-2","attempt":1,"checked":"record"' "$tmp/optional.out"; then
  took=$(seconds_since "$start")
  echo "     --line-optional: a scanned board was programmed $took s after its scan"
  [ "${took%.*}" -lt 4 ] && ok "--line-optional: the record decides within the lookup's bound" \
    || bad "--line-optional: a scanned board waited $took s"
else
  bad "--line-optional: a scanned board was not programmed"; cat "$tmp/optional.out"
fi
exec 3>&-
wait_for 10 gone $scanning || { bad "the scanning run did not end at the end of its input"; kill -9 $scanning; }
exit $fail
