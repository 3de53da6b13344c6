#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The two layers drawing the same show: zarvox-capture.exe from the Windows
# zip under Wine (a prefix of its own, removed afterwards) and the Linux
# zarvox-capture, on the X server that with-xvfb started, write the same
# frames of each effect from the zip's zarvox.dat; capture_compare then wants
# at least 99.9 % identical pixels in every frame; both hand ffmpeg (a
# stand-in, built for each side) the same arguments, frames and soundtrack for
# a video; Ctrl+C stops the Windows capture with status 130 and whole frames.
# With --whole, every frame of the show is compared instead (7,651 frames;
# about 7 GB of uncompressed PNG from Windows in a temporary folder): the full
# comparison, run by hand.
# Usage: capture_crosscheck.sh ZIP LINUX_CAPTURE CAPTURE_COMPARE FFMPEG_STANDIN FFMPEG_STANDIN_EXE
#        capture_crosscheck.sh ZIP LINUX_CAPTURE CAPTURE_COMPARE --whole
set -u
zip=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
linux_capture=$2 compare=$3 standin=${4:-} standin_exe=${5:-}
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
[ "$standin" = --whole ] && spans=0 length=128000
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
[ "$standin" = --whole ] && exit 0

# A video of the first span: ffmpeg found on PATH (WINEPATH for Wine), fed
# through a pipe, given the soundtrack in a temporary file.
mkdir bin-linux bin-windows
cp "$standin" bin-linux/ffmpeg && cp "$standin_exe" bin-windows/ffmpeg.exe || fail "no ffmpeg stand-ins"
video=(--from 6000 --to 6100)
PATH=$PWD/bin-linux:$PATH "$linux_capture" "${options[@]}" "${video[@]}" linux.mp4 2>"$work/err" ||
  fail "Linux video: $(cat "$work/err")"
# A space in the name: ffmpeg's command line is quoted on Windows.
WINEPATH="Z:${PWD//\//\\}\\bin-windows" "$wine" ./zarvox-capture.exe "${options[@]}" "${video[@]}" \
  "windows video.mp4" 2>"$work/err" || fail "Windows video: $(cat "$work/err")"
for part in args raw sound; do
  cmp "linux.mp4.$part" "windows video.mp4.$part" || fail "ffmpeg got other $part from Windows"
done
left=$(find "$WINEPREFIX/drive_c/users" -name 'zarvox-capture-*')
[ -z "$left" ] || fail "the temporary soundtrack is left: $left"
[ "$(stat -c %s linux.mp4.raw)" -eq $((7 * 640 * 480 * 3)) ] || fail "not 7 frames of 640 x 480 RGB"
"$wine" ./rarcat.exe -o soundtrack.mp3 zarvox.dat zarvox.mp3 tarsk && cmp linux.mp4.sound soundtrack.mp3 ||
  fail "the sound handed over is not the data file's soundtrack"
echo "ok: a video: ffmpeg gets the same arguments, 7 frames and the soundtrack from both"

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
