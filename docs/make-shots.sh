#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the README's pictures of the five effects: one frame of each, as a
# viewer sees it, captured from the show at 60 fps in a 640 x 480 window; and,
# where ./build.sh web made the site, the browser's page with its dialog.
# Usage: docs/make-shots.sh BUILD_DIR [OUT_DIR]   (OUT_DIR: docs/effects)
# Needs a display; without one it runs itself under the tests' Xvfb.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
build=$(realpath "${1:?usage: make-shots.sh BUILD_DIR [OUT_DIR]}")
out=$(realpath -m "${2:-$here/effects}")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec "$here/../tests/support/with-xvfb" "$0" "$@"
fi
capture=$build/bin/zarvox-capture
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$build/bin/zarvox.dat" "$work/zarvox.dat"

# name, show time in ms: a moment that shows what the effect does.
shots=("1-zoom 9000" "2-twirl 20000" "3-spin 26000" "4-sphere 44700" "5-wave 100000")
for shot in "${shots[@]}"; do
  read -r name ms <<<"$shot"
  frame=$((ms * 60 / 1000))
  (cd "$work" && SDL_AUDIODRIVER=dummy "$capture" --fps 60 --size 640x480 --from "$ms" --to "$ms" "frames-$name/" 2>/dev/null)
  cp "$work/frames-$name/$(printf 'frame-%06d.png' "$frame")" "$out/effect-$name.png"
  echo "effect-$name.png: $ms ms, frame $frame at 60 fps"
done

# The page of the browser build, where ./build.sh web made it.
site=$here/../build-web/site
if [ -f "$site/index.html" ] && [ -d "$here/../tests/web/node_modules" ]; then
  node "$here/make-web-shot.js" "$site" "$out/web-page.png"
fi
