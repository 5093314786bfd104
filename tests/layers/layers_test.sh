#!/usr/bin/env bash
# The source folders depend one way, bottom to top:
#   model and ui/services (the window-services interface)
#   log, files
#   link, record (the production record's sinks)
#   linedb (the line database, fed from the record)
#   ui/form, link/qt
#   ui/window, cli, devsim
# Every #include "folder/..." in src/ must name a folder its own may use, and only the edges
# (link/qt, ui/window, cli) may include Qt. Prints each wrong-way include and fails on any.
set -euo pipefail
src=${1:?usage: layers_test.sh SRC_DIR}

allowed() {  # the folders a folder's files may include
  case $1 in
    model | ui/services) echo "model ui/services" ;;
    log) echo "log model ui/services" ;;
    files) echo "files model ui/services" ;;
    link) echo "link log model ui/services" ;;
    record) echo "record files model ui/services" ;;
    linedb) echo "linedb record files model ui/services" ;;
    link/qt) echo "link/qt link log model ui/services" ;;
    ui/form) echo "ui/form linedb record link files log model ui/services" ;;
    ui/window) echo "ui/window ui/form link/qt linedb record link files log model ui/services" ;;
    cli) echo "cli ui/form link/qt linedb record link files log model ui/services" ;;
    devsim) echo "devsim link files log model ui/services" ;;
    *) echo "" ;;
  esac
}

folder_of() {  # the layer folder a path under src/ belongs to
  case $1 in
    link/qt/*) echo link/qt ;;
    ui/services/*) echo ui/services ;;
    ui/form/*) echo ui/form ;;
    ui/window/* | ui/main.cpp) echo ui/window ;;  # the window and its executable
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
  ok=" $(allowed "$from") "
  if [ "$ok" = "  " ]; then
    echo "$file: folder $from has no place in the layers"
    failures=$((failures + 1))
    continue
  fi
  while IFS= read -r inc; do
    checked=$((checked + 1))
    to=$(folder_of "$inc")
    if [[ "$ok" != *" $to "* ]]; then
      echo "$file includes $inc: $from may not use $to"
      failures=$((failures + 1))
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  case $from in
    link/qt | ui/window | cli) ;;
    *)
      if grep -nE '^#include <Q' "$file" >/dev/null; then
        echo "$file includes Qt, which only link/qt, ui/window and cli may"
        failures=$((failures + 1))
      fi
      ;;
  esac
done < <(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | sort)

echo "$checked includes checked, $failures wrong-way"
[ "$failures" -eq 0 ]
