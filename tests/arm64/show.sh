#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The show built for arm64 (run under qemu-user, drawing with Mesa's arm64
# llvmpipe) against the amd64 build, on the X server that with-xvfb started:
#   - zarvox-capture writes one frame a show second from both, at a few
#     rendered frames a second (every capture renders from the show's start,
#     and emulated rendering is slow); capture_compare prints each frame's
#     share of identical pixels and wants at least 95 % in every frame. Only
#     the sphere's section differs (44.5 to 89 s: in 1 to 3 % of the pixels,
#     by at most 2 in a channel); its vertices and sphere-map coordinates
#     come from GLU's quadrics and Mesa's texture generation, which each
#     architecture's build of those libraries rounds in its own way. A wrong
#     texture, colour or geometry moves far more;
#   - the show's sound mixed offline is the same PCM from both, but for a few
#     samples 1 apart that libmpg123's arm64 build rounds otherwise.
# Usage: show.sh DATA_FILE AMD64_CAPTURE ARM64_CAPTURE CAPTURE_COMPARE AMD64_SOUND_MIX ARM64_SOUND_MIX
set -u
data=$1 amd64_capture=$2 arm64_capture=$3 compare=$4 amd64_mix=$5 arm64_mix=$6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cp "$data" "$work/zarvox.dat" && cd "$work" || exit 1
options=(--size 320x240 --frame-rate 4 --fps 1)
for side in amd64 arm64; do
  capture=$amd64_capture
  [ $side = arm64 ] && capture=$arm64_capture
  start=$SECONDS
  "$capture" "${options[@]}" $side/ 2>"$work/err" || fail "$side capture: $(cat "$work/err")"
  echo "$side capture: $(find $side -name '*.png' | wc -l) frames in $((SECONDS - start)) s"
done
"$compare" amd64 arm64 0.95 || exit 1

for side in amd64 arm64; do
  mix=$amd64_mix
  [ $side = arm64 ] && mix=$arm64_mix
  start=$SECONDS
  reference=()
  [ $side = arm64 ] && reference=(amd64.pcm)
  "$mix" zarvox.dat $side.pcm "${reference[@]}" || fail "$side sound mix"
  echo "$side sound mix: $(stat -c %s $side.pcm) bytes in $((SECONDS - start)) s"
done
echo "ok: the same frames and sound from both"
