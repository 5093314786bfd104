#!/usr/bin/env bash
# A record another program holds locked (flock(1) for 30 s) never holds the console for good:
# at start-up it is refused naming the holder, and a run whose record is locked under it ends
# on SIGTERM, SIGINT or SIGHUP. A wait without a bound ends this script at its time limit, which
# is shorter than the lock is held.
set -u
cli=$1 devsim=$2 examples=$3
tmp=$(mktemp -d)
pids=()
holders=()
cleanup() {
  for p in "${holders[@]}"; do pkill -P "$p" 2>/dev/null; done  # flock's sleep
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  rm -rf "$tmp"
}
trap cleanup EXIT
fail=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; fail=1; }

"$devsim" --link "$tmp/board" --boards 100000 >"$tmp/board.sim" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "$tmp/board" ] && break; sleep 0.1; done

hold() {  # FILE: holds FILE's lock from another process until the test ends; its pid in $holder
  flock "$1" sleep 30 </dev/null >/dev/null 2>&1 &
  holder=$!
  pids+=($holder)
  holders+=($holder)
  for _ in $(seq 100); do grep -q " $holder " /proc/locks && return; sleep 0.05; done
}

# Locked before the console starts: refused at start-up, the holder named.
hold "$tmp/start.csv"
"$cli" program --port "$tmp/board" --file "$examples/example.asv" --record "$tmp/start.csv" \
  >/dev/null 2>"$tmp/start.err"
status=$?
if [ $status = 2 ] && grep -q "flock (process $holder) held its lock for more than 2 s" "$tmp/start.err"; then
  ok "a record locked at start-up is refused, naming who holds it"
else
  bad "locked at start-up: status $status"; cat "$tmp/start.err"
fi

# Locked in the middle of a run: each signal ends it.
for sig in TERM INT HUP; do
  "$cli" program --port "$tmp/board" --file "$examples/example.asv" --record "$tmp/$sig.csv" \
    >"$tmp/$sig.out" 2>"$tmp/$sig.err" &
  pid=$!
  for _ in $(seq 100); do grep -q 'Transmit Finished' "$tmp/$sig.out" && break; sleep 0.05; done
  hold "$tmp/$sig.csv"
  # The next board's row now waits for the lock.
  before=$(grep -c 'Transmit Finished' "$tmp/$sig.out")
  for _ in $(seq 100); do
    [ "$(grep -c 'Transmit Finished' "$tmp/$sig.out")" -gt "$before" ] && break; sleep 0.05
  done
  kill -$sig $pid; wait $pid; status=$?
  want=$(case $sig in INT) echo 130 ;; TERM) echo 143 ;; HUP) echo 129 ;; esac)
  # Ended by the signal, or by the record's own deadline just before it.
  if { [ $status = "$want" ] || [ $status = 74 ]; } && tail -1 "$tmp/$sig.out" | grep -q 'Comm is Closed$'; then
    ok "SIG$sig ends a run whose record another program holds locked"
  else
    bad "SIG$sig with the record locked: status $status"; cat "$tmp/$sig.out" "$tmp/$sig.err"
  fi
done
exit $fail
