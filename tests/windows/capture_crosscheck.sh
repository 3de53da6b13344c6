#!/usr/bin/env bash
# The two layers drawing the same show: zarvox-capture.exe from the Windows
# zip under Wine (a prefix of its own, removed afterwards) and the Linux
# zarvox-capture, on the X server that with-xvfb started, write the same
# frames of each effect from the zip's zarvox.dat; capture_compare then wants
# at least 99.9 % identical pixels in every frame; Ctrl+C stops the Windows
# capture with status 130 and whole frames. With --whole, every frame
# of the show instead (7,651 frames; about 7 GB of uncompressed PNG from
# Windows in a temporary folder): the full comparison, run by hand.
# Usage: capture_crosscheck.sh ZIP LINUX_CAPTURE CAPTURE_COMPARE [--whole]
set -u
zip=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
linux_capture=$2 compare=$3
wine=/usr/lib/wine/wine64 # Debian keeps the launcher off PATH
wineserver=/usr/lib/wine/wineserver
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  "$wineserver" -k 2>/dev/null
  "$wineserver" -w 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$work/zarvox" && (cd "$work/zarvox" && unzip -q "$zip") || fail "cannot unpack $zip"
"$wine" wineboot -i >/dev/null 2>&1 || fail "wineboot -i failed"
"$wine" --version
# A few frames of each effect (show times in ms, by effects/show_timeline.h:
# zoom, twirl, spin, the sphere with its inset view, wave); every capture
# renders the show from its start, so each span is taken early in its effect.
spans="6000 13000 26000 53000 90000" length=100
[ "${4:-}" = --whole ] && spans=0 length=128000
options=(--size 640x480 --fps 60)
cd "$work/zarvox" || exit 1
mkdir linux windows
for from in $spans; do
  to=$((from + length))
  "$linux_capture" "${options[@]}" --from "$from" --to "$to" linux/ 2>"$work/err" ||
    fail "Linux capture of $from-$to ms: $(cat "$work/err")"
  "$wine" ./zarvox-capture.exe "${options[@]}" --from "$from" --to "$to" windows/ 2>"$work/err" ||
    fail "Windows capture of $from-$to ms: $(cat "$work/err")"
done
echo "captured in ${SECONDS} s"
"$compare" linux windows 0.999 || exit 1
[ "${4:-}" = --whole ] && exit 0

# Ctrl+C (Wine turns SIGINT into the console's Ctrl+C) stops the capture as on
# Linux: status 130, the count on stderr, every frame written whole.
"$wine" ./zarvox-capture.exe stopped/ 2>"$work/err" &
capture=$!
for _ in $(seq 600); do
  [ "$(find stopped -name '*.png' 2>/dev/null | wc -l)" -ge 30 ] && break
  sleep 0.1
done
pkill -INT -f 'zarvox-capture\.exe stopped/' || fail "no capture to stop"
wait "$capture"
status=$?
[ "$status" -eq 130 ] || fail "status $status after Ctrl+C, expected 130: $(tr '\r' '\n' <"$work/err" | tail -n 2)"
grep -q 'interrupted by Ctrl+C; [0-9]* frames written' "$work/err" || fail "no word of the interruption"
"$compare" stopped stopped 1 >/dev/null || fail "a frame written before Ctrl+C is not whole"
echo "ok: Ctrl+C: status 130, $(find stopped -name '*.png' | wc -l) whole frames"
