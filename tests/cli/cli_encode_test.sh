#!/usr/bin/env bash
# ctrlprog-cli encode: output, exit codes and messages as an operator's script sees them.
set -u
cli=$1 examples=$2
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
fail=0
check() {  # name status stdout stderr-pattern ('' for none) -- command...
  local name=$1 status=$2 out=$3 err=$4; shift 5
  "$@" >"$tmp/out" 2>"$tmp/err"; local got=$?
  local errok=1
  if [ -z "$err" ]; then [ -s "$tmp/err" ] && errok=0; else grep -qE "$err" "$tmp/err" || errok=0; fi
  if [ "$got" != "$status" ] || [ "$(cat "$tmp/out")" != "$out" ] || [ $errok = 0 ]; then
    echo "FAIL $name: status $got, stdout '$(cat "$tmp/out")', stderr '$(cat "$tmp/err")'"; fail=1
  else
    echo "ok   $name"
  fi
}
printf '1:Torva\r\n30\r\n' >"$tmp/short.asv"
printf '1:Torva\r\n31\r\n' >"$tmp/bad.asv"
check example 0 "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00" '' -- "$cli" encode "$examples/example.asv"
check incomplete 2 "" 'held 2 of the 16 parameters\. It was not loaded; no parameter was changed\.$' -- "$cli" encode "$tmp/short.asv"
check refused 2 "" '^Line 2 of the parameter file: "31" is not a choice of PhaseCurrent\(A\)\.' -- "$cli" encode "$tmp/bad.asv"
check missing 2 "" 'could not be read: no such file or folder' -- "$cli" encode "$tmp/none.asv"
# A usage error says what was wrong, then the usage.
check no-args 64 "" '^ctrlprog-cli: a command is missing$' -- "$cli"
check extra-args 64 "" "^ctrlprog-cli: unexpected argument 'b'$" -- "$cli" encode a b
check unknown 64 "" "^ctrlprog-cli: unknown command 'frobnicate'$" -- "$cli" frobnicate
check chinese 64 "" '^ctrlprog-cli: 缺少命令$' -- env LANG=zh_CN.UTF-8 LC_ALL= LC_MESSAGES= "$cli"
check help 0 "$("$cli" --help)" '' -- "$cli" --help
check command-help 0 "$("$cli" --help)" '' -- "$cli" program --help
check version 0 "ctrlprog-cli $("$cli" --version | cut -d' ' -f2)" '' -- "$cli" --version
# Output that cannot be written is an error, whatever was being printed.
check encode-full 74 "" 'cannot write the frame to standard output: the disk is full' \
  -- sh -c '"$0" encode "$1" >/dev/full' "$cli" "$examples/example.asv"
check help-full 74 "" 'cannot write the help to standard output: the disk is full' \
  -- sh -c '"$0" --help >/dev/full' "$cli"
exit $fail
