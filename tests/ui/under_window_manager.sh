#!/usr/bin/env bash
# Runs a window test program on a 1920x1080 virtual display (Xvfb) under a window manager
# (openbox), so windows have title bars and frames as on a station's screen. A missing Xvfb or
# openbox fails the test; it is never skipped.
#   under_window_manager.sh PROGRAM [ARGS...]
set -u
program=$1; shift
for tool in Xvfb openbox xprop; do
  command -v "$tool" >/dev/null || { echo "FAIL no $tool (make deps installs it)"; exit 1; }
done
tmp=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$tmp"; }
trap cleanup EXIT
# Xvfb names its display on a pipe once it takes connections.
mkfifo "$tmp/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$tmp/display" >/dev/null 2>&1 &
pids+=($!)
read -r -t 20 number <"$tmp/display" || { echo "FAIL Xvfb did not start"; exit 1; }
export DISPLAY=:$number
HOME=$tmp openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
# The window manager is up once it has named itself on the root window.
timeout 20 bash -c 'until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do sleep 0.05; done' \
  || { echo "FAIL openbox did not start"; exit 1; }
# Under AddressSanitizer: libxkbcommon-x11 hands strndup a buffer shorter than the length it
# gives, which its interceptor reports as an overflow in the X keyboard set-up, not in our code.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_strndup=0"
QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$tmp timeout 120 "$program" "$@"
