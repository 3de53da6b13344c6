#!/usr/bin/env bash
# Writes the Linux libraries' decoding of the media with media-reference, then
# runs media_test.exe under Wine, in a fresh prefix that is removed afterwards.
# Usage: run_media_test.sh MEDIA_TEST_EXE MEDIA_REFERENCE MEDIA_DIR
set -u
exe=$1 reference=$2 media=$3
wine=/usr/lib/wine/wine64 # Debian's launcher, not on PATH
[ -x "$wine" ] || { echo "run_media_test: no $wine (apt-get install wine64)" >&2; exit 1; }
for file in zarvox.mp3 krel.png spheremap.png; do
  [ -f "$media/$file" ] || { echo "run_media_test: no $media/$file; build the Linux tree first" >&2; exit 1; }
done
scratch=$(mktemp -d)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null
  /usr/lib/wine/wineserver -w 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
"$reference" "$media" "$scratch" || exit 1
"$wine" wineboot -i >/dev/null 2>&1
# Wine's ALSA driver reports the missing sound card line by line: not ours.
"$wine" "$exe" "$media" "$scratch" 2> >(grep -v '^ALSA lib' >&2)
