#!/usr/bin/env bash
# ctrlprog-cli program against ctrlprog-devsim on a pseudo-terminal: exit codes and output.
set -u
cli=$1 devsim=$2 examples=$3
tmp=$(mktemp -d)
sims=()
cleanup() { for p in "${sims[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$tmp"; }
trap cleanup EXIT
fail=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; fail=1; }

start_sim() {  # name options...: starts a simulated board behind $tmp/name
  local name=$1; shift
  "$devsim" --link "$tmp/$name" "$@" >"$tmp/$name.sim" 2>&1 &
  sims+=($!)
  for _ in $(seq 50); do [ -e "$tmp/$name" ] && return; sleep 0.1; done
}

start_sim board --boards 3
"$cli" program --port "$tmp/board" --file "$examples/example.asv" --count 3 --timeout 20 \
  >"$tmp/out" 2>"$tmp/err"
status=$?
finished=$(grep -c ' Transmit Finished$' "$tmp/out")
if [ $status = 0 ] && [ "$finished" = 3 ] && tail -1 "$tmp/out" | grep -qE '^[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} Comm is Closed$' \
   && head -1 "$tmp/out" | grep -q ' Transmit Started$' \
   && grep -qxE "$tmp/board: 3 programmed, 0 failed, 0 lost in [0-9.]+ s" "$tmp/err" \
   && [ "$(wc -l <"$tmp/err")" = 1 ]; then
  ok "three boards"
else
  bad "three boards: status $status, $finished finished"; cat "$tmp/out" "$tmp/err"
fi
# A person reading the console in Chinese gets its added lines in Chinese; the specified log
# lines stay as they are, and JSON stays as a script reads it.
start_sim zhboard --boards 1
env LANG=zh_CN.UTF-8 LC_ALL= LC_MESSAGES= "$cli" program --port "$tmp/zhboard" \
  --file "$examples/example.asv" --count 1 --timeout 20 >"$tmp/zhout" 2>"$tmp/zherr"
status=$?
if [ $status = 0 ] && grep -q ' Transmit Finished$' "$tmp/zhout" \
   && grep -qxE "$tmp/zhboard：[0-9.]+ 秒内已编程 1 块，失败 0 次，断线 0 次" "$tmp/zherr"; then
  ok "summary in Chinese"
else
  bad "summary in Chinese: status $status"; cat "$tmp/zhout" "$tmp/zherr"
fi
env LANG=zh_CN.UTF-8 LC_ALL= LC_MESSAGES= "$cli" program --port "$tmp/nothing-here" \
  --file "$examples/example.asv" --count 1 --timeout 5 --json >"$tmp/zhjson" 2>"$tmp/zherr"
if grep -q '"event":"refused"' "$tmp/zhjson" && ! grep -qP '[\x{4e00}-\x{9fff}]' "$tmp/zhjson" \
   && ! grep -q '秒内' "$tmp/zherr"; then
  ok "JSON stays English under zh_CN"
else
  bad "JSON under zh_CN"; cat "$tmp/zhjson" "$tmp/zherr"
fi
# No scan, no board: frames only after scans, a passed board refused unless reworked, and an
# older-shape record left alone.
start_sim scanned --boards 1000
scan() {  # input options...: a --scan run on the scanned board, JSON in $tmp/scan.out
  local input=$1; shift
  printf "$input" | "$cli" program --port "$tmp/scanned" --file "$examples/example.asv" --scan \
    --timeout 20 --json --record "$tmp/scan.csv" "$@" >"$tmp/scan.out" 2>"$tmp/scan.err"
}
scan ''
frames=$(grep -c 'programmed, acknowledged' "$tmp/scanned.sim")
if [ $? != 2 ] && [ "$frames" = 0 ] && ! grep -q '"finished"' "$tmp/scan.out"; then
  ok "no scan, no board"
else
  bad "no scan, no board: $frames frames"; cat "$tmp/scan.out"
fi
scan 'SN-1\nSN-2\n'
if grep -q '"event":"finished".*"serial":"SN-1","attempt":1' "$tmp/scan.out" \
   && grep -q '"serial":"SN-2","attempt":1' "$tmp/scan.out" \
   && grep -q '"boards":2,"first_pass":2,"attempts":2' "$tmp/scan.out" \
   && [ "$(grep -c ',PASS,.*,SN-[12],1,record$' <(tr -d '\r' <"$tmp/scan.csv"))" = 2 ]; then
  ok "two scanned boards, named in the record"
else
  bad "two scanned boards"; cat "$tmp/scan.out" "$tmp/scan.csv"
fi
scan 'SN-1\n'
refused=$(grep -c '"event":"scan_refused","serial":"SN-1","reason":"board SN-1 already passed at ' "$tmp/scan.out")
scan 'SN-1\n' --rework
if [ "$refused" = 1 ] && grep -q '"serial":"SN-1","attempt":2' "$tmp/scan.out"; then
  ok "a passed board refused, then reworked as its second attempt"
else
  bad "passed board: $refused refusals"; cat "$tmp/scan.out"
fi
# A mis-scan against a pattern that a backtracking matcher would chew on for hours is refused at
# once (a hang ends this script at its time limit), then the next serial goes on.
scan "$(printf 'A%.0s' $(seq 36))!\\nSN-3\\n" --serial-pattern '([A-Z0-9]+-?)+'
if grep -q '"event":"scan_refused","serial":"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA!","reason":"the serial does not match the pattern' "$tmp/scan.out" \
   && grep -q '"event":"finished".*"serial":"SN-3"' "$tmp/scan.out"; then
  ok "a mis-scan refused at once by a pattern that would backtrack"
else
  bad "mis-scan against a backtracking pattern"; cat "$tmp/scan.out" "$tmp/scan.err"
fi
"$cli" program --port "$tmp/scanned" --file "$examples/example.asv" --scan \
  --serial-pattern '(SN)-\1' </dev/null >/dev/null 2>"$tmp/pattern.err"
status=$?
if [ $status = 64 ] && grep -qF "(SN)-\1" "$tmp/pattern.err"; then
  ok "a pattern the matcher refuses is a usage error naming it"
else
  bad "refused pattern: status $status"; cat "$tmp/pattern.err"
fi
printf 'time,station,port,file,frame,result,cycle_ms\r\n' >"$tmp/old.csv"
printf 'SN-9\n' | "$cli" program --port "$tmp/scanned" --file "$examples/example.asv" --scan \
  --record "$tmp/old.csv" >/dev/null 2>"$tmp/old.err"
status=$?
if [ $status = 64 ] && grep -q "old-boards.csv" "$tmp/old.err" \
   && [ "$(wc -c <"$tmp/old.csv")" = 46 ]; then
  ok "--scan leaves an older-shape record alone and names a new file"
else
  bad "older-shape record: status $status"; cat "$tmp/old.err"
fi
# The board prints each frame as it takes it: wait for the third, not for a guessed time.
for _ in $(seq 100); do
  [ "$(grep -c 'programmed, acknowledged' "$tmp/board.sim")" -ge 3 ] && break; sleep 0.05
done
if [ "$(grep -c 'programmed, acknowledged' "$tmp/board.sim")" = 3 ] \
   && grep -q 'frame 02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00' "$tmp/board.sim"; then
  ok "device saw three frames"
else
  bad "device side"; cat "$tmp/board.sim"
fi

start_sim quiet --silent
"$cli" program --port "$tmp/quiet" --file "$examples/example.asv" --count 1 --timeout 1 >"$tmp/out" 2>/dev/null
status=$?
[ $status = 3 ] && tail -1 "$tmp/out" | grep -q 'Comm is Closed$' && ok "timeout" || { bad "timeout: $status"; cat "$tmp/out"; }

for sig in INT TERM HUP; do
  "$cli" program --port "$tmp/quiet" --file "$examples/example.asv" >"$tmp/out" 2>/dev/null &
  pid=$!
  for _ in $(seq 50); do grep -q 'Transmit Started' "$tmp/out" && break; sleep 0.1; done
  kill -$sig $pid; wait $pid; status=$?
  want=$(case $sig in INT) echo 130 ;; TERM) echo 143 ;; HUP) echo 129 ;; esac)
  [ $status = "$want" ] && tail -1 "$tmp/out" | grep -q 'Comm is Closed$' && ok "SIG$sig" || { bad "SIG$sig: $status"; cat "$tmp/out"; }
done

"$cli" program --port "$tmp/absent" --file "$examples/example.asv" >"$tmp/out" 2>"$tmp/err"
status=$?
# The window's message, then the reason on the next line, as the window's status line has it.
refused() {  # PORT
  [ "$(head -1 "$tmp/err")" = "This Comm is no use, Please try other one!" ] \
    && [ "$(wc -l <"$tmp/err")" = 2 ] && grep -q "^ctrlprog-cli: cannot open port $1: ." "$tmp/err"
}
[ $status = 1 ] && refused "$tmp/absent" && ok "no device" || { bad "no device: $status"; cat "$tmp/err"; }

# Every failed open says why on stderr: character devices that are no serial line get the
# window's "no use" message, numbers that do not fit 16 bits a reason of their own.
for port in /dev/null /dev/zero; do
  "$cli" program --port $port --file "$examples/example.asv" >/dev/null 2>"$tmp/err"
  status=$?
  [ $status = 1 ] && refused $port \
    && ok "no serial line: $port" || { bad "no serial line: $port: $status"; cat "$tmp/err"; }
done
for port in 65536 1e10 -32769; do
  "$cli" program --port $port --file "$examples/example.asv" >/dev/null 2>"$tmp/err"
  status=$?
  [ $status = 1 ] && grep -q "cannot open port $port: the port number does not fit 16 bits" "$tmp/err" \
    && ok "port number $port" || { bad "port number $port: $status"; cat "$tmp/err"; }
done

# Output that cannot be written stops the run with exit 74 and says so.
"$cli" program --port "$tmp/quiet" --file "$examples/example.asv" --timeout 5 >/dev/full 2>"$tmp/err"
status=$?
[ $status = 74 ] && grep -q 'cannot write the log to standard output: the disk is full' "$tmp/err" \
  && ok "stdout full" || { bad "stdout full: $status"; cat "$tmp/err"; }
"$cli" program --port "$tmp/quiet" --file "$examples/example.asv" --timeout 5 >&- 2>"$tmp/err"
[ $? = 74 ] && grep -q 'standard output is closed' "$tmp/err" && ok "stdout closed" || bad "stdout closed"
# The reader goes at once; the log's lines then meet a closed pipe, the last one at the latest.
( "$cli" program --port "$tmp/quiet" --file "$examples/example.asv" --timeout 5 2>"$tmp/err"; echo $? >"$tmp/rc" ) | true
[ "$(cat "$tmp/rc")" = 74 ] && grep -q 'the reading end was closed' "$tmp/err" && ok "closed pipe" || { bad "closed pipe: $(cat "$tmp/rc")"; cat "$tmp/err"; }

# --timeout is bounded by what a timer can hold.
"$cli" program --port "$tmp/absent" --file "$examples/example.asv" --timeout 2000000 >/dev/null 2>&1
[ $? = 1 ] && ok "timeout at its bound" || bad "timeout at its bound"
"$cli" program --port "$tmp/absent" --file "$examples/example.asv" --timeout 2000001 >/dev/null 2>"$tmp/err"
[ $? = 64 ] && grep -q 'at most 2000000 seconds' "$tmp/err" && ok "timeout past its bound" || bad "timeout past its bound"

printf '1:Torva\r\n' >"$tmp/short.asv"
"$cli" program --port "$tmp/quiet" --file "$tmp/short.asv" >/dev/null 2>"$tmp/err"
[ $? = 2 ] && grep -q 'held 1 of the 16 parameters. It was not loaded' "$tmp/err" && ok "incomplete file" || bad "incomplete file"

# Each usage error names the option and why, then the usage.
while IFS='|' read -r args why; do
  "$cli" $args >/dev/null 2>"$tmp/err"
  [ $? = 64 ] && [ "$(head -1 "$tmp/err")" = "ctrlprog-cli: $why" ] && grep -q '^usage:' "$tmp/err" \
    && ok "usage: $args" || { bad "usage: $args"; cat "$tmp/err"; }
done <<'CASES'
program|program needs at least one --port PORT
program --port x|program needs --file FILE
program --port x --count abc|--count takes a whole number of boards from 1 up, not 'abc'
program --port x --file y --count 0|--count takes a whole number of boards from 1 up, not '0'
program --port x --file y --count 1.5|--count takes a whole number of boards from 1 up, not '1.5'
program --port x --file y --timeout -1|--timeout takes seconds above 0, at most 2000000 seconds (about 23 days), not '-1'
program --port x --file y --bogus 1|Unknown option 'bogus'.
program --jsn --port x --file y|Unknown option 'jsn'.
program --port x --file y --count|Missing value after '--count'.
ports extra|unexpected argument 'extra'
CASES
"$cli" ports >/dev/null 2>&1 && ok "ports" || bad "ports"

# A port and a record named in bytes that are not UTF-8 (GBK, 0xFF) open by those bytes and are
# printed with \xFF escapes.
gbk=$(printf '\xb4\xae\xbf\xda')
start_sim "$gbk" --boards 5
"$cli" program --port "$tmp/$gbk" --file "$examples/example.asv" --count 1 --timeout 20 \
  --record "$tmp/r$(printf '\xff').csv" >"$tmp/gbk.out" 2>"$tmp/gbk.err"
status=$?
[ $status = 0 ] && grep -q 'xB4\\xAE\\xBF\\xDA: 1 programmed' "$tmp/gbk.err" \
  && [ "$(grep -c ',PASS,' "$tmp/r$(printf '\xff').csv")" = 1 ] \
  && ok "a port and a record named in GBK bytes" || { bad "GBK names: status $status"; cat "$tmp/gbk.err"; }

# A record that stalls (another program holds its lock for 1 s, within the 2 s the record waits
# for it) holds the next poll, never a board's frame: a device that acknowledges every frame gets
# no FAIL.
start_sim stall --boards 1000
"$cli" program --port "$tmp/stall" --file "$examples/example.asv" --count 8 --timeout 60 \
  --record "$tmp/stall.csv" >/dev/null 2>"$tmp/stall.err" &
prog=$!
for _ in $(seq 400); do [ "$(cat "$tmp/stall.csv" 2>/dev/null | grep -c ',PASS,')" -ge 2 ] && break; sleep 0.05; done
flock -x "$tmp/stall.csv" sleep 1 &
holder=$!
wait $prog; status=$?
wait $holder
acks=$(grep -c 'programmed, acknowledged' "$tmp/stall.sim")
passed=$(grep -c ',PASS,' "$tmp/stall.csv"); failed=$(grep -c ',FAIL,' "$tmp/stall.csv")
[ $status = 0 ] && [ "$acks" = 8 ] && [ "$passed" = 8 ] && [ "$failed" = 0 ] \
  && ok "a stalled record: 8 acknowledged, 8 PASS rows, no FAIL" \
  || { bad "a stalled record: status $status, $acks acknowledged, $passed PASS, $failed FAIL"; cat "$tmp/stall.err"; }
exit $fail
