#!/usr/bin/env bash
# The Windows zip's zarvox.exe under Wine, on the X server that with-xvfb
# started, in a Wine prefix of its own that is removed afterwards:
#   - the setup dialog comes up (it has no title: template 102 asks for none,
#     so it is found as the program's only visible window); Enter starts the
#     show; Windows' own box warns of the fullscreen mode this screen lacks;
#     the show window opens; Escape ends it with exit status 0;
#   - without zarvox.dat beside it, the box "zarvox: no data file" and status 1.
# Usage: wine_session.sh ZIP
set -u
zip=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
wine=/usr/lib/wine/wine64 # Debian keeps the launcher off PATH
wineserver=/usr/lib/wine/wineserver
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
pid=""
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  "$wineserver" -k 2>/dev/null
  "$wineserver" -w 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/stderr" ] && sed 's/^/  zarvox.exe: /' "$work/stderr" >&2
  exit 1
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
until_ok() { # SECONDS COMMAND...: retries every 100 ms
  local deadline=$(($(now_ms) + $1 * 1000)); shift
  until "$@"; do
    [ "$(now_ms)" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}
find_named() { found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1); [ -n "$found" ]; }
find_dialog() { found=$(xdotool search --onlyvisible --class '^zarvox\.exe$' 2>/dev/null | head -n1); [ -n "$found" ]; }
running() { kill -0 "$pid" 2>/dev/null; }
# Without a window manager Wine takes the X focus it is given; keys then go
# to the focused window through XTEST, as a keyboard's would.
press() { xdotool windowfocus "$1" 2>/dev/null; sleep 0.3; xdotool key "$2"; }
start() { (cd "$work/zarvox" && exec "$wine" ./zarvox.exe 2>"$work/stderr" >/dev/null) & pid=$!; }
finish() { # EXPECTED-STATUS
  until_ok 30 eval '! running' || fail "the program did not exit"
  wait "$pid"; local rc=$?; pid=""
  [ "$rc" -eq "$1" ] || fail "exit status $rc, expected $1"
}

mkdir "$work/zarvox" && (cd "$work/zarvox" && unzip -q "$zip") || fail "cannot unpack $zip"
"$wine" wineboot -i >/dev/null 2>&1 || fail "wineboot -i failed"
"$wine" --version

start
until_ok 60 find_dialog || fail "no setup dialog"
press "$found" Return
until_ok 30 find_named '^ERROR Changing Display Settings$' || fail "no warning box for the missing mode"
press "$found" Return
until_ok 30 find_named '^demo Window$' || fail "no show window"
window=$found
sleep 1
running || fail "the show ended by itself"
press "$window" Escape
finish 0
echo "ok: dialog, Enter, warning box, show window, Escape: exit status 0"

rm "$work/zarvox/zarvox.dat"
start
until_ok 60 find_named '^zarvox: no data file$' || fail "no box for the missing data file"
press "$found" Return
finish 1
grep -q 'cannot open the data file' "$work/stderr" || fail "stderr does not say why"
echo "ok: no data file: the box, exit status 1"
