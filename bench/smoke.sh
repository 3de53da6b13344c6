#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every benchmark once, briefly, so that a benchmark that no longer
# builds or runs fails the test command. The figures are printed, not judged.
# Usage: bench/smoke.sh BUILD_DIR   (a build with ZARVOX_BENCH=ON)
set -euo pipefail
build=$(realpath "${1:?usage: smoke.sh BUILD_DIR}")
here=$(dirname "$(realpath "$0")")
xvfb=$here/../tests/support/with-xvfb
bin=$build/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# step NAME COMMAND...: runs it, prints the last lines, stops the script on failure.
step() {
  local name=$1; shift
  local start=$SECONDS
  echo "== bench smoke: $name"
  if ! "$@" >"$work/out" 2>&1; then
    tail -n 30 "$work/out"
    echo "bench smoke: $name FAILED: $*" >&2
    exit 1
  fi
  tail -n 4 "$work/out" | sed 's/^/   /'
  echo "   ($((SECONDS - start)) s)"
}

step effects env SDL_AUDIODRIVER=dummy "$xvfb" "$bin/effects_bench" --frames 5 --size 160x120
step rar "$bin/rar_bench" "$bin/zarvox.dat" krel.png tarsk --runs 1
step rarpack "$here/rarpack/run-bench.sh" --smoke "$bin/rarpack" "$bin/zarvox.dat"
step show env SDL_AUDIODRIVER=dummy "$xvfb" "$bin/show_bench" all --smoke
step sound env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null "$bin/sound_bench" --mp3 "$build/media/zarvox.mp3" --seconds 1
# The browser build, where ./build.sh web made it and the browser driver is installed.
site=$here/../build-web/site
if [ -f "$site/index.html" ] && [ -d "$here/../tests/web/node_modules" ]; then
  step web node "$here/web/page_bench.js" "$site" --seconds 3
fi
echo "bench smoke: every benchmark ran"
