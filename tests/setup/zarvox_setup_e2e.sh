#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs zarvox as a viewer would, under Xvfb: the setup dialog comes up centred
# (its screenshot is saved), Enter starts the show, "window" then Start runs
# it in a window, and Exit ends the program with status 0 and no show window.
# Usage: zarvox_setup_e2e.sh ZARVOX PROBE SCREENSHOT.png   (DISPLAY must be set)
set -u
zarvox=$(realpath "$1")
probe=$(realpath "$2")
shot=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The show's data file, made by the build beside the program: without it
# zarvox stops before its dialog.
ln -s "$(dirname "$zarvox")/zarvox.dat" "$work/zarvox.dat"
failures=0
pid=

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Where the controls are: the probe shows the same dialog on the same screen.
read -r screen_w screen_h < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
"$probe" --layout --screen "${screen_w}x${screen_h}" >"$work/layout" 2>/dev/null &
probe_pid=$!
for _ in $(seq 100); do
  grep -q '^control 1031' "$work/layout" && break
  sleep 0.1
done
kill "$probe_pid" 2>/dev/null
wait "$probe_pid" 2>/dev/null
grep -q '^control 1031' "$work/layout" || { echo "FAIL: the probe showed no dialog"; exit 1; }

# start: runs zarvox in an empty folder and waits for its dialog.
start() {
  (cd "$work" && exec "$zarvox") >"$work/out" 2>"$work/err" &
  pid=$!
  dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^zarvox$' 2>/dev/null | head -1)
  [ -n "$dialog" ] || { fail "no setup dialog: $(tail -3 "$work/err")"; return 1; }
  sleep 0.5
}

click() {
  local l t r b
  read -r _ _ l t r b < <(grep "^control $1 " "$work/layout")
  xdotool mousemove --sync $(((l + r) / 2)) $(((t + b) / 2)) click 1
  sleep 0.3
}

# show: the show's window, or nothing within 30 seconds.
show() { timeout 30 xdotool search --sync --onlyvisible --name '^demo Window$' 2>/dev/null | head -1; }

# finish: Escape ends the show; the program must then leave with status 0.
finish() {
  sleep 1
  xdotool windowfocus --sync "$1" 2>/dev/null
  xdotool key Escape
  wait_exit "$2"
}

wait_exit() {
  for _ in $(seq 150); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$pid" 2>/dev/null; then
    fail "$1: zarvox did not end"
    kill "$pid"
  fi
  wait "$pid"
  local status=$?
  [ "$status" -eq 0 ] || fail "$1: exit status $status: $(tail -3 "$work/err")"
}

# Decorations the show's window asks for: 0 for the borderless full-screen
# window, 1 for a framed one.
decorations() { xprop -id "$1" _MOTIF_WM_HINTS | awk -F', ' '{ print $3 }'; }

# 1. The dialog, centred; Enter starts the show full screen.
if start; then
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  read -r _ l t r b < <(grep '^dialog ' "$work/layout")
  [ "$X" -eq "$l" ] && [ "$Y" -eq "$t" ] || fail "dialog at $X,$Y, not at $l,$t"
  [ $((2 * X + WIDTH)) -ge $((screen_w - 1)) ] && [ $((2 * X + WIDTH)) -le $((screen_w + 1)) ] || fail "not centred across"
  [ $((2 * Y + HEIGHT)) -ge $((screen_h - 1)) ] && [ $((2 * Y + HEIGHT)) -le $((screen_h + 1)) ] || fail "not centred down"
  xdotool mousemove --sync 0 0
  sleep 0.3
  ffmpeg -loglevel error -y -f x11grab -video_size $((WIDTH + 24))x$((HEIGHT + 24)) -i "$DISPLAY+$((X - 12)),$((Y - 12))" \
    -frames:v 1 "$shot" || fail "no screenshot"
  xdotool windowfocus --sync "$dialog"
  xdotool key Return
  window=$(show)
  if [ -n "$window" ]; then
    [ "$(decorations "$window")" = "0x0" ] || fail "Enter: the show is not full screen"
    finish "$window" "Enter"
  else
    fail "Enter started no show"
    kill "$pid"
  fi
fi

# 2. "window", then Start: the show runs in a framed window.
if start; then
  click 1003
  click 1001
  window=$(show)
  if [ -n "$window" ]; then
    [ "$(decorations "$window")" = "0x1" ] || fail "window + Start: the show is not in a window"
    finish "$window" "window + Start"
  else
    fail "Start made no show"
    kill "$pid"
  fi
fi

# 3. Exit: status 0 and no show window ever.
if start; then
  click 1002
  wait_exit "Exit"
  [ -z "$(xdotool search --name '^demo Window$' 2>/dev/null)" ] || fail "Exit opened a show window"
  [ ! -s "$work/out" ] || fail "Exit printed: $(cat "$work/out")"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "zarvox setup end to end: all passed"
