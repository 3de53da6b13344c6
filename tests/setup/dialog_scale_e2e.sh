#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The setup dialog and the message boxes on a scaled desktop (GDK_SCALE: GTK
# draws and places windows in pixels of its own, SCALE screen pixels each):
# at each scale, on its own X server, zarvox's dialog, its box without a
# data file, and a box over the dialog (the probe's failing sound library)
# must lie whole on the screen and centred on it.
# Usage: dialog_scale_e2e.sh ZARVOX PROBE
set -u

# One screen: checks every window at one scale. Run under with-xvfb.
if [ "$1" = --screen ]; then
  width=$2 height=$3 scale=$4 zarvox=$5 probe=$6
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  # A copy of zarvox with no data file near it, for its box.
  mkdir "$work/bin" && cp "$zarvox" "$work/bin/zarvox" || exit 1
  export NO_AT_BRIDGE=1 XDG_DATA_HOME="$work/none"
  cd "$work" || exit 1
  failures=0
  # centred NAME COMMAND...: starts COMMAND, finds the window NAME, checks
  # that it is whole and centred, then stops COMMAND.
  centred() {
    local name=$1 window x y w h
    shift
    GDK_SCALE=$scale "$@" >/dev/null 2>"$work/err" &
    local pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name "$name" 2>/dev/null | head -n1)
    sleep 0.3 # where it was placed once it is up
    if [ -z "$window" ]; then
      echo "FAIL: no window $name at scale $scale: $(cat "$work/err")"
      failures=$((failures + 1))
    else
      eval "$(xdotool getwindowgeometry --shell "$window")"
      x=$X y=$Y w=$WIDTH h=$HEIGHT
      if [ "$x" -lt 0 ] || [ "$y" -lt 0 ] || [ $((x + w)) -gt "$width" ] || [ $((y + h)) -gt "$height" ] ||
        [ $((2 * x + w - width)) -lt -4 ] || [ $((2 * x + w - width)) -gt 4 ] ||
        [ $((2 * y + h - height)) -lt -4 ] || [ $((2 * y + h - height)) -gt 4 ]; then
        echo "FAIL: $name at scale $scale is ${w}x$h at +$x+$y on a ${width}x$height screen"
        failures=$((failures + 1))
      else
        echo "ok: $name at scale $scale: ${w}x$h at +$x+$y on ${width}x$height"
      fi
    fi
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  }
  centred '^zarvox$' "$zarvox"
  centred '^zarvox: no data file$' "$work/bin/zarvox"
  centred '^FSOUND$' "$probe" --sound-fails 4 --screen "${width}x$height"
  exit $failures
fi

zarvox=$1 probe=$2
failures=0
for case in 1280x800:1 1280x800:2 3840x2160:3; do
  size=${case%:*} scale=${case#*:}
  "$(dirname "$0")/../support/with-xvfb" --size "${size}x24" \
    "$0" --screen "${size%x*}" "${size#*x}" "$scale" "$zarvox" "$probe" || failures=$((failures + 1))
done
exit $failures
