#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Writes fuzz/seeds/: small archives of every kind our packer makes (stored,
# each compression level, solid, enciphered, sampled sound), so that the
# fuzzers start from all of the module's paths even without the real archives.
# The fuzz-only build has no packer: run this after a normal build and commit
# the result. Usage: make-seeds.sh [RARPACK] (default build/bin/rarpack)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
rarpack=${1:-$here/../build/bin/rarpack}
rarpack=$(realpath "$rarpack" 2>/dev/null) && [ -x "$rarpack" ] || { echo "make-seeds: no packer at $rarpack (build the target rarpack first)" >&2; exit 1; }
seeds=$here/seeds
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export LC_ALL=C
cd "$scratch"

# Inputs: text that repeats (long matches), bytes that do not (literals), and
# two channels of a slow wave (the audio coder's deltas).
awk 'BEGIN { for (i = 1; i <= 60; i++) printf "line %d: the quick seed text, line %d again\n", i, i % 7 }' >text.txt
awk 'BEGIN { x = 1; for (i = 0; i < 700; i++) { x = (x * 1103515245 + 12345) % 2147483648; printf "%c", int(x / 65536) % 256 } }' >bytes.bin
awk 'BEGIN { for (i = 0; i < 1200; i++) { v = int(8000 * sin(i / 9)) + 32768; printf "%c%c", v % 256, int(v / 256) } }' >wave.raw
head -c 300 text.txt >short.txt

# The fuzz target asks for the first entry with the password "password".
pack() { # NAME "OPTIONS" FILE...
  local archive=$seeds/$1.rar options=$2
  shift 2
  # shellcheck disable=SC2086 # the options are split on purpose
  "$rarpack" --mtime 0 $options "$archive" "$@"
}
rm -rf "$seeds" && mkdir -p "$seeds"
pack stored -m0 short.txt bytes.bin
for level in 1 2 3 4 5; do pack "m$level" "-m$level --audio off" text.txt bytes.bin; done
pack solid "-m3 --solid --audio off" text.txt short.txt bytes.bin
pack password "-m3 --password password --audio off" text.txt short.txt
pack password-stored "-m0 --password password" short.txt bytes.bin
pack audio "-m3 --audio 2" wave.raw text.txt
ls -l "$seeds"
