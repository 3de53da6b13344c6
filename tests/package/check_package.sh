#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks what users install: the Debian package (what it holds where, its
# programs stripped and free of the build machine's paths, its desktop entry,
# AppStream data and manual pages well formed, no error from lintian) and a
# plain `cmake --install --strip` under a prefix; and from each, zarvox
# started in an unrelated folder finds its data file and shows its setup
# dialog (the package's with XDG_DATA_DIRS pointing into it), the package's
# loading no library that its dependencies do not bring.
# Usage: check_package.sh BUILD_DIR   (after cpack there; DISPLAY must be set:
# run it under tests/support/with-xvfb)
set -u
build=$(realpath "$1")
source_dir=$(realpath "$(dirname "$0")/../..")
debs=("$build"/package/zarvox_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: not one package in $build/package"; exit 1; }
deb=${debs[0]}
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

root=$work/root
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb cannot unpack $deb"; exit 1; }
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes; Depends: $(dpkg-deb -f "$deb" Depends)"
dpkg-deb -f "$deb" Depends | grep -q libsdl2 || fail "no dependencies computed from the binaries"

# The tree.
programs="zarvox zarvox-capture rarpack rarcat media-logo media-spheremap media-soundtrack"
for program in $programs; do
  binary=$root/usr/bin/$program
  [ "$program" = zarvox ] && binary=$root/usr/games/zarvox # Debian keeps games there
  [ -x "$binary" ] || { fail "no ${binary#"$root"/}"; continue; }
  file -b "$binary" | grep -q ', stripped' || fail "$program is not stripped: $(file -b "$binary")"
  ! grep -qF "$source_dir/" "$binary" || fail "$program holds the build machine's path $source_dir"
  page=$root/usr/share/man/man1/$program.1.gz
  [ "$program" = zarvox ] && page=$root/usr/share/man/man6/zarvox.6.gz
  gzip -t "$page" 2>/dev/null || fail "no manual page ${page#"$root"/}"
done
[ "$(head -c 4 "$root/usr/share/zarvox/zarvox.dat" 2>/dev/null)" = "Rar!" ] || fail "no usr/share/zarvox/zarvox.dat"
for size in 48 128 256; do
  icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/zarvox.png
  file -b "$icon" 2>/dev/null | grep -q "PNG image data, $size x $size, 8-bit/color RGBA" ||
    fail "no $size x $size icon: $(file -b "$icon" 2>&1)"
done
for doc in copyright changelog.gz; do
  [ -s "$root/usr/share/doc/zarvox/$doc" ] || fail "no usr/share/doc/zarvox/$doc"
done
# Whoever receives the package may pass it on: a machine-readable copyright
# file under the project's licence, which the AppStream data names too.
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  "$root/usr/share/doc/zarvox/copyright" || fail "the copyright file is not in Debian's machine-readable format"
grep -q '^License: Expat' "$root/usr/share/doc/zarvox/copyright" || fail "the copyright file names no licence"
grep -q '<project_license>MIT</project_license>' "$root"/usr/share/metainfo/zarvox.metainfo.xml ||
  fail "the AppStream data names no licence"
desktop-file-validate "$root/usr/share/applications/zarvox.desktop" || fail "desktop-file-validate refuses the entry"
# A session's PATH may lack /usr/games (Debian 12's systemd user default
# does): the entry names the show by its full path.
exec_of() { sed -n 's/^Exec=//p' "$1"; }
[ "$(exec_of "$root/usr/share/applications/zarvox.desktop")" = /usr/games/zarvox ] ||
  fail "the desktop entry runs \"$(exec_of "$root/usr/share/applications/zarvox.desktop")\", not /usr/games/zarvox"
# The project has no domain of its own to build a reverse-DNS id from.
appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info \
  "$root"/usr/share/metainfo/zarvox.metainfo.xml >"$work/appstream" 2>&1 ||
  fail "appstreamcli refuses the metadata: $(cat "$work/appstream")"
lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || fail "lintian finds errors"
sed 's/^/lintian: /' "$work/lintian"

# The packages the .deb's dependencies bring, recommendations left out,
# followed through what is installed here (the alternative installed stands
# for its group).
depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/(.*)//; s/[[:space:]]//g' | grep .)
apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
  --no-enhances $depends 2>/dev/null | grep -v '^ ' | sed 's/:.*//' | sort -u >"$work/brought"

# SDL opens the GL library of each display it supports by name, at run time:
# libGL.so.1 on X11, libEGL.so.1 on Wayland. No binary names them, and a
# show started where one is missing opens no window, so the packages that
# hold them must be brought all the same.
for lib in libGL.so.1 libEGL.so.1; do
  path=$(ldconfig -p | awk -v name="$lib" '$1 == name && /x86-64/ { print $NF; exit }')
  owner=$([ -n "$path" ] && dpkg -S "$(readlink -f "$path")" 2>/dev/null | sed 's/:.*//' | head -1)
  if [ -z "$owner" ]; then
    fail "no package here holds $lib, which SDL loads"
  elif ! grep -qx "$owner" "$work/brought"; then
    fail "SDL loads $lib from $owner, which the package's dependencies do not bring"
  fi
done

# check_libraries PID: every library the process has mapped belongs to a
# package the .deb brings. Libraries that SDL and GTK load at run time (the
# GL and EGL libraries, GTK's image loaders) are named by no binary, so
# dpkg-shlibdeps cannot find them.
check_libraries() {
  awk '$6 ~ /\.so/ { print $6 }' "/proc/$1/maps" | grep -v "^$work/" | sort -u >"$work/mapped"
  # dpkg knows a file under the folder its package ships it in, /lib or /usr/lib.
  local file owner
  # shellcheck disable=SC2046
  dpkg -S $(sed 's|^/usr\(/lib/.*\)|&\n\1|; t; s|^/lib/.*|&\n/usr&|' "$work/mapped") >"$work/owners" 2>/dev/null
  while read -r file; do
    owner=$(awk -v a="$file" -v b="${file#/usr}" -F': ' '$2 == a || $2 == b || $2 == "/usr" a { sub(/[:,].*/, "", $1); print $1; exit }' "$work/owners")
    if [ -z "$owner" ]; then
      fail "zarvox loaded $file, which no package holds"
    elif ! grep -qx "$owner" "$work/brought"; then
      fail "zarvox loaded $file from $owner, which the package's dependencies do not bring"
    fi
  done <"$work/mapped"
}

# start_show PROGRAM [VAR=VALUE...]: zarvox from a folder of its own, as a
# launcher starts it, up to its dialog (where its libraries are checked when
# CHECK_LIBRARIES is set); Exit must end it with 0.
start_show() {
  local program=$1
  shift
  rm -rf "$work/home"
  mkdir -p "$work/home/elsewhere"
  (cd "$work/home/elsewhere" &&
    exec env HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_STATE_HOME="$work/home/.local/state" \
      SDL_AUDIODRIVER=dummy NO_AT_BRIDGE=1 "$@" "$program") >"$work/out" 2>"$work/err" &
  pid=$!
  local dialog
  dialog=$(timeout 60 xdotool search --sync --onlyvisible --name '^zarvox$' 2>/dev/null | head -1)
  if [ -z "$dialog" ]; then
    fail "${program#"$work"/} showed no setup dialog: $(tail -3 "$work/err")"
    return
  fi
  sleep 0.5
  [ -n "${CHECK_LIBRARIES:-}" ] && check_libraries "$pid"
  xdotool windowfocus --sync "$dialog" 2>/dev/null
  xdotool key alt+x
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$pid" 2>/dev/null; then
    fail "Exit did not end ${program#"$work"/}"
    return
  fi
  wait "$pid"
  local status=$?
  pid=
  [ "$status" -eq 0 ] || fail "${program#"$work"/} exited with $status: $(tail -3 "$work/err")"
}
CHECK_LIBRARIES=1 start_show "$root/usr/games/zarvox" XDG_DATA_DIRS="$root/usr/share:/usr/local/share:/usr/share"

# A plain install under a prefix: the programs in bin/, stripped, and the
# show finds its data file in the prefix's share/zarvox.
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" --strip >/dev/null || fail "cmake --install failed"
for program in $programs; do
  file -b "$prefix/bin/$program" 2>/dev/null | grep -q ', stripped' || fail "no stripped $program in the prefix's bin/"
done
(cd "$root/usr" && find share -type f | sort) >"$work/deb-files"
(cd "$prefix" && find share -type f | sort) >"$work/prefix-files"
diff "$work/deb-files" "$work/prefix-files" >"$work/diff" || fail "the install's share/ differs from the package's: $(cat "$work/diff")"
[ "$(exec_of "$prefix/share/applications/zarvox.desktop")" = "$prefix/bin/zarvox" ] ||
  fail "the prefix's desktop entry runs \"$(exec_of "$prefix/share/applications/zarvox.desktop")\", not $prefix/bin/zarvox"
start_show "$prefix/bin/zarvox" XDG_DATA_DIRS=/nonexistent

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "package check: all passed"
