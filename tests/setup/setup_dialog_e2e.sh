#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Drives the setup dialog on a screen as a user would, with real key presses
# and mouse clicks (xdotool), and checks what the run returned and stored.
# Usage: setup_dialog_e2e.sh PROBE SCREENSHOT.png   (DISPLAY must be set)
set -u
probe=$1
shot=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
pid=

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# start [probe options]: runs the probe and waits until the dialog is shown.
start() {
  "$probe" --layout "$@" >"$work/out" 2>"$work/err" &
  pid=$!
  for _ in $(seq 100); do
    grep -q '^control 1031' "$work/out" 2>/dev/null && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  fail "the dialog did not come up: $(cat "$work/err")"
  return 1
}

# click ID: a left click in the middle of the control.
click() {
  local l t r b
  read -r _ _ l t r b < <(grep "^control $1 " "$work/out")
  xdotool mousemove --sync $(((l + r) / 2)) $(((t + b) / 2)) click 1
  sleep 0.3
}

# key NAME...: keys typed with the pointer on the dialog.
key() {
  local l t r b
  read -r _ l t r b < <(grep '^dialog ' "$work/out")
  xdotool mousemove --sync $((l + 4)) $((t + 4))
  xdotool key "$@"
  sleep 0.3
}

# finish EXPECTED: the probe must end by itself and print the expected line.
finish() {
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    fail "the dialog is still open (expected $1)"
    kill "$pid"
  fi
  wait "$pid" 2>/dev/null
  local got
  got=$(grep '^result=' "$work/out")
  [ "$got" = "$1" ] || fail "expected '$1', got '$got'"
}

# 1. Centred, then Enter starts with the defaults.
if start; then
  read -r _ l t r b < <(grep '^dialog ' "$work/out")
  [ $((l + r)) -ge 1279 ] && [ $((l + r)) -le 1281 ] || fail "not centred across: $l..$r"
  [ $((t + b)) -ge 1023 ] && [ $((t + b)) -le 1025 ] || fail "not centred down: $t..$b"
  xdotool mousemove --sync 0 0
  sleep 0.5
  ffmpeg -loglevel error -y -f x11grab -video_size $((r - l + 24))x$((b - t + 24)) -i "$DISPLAY+$((l - 12)),$((t - 12))" \
    -frames:v 1 "$shot" || fail "no screenshot"
  key Return
  finish "result=1 mode=640x480x32@60 fullscreen=1 driver=0 output=2 rate=44100"
fi

# 2. The second mode from the dropped-down list, "window" and a rate by
#    mouse, then Start.
if start; then
  click 101
  xdotool key Down Return
  sleep 0.3
  click 1003
  click 1030
  click 1001
  finish "result=1 mode=800x600x32@75 fullscreen=0 driver=0 output=2 rate=22050"
fi

# 3. Escape leaves the dialog open; Exit ends with 0.
if start; then
  key Escape
  kill -0 "$pid" 2>/dev/null || fail "Escape closed the dialog"
  click 1003
  click 1002
  finish "result=0 mode=640x480x32@60 fullscreen=0 driver=0 output=2 rate=44100"
fi

# 4. The mnemonic Alt+S starts the show.
if start; then
  key alt+s
  finish "result=1 mode=640x480x32@60 fullscreen=1 driver=0 output=2 rate=44100"
fi

# 5. A failing sound library: its error box over the dialog, then the run ends with 0.
"$probe" --sound-fails 4 >"$work/out" 2>"$work/err" &
pid=$!
if box=$(timeout 20 xdotool search --sync --onlyvisible --name '^FSOUND$' 2>/dev/null | head -1) && [ -n "$box" ]; then
  xdotool windowfocus --sync "$box" 2>/dev/null
  xdotool key --window "$box" Return
  xdotool key Return
else
  fail "no FSOUND error box"
fi
finish "result=0 mode=640x480x32@60 fullscreen=1 driver=0 output=2 rate=44100"

# 6. No display: a clear error and no dialog.
DISPLAY= "$probe" >"$work/out" 2>"$work/err"
grep -q '^result=-1 ' "$work/out" || fail "without a display: $(cat "$work/out")"
grep -q 'no display' "$work/err" || fail "without a display, no clear error: $(cat "$work/err")"

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "setup dialog end to end: all passed"
