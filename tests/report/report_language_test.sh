#!/usr/bin/env bash
# The report, its page and a board's trace speak the operator's language, as the window does:
# Chinese under zh_CN, English otherwise; JSON stays English for scripts. Boards without a
# serial are left out of first-pass yield, and the table says so.
#   report_language_test.sh CLI SCRIPTS
set -u
cli=$1 scripts=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; fail=1; }
zh() { env LANG=zh_CN.UTF-8 LC_ALL= LC_MESSAGES= TZ=Asia/Shanghai "$cli" "$@"; }
en() { env LANG=C.UTF-8 LC_ALL= LC_MESSAGES= TZ=Asia/Shanghai "$cli" "$@"; }
has() {  # has NAME FILE PATTERN...: every pattern is in the file
  local name=$1 file=$2; shift 2
  for p in "$@"; do
    grep -qF -- "$p" "$file" || { bad "$name: no '$p'"; cat "$file"; return; }
  done
  ok "$name"
}

"$scripts/example-line-record" "$tmp/record.csv"
# Three results of boards nobody scanned, from a third journal.
frame='02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00'
for n in 1 2 3; do
  printf '2026-12-07T13:5%d:00.000+08:00,line3,/dev/ttyUSB0,/srv/line/a.asv,%s,PASS,400,%s,%d,,\r\n' \
    "$n" "$frame" "$(printf 'c%.0s' $(seq 32))" "$n" >>"$tmp/record.csv"
done

zh report --record "$tmp/record.csv" >"$tmp/zh.txt" 2>"$tmp/zh.err"
has "report in Chinese" "$tmp/zh.txt" "小时（本地时间）" "尝试" "首次通过率" "合计" \
  "2026年12月07日 06:00+08:00" "首次通过率仅按 923 块电路板中已扫描的 920 块计算；没有序列号的 3 个结果不计在内"
en report --record "$tmp/record.csv" >"$tmp/en.txt" 2>"$tmp/en.err"
has "report in English" "$tmp/en.txt" "hour (local time)" "attempts" "fpy" "total" \
  "2026-12-07T06:00+08:00" "first-pass yield is over the 920 scanned boards of 923 only"
# Wide characters take two columns: the Chinese table's numbers end in one column.
ends=$(grep -E '^(2026|合计)' "$tmp/zh.txt" | perl -CS -ne 'chomp; my $w = 0;
  $w += /[\x{1100}-\x{115F}\x{2E80}-\x{A4CF}\x{AC00}-\x{D7A3}\x{F900}-\x{FAFF}\x{FF00}-\x{FF60}]/ ? 2 : 1 for split //;
  print "$w\n"' | sort -u | wc -l)
[ "$ends" = 1 ] && ok "the Chinese table's rows are one width" || { bad "rows of $ends widths"; cat "$tmp/zh.txt"; }

zh report --record "$tmp/record.csv" --html "$tmp/zh.html" 2>"$tmp/zh.err"
has "page in Chinese" "$tmp/zh.html" '<html lang="zh-CN">' "<h1>产线报告</h1>" "<h2>明细表</h2>" \
  "<th>工位</th>" "<th>已扫描</th>" "line1：每小时电路板数" "首次通过率仅按"
has "the Chinese page's place is said in Chinese" "$tmp/zh.err" "报告已写入 $tmp/zh.html"
en report --record "$tmp/record.csv" --html "$tmp/en.html" 2>/dev/null
has "page in English" "$tmp/en.html" '<html lang="en">' "<h1>Line report</h1>" "<th>Station</th>"

zh trace SN100001 --record "$tmp/record.csv" >"$tmp/trace.txt" 2>&1
has "trace in Chinese" "$tmp/trace.txt" "时间" "工位" "结果" "2026年12月07日 06:00:25.000+08:00" "通过"
zh trace NOBODY --record "$tmp/record.csv" >/dev/null 2>"$tmp/nobody.err"
has "an unknown board, in Chinese" "$tmp/nobody.err" "没有记录提到电路板 NOBODY"

zh report --record "$tmp/record.csv" --json >"$tmp/zh.json" 2>/dev/null
zh trace SN100001 --record "$tmp/record.csv" --json >>"$tmp/zh.json" 2>/dev/null
if [ -s "$tmp/zh.json" ] && ! grep -qP '[\x{4e00}-\x{9fff}]' "$tmp/zh.json" \
   && grep -q '"first_pass_yield"' "$tmp/zh.json" && grep -q '"result":"PASS"' "$tmp/zh.json"; then
  ok "JSON stays English under zh_CN"
else
  bad "JSON under zh_CN"; head -3 "$tmp/zh.json"
fi
# A row that cannot be read is said whole in Chinese, its reason too, whether the record is read
# whole (a period off the quarter hour) or its index says it (built once, then asked again).
cp "$tmp/record.csv" "$tmp/bad.csv"
printf '2026-02-31T13:59:00.000+08:00,line3,/dev/ttyUSB0,/srv/line/a.asv,%s,PASS,400,%s,9,,\r\n' \
  "$frame" "$(printf 'c%.0s' $(seq 32))" >>"$tmp/bad.csv"
skipped="行：时间“2026-02-31T13:59:00.000+08:00”不是记录所用的时间"
for run in built asked; do
  zh report --record "$tmp/bad.csv" >/dev/null 2>"$tmp/bad.err"
  has "a skipped row in Chinese, from the index ($run)" "$tmp/bad.err" "已跳过 $tmp/bad.csv 的第" "$skipped"
done
zh report --record "$tmp/bad.csv" --since 2026-12-07T05:07:00+08:00 >/dev/null 2>"$tmp/bad.err"
has "a skipped row in Chinese, the record read whole" "$tmp/bad.err" "$skipped"
en report --record "$tmp/bad.csv" >/dev/null 2>"$tmp/bad.err"
has "a skipped row in English" "$tmp/bad.err" \
  'was skipped: the time "2026-02-31T13:59:00.000+08:00" is no record time'
# An index that cannot be opened (a folder in its place, a record in a folder this user may not
# write) is said in Chinese too, not as SQLite's English inside a Chinese sentence (its name and
# code may follow); the record is still read whole.
mkdir "$tmp/noindex" && cp "$tmp/record.csv" "$tmp/noindex/record.csv" && mkdir "$tmp/noindex/record.csv.index"
for command in "report" "trace SN100001"; do
  zh $command --record "$tmp/noindex/record.csv" >"$tmp/noindex.out" 2>"$tmp/noindex.err"
  words=$(sed "s|$tmp/noindex/record.csv.index||g; s|^ctrlprog-cli: ||" "$tmp/noindex.err" | grep -oE '[A-Za-z]{3,}' | grep -vx SQLite | sort -u | tr '\n' ' ')
  if [ -s "$tmp/noindex.err" ] && [ -z "$words" ] && [ -s "$tmp/noindex.out" ]; then
    ok "an index that cannot be opened, said in Chinese ($command)"
  else
    bad "an index that cannot be opened ($command): English words: $words"; cat "$tmp/noindex.err"
  fi
done
exit $fail
