#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the show as a user would, under the X server that with-xvfb started,
# and checks one way of ending it:
#   escape   - the warning box for the missing fullscreen mode is answered, the
#              show runs windowed at 640 x 480; pressing Escape does nothing,
#              releasing it ends the show within a second, exit status 0
#   close    - the window manager's close request ends it the same way
#   sigterm  - SIGTERM closes the window and the program exits 143 after its
#              usual teardown
#   sigint   - the same for SIGINT (Ctrl+C), exit status 130
#   lostdisplay - the X server dies mid-show: one line says the connection
#              was lost, exit status 1
#   nogl     - no OpenGL library: the window still comes, blank, and Escape
#              ends it, but stderr says what failed and why, exit status 1
#   nodisplay - without any display: one line on stderr, exit status 1; the
#              command line is read first (--help, --frame-rate); a child
#              the shell left to it before it started is not ended with it
# Usage: window_session.sh CASE ZARVOX SEND-CLOSE
set -u
case=$1 zarvox=$2 send_close=$3
work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL ($case): $*" >&2
  [ -f "$work/stderr" ] && sed 's/^/  zarvox: /' "$work/stderr" >&2
  exit 1
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# until SECONDS COMMAND...: retries COMMAND every 50 ms until it succeeds.
until_ok() {
  local deadline=$(($(now_ms) + $1 * 1000)); shift
  until "$@"; do
    [ "$(now_ms)" -ge "$deadline" ] && return 1
    sleep 0.05
  done
}
find_box() { box=$(xdotool search --onlyvisible --name '^ERROR Changing Display Settings$' 2>/dev/null | head -n1); [ -n "$box" ]; }
find_window() { window=$(xdotool search --name '^demo Window$' 2>/dev/null | head -n1); [ -n "$window" ]; }
window_gone() { ! xwininfo -id "$window" >/dev/null 2>&1; }
running() { kill -0 "$pid" 2>/dev/null; }

# The show's data file, made by the build beside the program: without it
# zarvox stops before its dialog.
ln -s "$(cd "$(dirname "$zarvox")" && pwd)/zarvox.dat" "$work/zarvox.dat"
cd "$work"

if [ "$case" = nodisplay ]; then
  env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$zarvox" 2>"$work/stderr" >/dev/null
  rc=$?
  [ "$rc" -eq 1 ] || fail "exit status $rc, expected 1"
  lines=$(grep -cv '^$' "$work/stderr")
  [ "$lines" -eq 1 ] || fail "$lines lines on stderr, expected one"
  grep -q 'no display' "$work/stderr" || fail "stderr does not name the cause"
  echo "ok: $(cat "$work/stderr")"
  # Options are read before the display is looked for.
  nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$zarvox" "$@" >"$work/out" 2>"$work/stderr"; }
  nodisplay --help; rc=$?
  [ "$rc" -eq 0 ] && grep -q -- '--frame-rate N' "$work/out" || fail "--help: status $rc, $(cat "$work/out")"
  for good in "--frame-rate 24" "--frame-rate=1000" "--frame-rate display"; do
    nodisplay $good; rc=$?
    [ "$rc" -eq 1 ] && grep -q 'no display' "$work/stderr" || fail "$good refused: status $rc"
  done
  for bad in "--frame-rate 23" "--frame-rate=1001" "--frame-rate 60fps" "--frame-rate" "--frames"; do
    nodisplay $bad; rc=$?
    [ "$rc" -eq 2 ] && ! grep -q 'no display' "$work/stderr" || fail "$bad accepted: status $rc"
  done
  echo "ok: $(cat "$work/stderr")"
  # Only what the program's libraries start counts as its helpers.
  env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER sh -c \
    'sleep 300 & echo $! >"$1/sleep.pid"; exec "$2"' sh "$work" "$zarvox" 2>/dev/null
  pid=$(cat "$work/sleep.pid")
  kill -0 "$pid" 2>/dev/null || fail "a process the shell left to zarvox was ended with it"
  echo "ok: the shell's own child outlived zarvox"
  exit 0
fi

[ "$case" = nogl ] && export SDL_OPENGL_LIBRARY=/nonexistent/libGL.so.1
"$zarvox" 2>"$work/stderr" &
pid=$!

# The setup dialog comes first. This screen offers no mode of a standard size,
# so the dialog lists none, and Enter (Start) keeps the default settings.
find_dialog() { dialog=$(xdotool search --onlyvisible --name '^zarvox$' 2>/dev/null | head -n1); [ -n "$dialog" ]; }
until_ok 30 find_dialog || fail "no setup dialog"
xdotool windowfocus --sync "$dialog" 2>/dev/null
xdotool key Return

# The defaults ask for 640 x 480 x 32 at 60 Hz, which Xvfb lacks: the warning
# box comes first, and the show goes on in a window whatever the answer.
until_ok 30 find_box || fail "no warning box"
xdotool windowfocus --sync "$box" 2>/dev/null
xdotool key Return
until_ok 30 find_window || fail "no show window"
geometry=$(xwininfo -id "$window")
echo "$geometry" | grep -q 'Width: 640$' || fail "client width is not 640: $geometry"
echo "$geometry" | grep -q 'Height: 480$' || fail "client height is not 480: $geometry"
echo "$geometry" | grep -q 'Map State: IsViewable' || fail "window not visible"

case "$case" in
escape | nogl)
  xdotool windowfocus "$window" 2>/dev/null
  xdotool keydown Escape
  sleep 0.5
  running || fail "pressing Escape (without releasing it) ended the show"
  xdotool keyup Escape
  ;;
close)
  "$send_close" "$window" || fail "could not send the close request"
  ;;
sigterm)
  kill -TERM "$pid"
  ;;
sigint)
  kill -INT "$pid"
  ;;
lostdisplay)
  # The server with-xvfb started, beside this script.
  server=$(ps --ppid "$PPID" -o pid=,comm= | awk '$2 == "Xvfb" { print $1 }')
  [ -n "$server" ] || fail "no X server found to stop"
  kill -KILL "$server"
  ;;
*) fail "unknown case" ;;
esac
start=$(now_ms) # the request has been delivered

until_ok 5 window_gone || fail "the window is still there 5 s later"
took=$(($(now_ms) - start))
[ "$took" -le 1000 ] || fail "the show took $took ms to end"
until_ok 30 eval '! running' || fail "the process did not exit"
wait "$pid"
rc=$?
pid=""
expected=0
[ "$case" = sigterm ] && expected=143
[ "$case" = sigint ] && expected=130
[ "$case" = lostdisplay ] && expected=1
[ "$case" = nogl ] && expected=1
[ "$rc" -eq "$expected" ] || fail "exit status $rc, not $expected"
if [ "$case" = lostdisplay ]; then
  [ "$(grep -cv '^$' "$work/stderr")" -eq 1 ] && grep -q 'lost the connection to the X server' "$work/stderr" ||
    fail "not one line that says the display was lost"
fi
if [ "$case" = nogl ]; then
  grep -q '^zarvox: cannot give the window "demo Window" an OpenGL pixel format (.*/nonexistent/libGL.so.1' \
    "$work/stderr" || fail "stderr does not say what failed and why"
fi
echo "ok: ended $took ms after the request, exit status $rc"
