#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Proves that making the media and the data file again gives the same bytes:
# runs the generators and the packer into a scratch folder and compares with
# what the build made.
# Usage: rebuild_is_identical.sh BINARY_DIR LOGO SPHEREMAP SOUNDTRACK [RARPACK PACK-ARGS... -- ENTRY...]
set -u
bin=$1 logo=$2 spheremap=$3 soundtrack=$4
shift 4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
compare() { # compare NEW BUILT
  if ! cmp -s "$1" "$2"; then
    echo "FAIL: $(basename "$2") differs between two runs (or $2 is missing)"
    status=1
  else
    echo "ok: $(basename "$2") is the same on a second run"
  fi
}
"$logo" "$scratch/krel.png" && compare "$scratch/krel.png" "$bin/media/krel.png"
"$spheremap" "$scratch/spheremap.png" && compare "$scratch/spheremap.png" "$bin/media/spheremap.png"
"$soundtrack" "$scratch/zarvox.mp3" && compare "$scratch/zarvox.mp3" "$bin/media/zarvox.mp3"
if [ $# -gt 0 ]; then
  rarpack=$1
  shift
  args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=("$1"); shift; done
  shift
  # Pack the files the build made, so that only the packer is under test here.
  (cd "$bin/media" && "$rarpack" "${args[@]}" "$scratch/zarvox.dat" "$@") && compare "$scratch/zarvox.dat" "$bin/bin/zarvox.dat"
fi
exit $status
