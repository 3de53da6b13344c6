#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows zip's zarvox.exe under Wine, on the X server that with-xvfb
# started, in a Wine prefix of its own that is removed afterwards:
#   - --version and --help answer on stdout with status 0 and no dialog, a
#     usage error has status 2;
#   - the setup dialog comes up (found by its title: it has no caption bar,
#     and goes by the program's name, as on Linux); Enter starts the
#     show; Windows' own box warns of the fullscreen mode this screen lacks;
#     the show window opens; Escape ends it with exit status 0; chosen
#     windowed, the show's client area is 640 x 480;
#   - without zarvox.dat beside it, the box "zarvox: no data file" and status 1;
#   - rarcat.exe extracts the data file's entries (its debug log, text with
#     CR LF line ends, in %LOCALAPPDATA%\zarvox) and rarpack.exe, given the
#     options the build packs it with, makes zarvox.dat again byte for byte;
#     stopped by Ctrl+C, it exits 130 and leaves no file; names outside the
#     ANSI code page are packed as the Linux rarpack packs them;
#   - the layer's temporary files under a stop on another thread
#     (OUTPUT_FILE_TEST).
# Usage: wine_session.sh ZIP LINUX_RARPACK OUTPUT_FILE_TEST
set -u
zip=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
linux_rarpack=$2 output_file_test=$3
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

# The packer and the reader of the zip, in a folder of their own, with
# Windows paths (a backslash, a drive) for the names.
mkdir "$work/media" && cd "$work/media" || exit 1
for name in krel.png spheremap.png zarvox.mp3; do
  "$wine" ../zarvox/rarcat.exe -o "$name" ../zarvox/zarvox.dat "$name" tarsk 2>"$work/stderr" || fail "rarcat.exe $name"
done
log=$(find "$WINEPREFIX/drive_c/users" -path '*/zarvox/debug_unrar.txt' | head -n1)
[ -n "$log" ] && grep -q $'Extracting.*\r$' "$log" || fail "no debug log with CR LF line ends in %LOCALAPPDATA%\\zarvox"
windows_path="Z:${work//\//\\}\\media\\again.dat"
"$wine" ../zarvox/rarpack.exe -m3 --audio off --password tarsk --mtime 1009843200 "$windows_path" \
  krel.png '.\spheremap.png' zarvox.mp3 2>"$work/stderr" || fail "rarpack.exe"
cmp again.dat ../zarvox/zarvox.dat || fail "rarpack.exe did not make zarvox.dat again"
# Ctrl+C (Wine turns SIGINT into the console's) while it packs 80 MB: status
# 130 and neither the archive nor its temporary file left.
base64 /dev/urandom | head -c 80000000 >big.txt
"$wine" ../zarvox/rarpack.exe -m5 stopped.rar big.txt 2>"$work/stderr" &
packer=$!
until_ok 30 eval 'ls stopped.rar.tmp* >/dev/null 2>&1' || fail "rarpack.exe made no temporary file"
pkill -INT -f 'rarpack\.exe -m5 stopped' || fail "no rarpack.exe to stop"
wait "$packer"
status=$?
[ "$status" -eq 130 ] || fail "rarpack.exe: status $status after Ctrl+C, expected 130"
ls stopped.rar* >/dev/null 2>&1 && fail "rarpack.exe left $(ls stopped.rar*) after Ctrl+C"
# Names no ANSI code page holds together, given in UTF-8 (LC_ALL: how Wine
# reads the command line): the same archive, name bytes and all, as Linux's.
printf 'demo\n' >'Демо.txt' && printf 'cafe\n' >'café.txt' || exit 1
LC_ALL=C.UTF-8 "$wine" ../zarvox/rarpack.exe --mtime 1009843200 windows.rar 'Демо.txt' 'café.txt' 2>"$work/stderr" ||
  fail "rarpack.exe with names outside the code page"
"$linux_rarpack" --mtime 1009843200 linux.rar 'Демо.txt' 'café.txt' || fail "Linux rarpack"
cmp windows.rar linux.rar || fail "rarpack.exe stored other names than Linux rarpack: $(lsar windows.rar | tr '\n' ' ')"
mkdir race && "$wine" "$output_file_test" race || fail "output_file_test.exe"
cd - >/dev/null || exit 1
echo "ok: rarcat.exe extracts the data file; rarpack.exe makes it again byte for byte, stops on Ctrl+C, stores names as on Linux"

# The command line as on Linux: --version and --help answer on standard
# output and end at once (a dialog would hold them); a stray word is a usage
# error.
cd "$work/zarvox" || exit 1
version=$(timeout 60 "$wine" ./zarvox.exe --version 2>"$work/stderr") || fail "zarvox.exe --version: status $?"
[[ $version =~ ^zarvox\ [0-9]+\.[0-9]+ ]] || fail "zarvox.exe --version printed \"$version\""
help=$(timeout 60 "$wine" ./zarvox.exe --help 2>"$work/stderr") || fail "zarvox.exe --help: status $?"
[[ $help == "usage: zarvox "* ]] || fail "zarvox.exe --help printed \"$help\""
timeout 60 "$wine" ./zarvox.exe --frame-rate 5 >/dev/null 2>"$work/stderr"
status=$?
[ "$status" -eq 2 ] && grep -q '^zarvox: .*(try --help)' "$work/stderr" || fail "a bad --frame-rate: status $status"
cd - >/dev/null || exit 1
echo "ok: zarvox.exe --version, --help (stdout, status 0, no dialog), a usage error (status 2)"

start
until_ok 60 find_named '^zarvox$' || fail "no setup dialog"
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

# Windowed: the show window's client area (Wine's X window, the frame being
# the window manager's part) is the mode's 640 x 480. The "window" button is
# clicked at its place in the template (dialog units 174, 30 of 267 x 95).
start
until_ok 60 find_named '^zarvox$' || fail "no setup dialog"
eval "$(xdotool getwindowgeometry --shell "$found")"
xdotool mousemove $((X + WIDTH * 174 / 267)) $((Y + HEIGHT * 30 / 95)) click 1
press "$found" Return
until_ok 30 find_named '^demo Window$' || fail "no show window after choosing a window"
window=$found
geometry=$(xwininfo -id "$window")
echo "$geometry" | grep -q 'Width: 640$' && echo "$geometry" | grep -q 'Height: 480$' ||
  fail "the windowed client area is not 640 x 480: $geometry"
press "$window" Escape
finish 0
echo "ok: windowed: a 640 x 480 client area, Escape: exit status 0"

rm "$work/zarvox/zarvox.dat"
start
until_ok 60 find_named '^zarvox: no data file$' || fail "no box for the missing data file"
press "$found" Return
finish 1
grep -q 'cannot open the data file' "$work/stderr" || fail "stderr does not say why"
echo "ok: no data file: the box, exit status 1"
