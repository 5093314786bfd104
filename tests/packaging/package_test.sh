#!/usr/bin/env bash
# Builds the Debian package from this build, unpacks it and runs what it holds: the unpacked
# ctrlprog-cli answers --help and encodes the example file; the desktop entry and the AppStream
# metainfo pass their validators. Skipped (77) where dpkg-deb is missing.
set -u
build=$1 examples=$2
command -v dpkg-deb >/dev/null || { echo "skipped: dpkg-deb is missing"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; fail=1; }

(cd "$build" && cpack -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; exit 1; }
deb=$(ls "$tmp"/out/ctrlprog_*.deb)
dpkg-deb -x "$deb" "$tmp/root" && ok "unpacked $(basename "$deb")" || bad "unpack"

cli=$tmp/root/usr/bin/ctrlprog-cli
"$cli" --help | grep -q '^ctrlprog-cli: the console face of ctrlprog' && ok "ctrlprog-cli --help" || bad "--help"
[ "$("$cli" encode "$examples/example.asv")" = \
  "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00" ] \
  && ok "ctrlprog-cli encode" || bad "encode"
for f in usr/bin/ctrlprog usr/bin/ctrlprog-devsim usr/share/man/man1/ctrlprog.1.gz \
         usr/share/man/man1/ctrlprog-cli.1.gz usr/share/man/man1/ctrlprog-devsim.1.gz \
         usr/share/icons/hicolor/scalable/apps/org.ctrlprog.ctrlprog.svg \
         usr/lib/udev/rules.d/70-ctrlprog-serial.rules usr/share/doc/ctrlprog/copyright; do
  [ -s "$tmp/root/$f" ] && ok "$f" || bad "$f missing"
done
# Help and version need no display, installed as built.
for prog in ctrlprog ctrlprog-cli ctrlprog-devsim; do
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tmp/root/usr/bin/$prog" --help >/dev/null 2>&1 \
    && ok "$prog --help without a display" || bad "$prog --help without a display"
  [ "$(env -u DISPLAY -u QT_QPA_PLATFORM "$tmp/root/usr/bin/$prog" --version 2>&1)" = "$prog $(
      dpkg-deb -f "$deb" Version | sed 's/-.*//')" ] && ok "$prog --version" || bad "$prog --version"
done
# An install to a user prefix stays inside it.
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null 2>&1 \
  && [ -s "$tmp/prefix/lib/udev/rules.d/70-ctrlprog-serial.rules" ] \
  && ok "install to a user prefix" || bad "install to a user prefix"
# The manual page is made from --help: every option the help names is in it.
for opt in --port --file --count --timeout --json --record; do
  zcat "$tmp/root/usr/share/man/man1/ctrlprog-cli.1.gz" | grep -q -- "${opt//-/\\\\-}\|$opt" \
    && ok "manual names $opt" || bad "manual lacks $opt"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$tmp"/root/usr/share/applications/*.desktop && ok "desktop entry" || bad "desktop entry"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$tmp"/root/usr/share/metainfo/*.xml >"$tmp/as.log" 2>&1 \
    && ok "metainfo" || { bad "metainfo"; cat "$tmp/as.log"; }
fi
exit $fail
