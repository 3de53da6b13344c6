#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Writes the Linux libraries' decoding of the media with media-reference, then
# runs media_test.exe under Wine, in a fresh prefix that is removed afterwards.
# Usage: run_media_test.sh MEDIA_TEST_EXE MEDIA_REFERENCE MEDIA_DIR
set -u
exe=$1 reference=$2 media=$3
wine=/usr/lib/wine/wine # Debian's launchers (wine64, wineserver), not on PATH
[ -x "${wine}64" ] || { echo "run_media_test: no ${wine}64 (apt-get install wine64)" >&2; exit 1; }
for file in zarvox.mp3 krel.png spheremap.png; do
  [ -f "$media/$file" ] || { echo "run_media_test: no $media/$file; build the Linux tree first" >&2; exit 1; }
done
scratch=$(mktemp -d)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  "$wine"server -k 2>/dev/null
  "$wine"server -w 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
"$reference" "$media" "$scratch" || exit 1
"${wine}64" wineboot -i >/dev/null 2>&1
# Wine's ALSA driver reports the missing sound card line by line: not ours.
"${wine}64" "$exe" "$media" "$scratch" 2> >(grep -v '^ALSA lib' >&2) || exit 1
# Again with ALSA's null device, which Wine lists as a card: waveOut and
# DirectSound open it and their threads drain the mixer into it.
"$wine"server -k 2>/dev/null
"$wine"server -w 2>/dev/null
printf 'pcm.!default { type null }\n' >"$scratch/null.conf"
echo "--- with a null sound device"
ALSA_CONFIG_PATH=$scratch/null.conf "${wine}64" "$exe" "$media" "$scratch"
