#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The media generators and the packer built for arm64 (run under qemu-user)
# against the amd64 ones, whose media and data file the arm64 build holds:
# the same logo and sphere map, the same soundtrack mix (16-bit PCM, before
# the MP3 encoder) and the same zarvox.dat packed from the amd64 media.
# The soundtrack's MP3 bytes are compared and reported, not required: Debian's
# arm64 libmp3lame encodes the same samples into other bytes. The data file
# is therefore always the amd64 build's.
# Usage: media.sh ARM64_BUILD_DIR ARM64_BIN AMD64_SOUNDTRACK RARPACK-ARGS... -- ENTRY...
set -u
build=$1 bin=$2 amd64_soundtrack=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
same() { # NEW REFERENCE
  if cmp -s "$1" "$2"; then echo "ok: $(basename "$1") is the same from arm64"; else
    echo "FAIL: $(basename "$1") differs from arm64 (or is missing)"
    failures=$((failures + 1))
  fi
}
"$bin/media-logo" "$work/krel.png" && same "$work/krel.png" "$build/media/krel.png"
"$bin/media-spheremap" "$work/spheremap.png" && same "$work/spheremap.png" "$build/media/spheremap.png"
start=$SECONDS
"$bin/media-soundtrack" "$work/zarvox.mp3" --wav "$work/zarvox.wav" && echo "arm64 soundtrack: $((SECONDS - start)) s"
"$amd64_soundtrack" "$work/amd64.mp3" --wav "$work/amd64.wav" && same "$work/zarvox.wav" "$work/amd64.wav"
cmp -s "$work/amd64.mp3" "$build/media/zarvox.mp3" || { echo "FAIL: the amd64 soundtrack is not the build's"; failures=$((failures + 1)); }
if cmp -s "$work/zarvox.mp3" "$work/amd64.mp3"; then echo "note: the MP3 bytes are the same"; else
  echo "note: the MP3 bytes differ in $(cmp -l "$work/zarvox.mp3" "$work/amd64.mp3" | wc -l) of $(stat -c %s "$work/amd64.mp3") (the encoder's arm64 build)"
fi
args=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=("$1"); shift; done
shift
(cd "$build/media" && "$bin/rarpack" "${args[@]}" "$work/zarvox.dat" "$@") && same "$work/zarvox.dat" "$build/bin/zarvox.dat"
exit $failures
