#!/usr/bin/env bash
# The report's page in a real browser (Debian's chromium, headless, with no network): the page
# parses into the charts and the table, and the bars are drawn in their colours. A missing
# browser fails the test; it is never skipped.
set -u
cli=$1 scripts=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; fail=1; }
browser=$(command -v chromium) || { echo "FAIL no chromium (make deps installs it)"; exit 1; }

"$scripts/example-line-record" "$tmp/record.csv"
TZ=Asia/Shanghai "$cli" report --record "$tmp/record.csv" --html "$tmp/report.html" 2>"$tmp/report.err" \
  || { bad "report --html"; cat "$tmp/report.err"; }
# Everything is in the page: it is shown from a folder no other file is in, with every host
# unresolvable.
mkdir "$tmp/alone" && mv "$tmp/report.html" "$tmp/alone/"
run_browser() {
  HOME=$tmp timeout 60 "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --user-data-dir="$tmp/profile" --host-resolver-rules='MAP * ~NOTFOUND' \
    --window-size=1200,1400 "$@" "file://$tmp/alone/report.html" 2>"$tmp/browser.err"
}
run_browser --dump-dom >"$tmp/dom.html"
figures=$(grep -o '<figure>' "$tmp/dom.html" | wc -l)
bars=$(grep -o '<rect class="pass"' "$tmp/dom.html" | wc -l)
[ "$figures" = 3 ] && [ "$bars" = 16 ] && grep -q '<polyline class="fpy"' "$tmp/dom.html" \
  && grep -q '<tr class="total">' "$tmp/dom.html" \
  && ok "the browser reads two stations' charts (16 bars), the first-pass yield and the table" \
  || { bad "the page as the browser read it: $figures figures, $bars bars"; head -c 2000 "$tmp/dom.html"; cat "$tmp/browser.err"; }
run_browser --screenshot="$tmp/shot.png" >/dev/null
# The bars' own colours, counted in the picture the browser drew.
colours=$(convert "$tmp/shot.png" -format %c histogram:info:- 2>/dev/null)
pixels() { echo "$colours" | grep -i "#$1" | awk '{s += $1} END {print s + 0}'; }
passed=$(pixels 2E7D32) failed=$(pixels C62828) yield=$(pixels 1565C0)
if [ "$passed" -gt 20000 ] && [ "$failed" -gt 500 ] && [ "$yield" -gt 200 ]; then
  ok "drawn: $passed pixels of passed bars, $failed of failed, $yield of the yield line"
else
  bad "drawn: $passed passed, $failed failed, $yield yield pixels"; cat "$tmp/browser.err"
fi
exit $fail
