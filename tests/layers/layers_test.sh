#!/usr/bin/env bash
# The source folders stand in one order, bottom to top, and a folder's files include only their
# own folder and the folders below it: no exception. Only the Qt edges include Qt, and only the
# line database's libpq part and the station above it see libpq. Prints each wrong-way include
# and fails on any.
set -euo pipefail
src=${1:?usage: layers_test.sh SRC_DIR}

order=(
  model       # parameter table, ParameterSet, Val, EncodeFrame, the protocol's bytes
  log         # the coloured message log and the view it is shown in
  files       # .asv files, encodings, the file system, the production record's file
  link        # the station core of one port: port control, handshake, events, tally
  record      # the record's writer thread and its sinks
  linedb      # the journal reader and the forwarder, behind the LineDb interface
  scan        # no scan, no board: scanned serials, their checks and the gate of a port
  report      # the line's report and one board's history, from a record or the server
  index       # what the station derives from its record, in an index on disk (SQLite)
  linedb_pg   # the line database through libpq (above the report, whose sums it reads)
  form        # frmMain and the front-end interface it drives
  station     # one port of a station, and the start-up path of its sinks
  link/qt     # Qt: the serial port adapter
  front       # Qt: what the window and the console share (translations, arguments)
  ui          # Qt: the window
  cli         # Qt: the console
  devsim      # the simulated board
)
qt_edges=" link/qt front ui cli "
libpq=" linedb_pg "

rank() {  # the place of a folder in the order, or nothing
  local i
  for i in "${!order[@]}"; do
    [ "${order[$i]}" = "$1" ] && echo "$i" && return
  done
}

folder_of() {  # the layer folder a path under src/ belongs to
  case $1 in
    link/qt/*) echo link/qt ;;
    */*) echo "${1%%/*}" ;;
    *) echo "" ;;
  esac
}

failures=0
checked=0
cd "$src"
while IFS= read -r file; do
  from=$(folder_of "$file")
  [ -n "$from" ] || continue
  mine=$(rank "$from")
  if [ -z "$mine" ]; then
    echo "$file: folder $from has no place in the layers"
    failures=$((failures + 1))
    continue
  fi
  while IFS= read -r inc; do
    checked=$((checked + 1))
    to=$(folder_of "$inc")
    theirs=$(rank "$to")
    if [ -z "$theirs" ] || [ "$theirs" -gt "$mine" ]; then
      echo "$file includes $inc: $from may not use $to"
      failures=$((failures + 1))
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  if [[ "$qt_edges" != *" $from "* ]] && grep -nE '^#include <Q' "$file" >/dev/null; then
    echo "$file includes Qt, which only$qt_edges may"
    failures=$((failures + 1))
  fi
  if [[ "$libpq" != *" $from "* ]] && grep -nE '^#include <libpq' "$file" >/dev/null; then
    echo "$file includes libpq, which only$libpq may"
    failures=$((failures + 1))
  fi
done < <(find . \( -name '*.cpp' -o -name '*.h' \) | sed 's|^\./||' | sort)

echo "$checked includes checked, $failures wrong-way"
[ "$failures" -eq 0 ]
