#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the packages a newcomer's `./build.sh run` installs: with their
# dependencies (recommendations left out) they bring every system header and
# library that the release build in BUILD_DIR compiled and linked against, and
# none of the heavy packages that only the tests or the Windows build need.
# Usage: check_build_deps.sh BUILD_DIR   (after a build there)
set -u
build=$(realpath "$1")
source_dir=$(realpath "$(dirname "$0")/../..")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

run=$("$source_dir/build.sh" deps run) || { echo "FAIL: build.sh deps run"; exit 1; }
# shellcheck disable=SC2086
apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
  --no-enhances $run 2>/dev/null | grep -v '^ ' | sed 's/:.*//' | sort -u >"$work/brought"

for heavy in wine64 g++-mingw-w64-x86-64-posix xserver-xorg-core sway pulseaudio pipewire-bin ffmpeg lintian; do
  ! grep -qx "$heavy" "$work/brought" || fail "build.sh run installs $heavy, which only the tests or the Windows build need"
done

# The headers from the compiler's dependency files, the libraries from the
# link lines; dpkg knows a file under the folder its package ships it in.
{
  find "$build" -name '*.o.d' -exec cat {} + | tr ' \\' '\n\n' | grep '^/usr/'
  find "$build" -name link.txt -exec cat {} + | tr ' ' '\n' | grep '^/usr/.*\.\(so\|a\)$'
} | sort -u >"$work/used"
[ -s "$work/used" ] || { echo "FAIL: no build in $build"; exit 1; }
# shellcheck disable=SC2046
dpkg -S $(cat "$work/used") 2>/dev/null | sed 's/[:,].*//' | sort -u >"$work/owners"
while read -r owner; do
  grep -qx "$owner" "$work/brought" || fail "the build used files of $owner, which build.sh run does not install"
done <"$work/owners"
echo "build.sh run: $(wc -w <<<"$run") packages bring the $(wc -l <"$work/used") system files of $(wc -l <"$work/owners") packages the build used"

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
