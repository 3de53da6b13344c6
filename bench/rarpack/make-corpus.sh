#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the packer's mixed benchmark corpus from files on this machine:
#   text.txt     6 MiB of documentation under /usr/share/doc (compressed
#                files unpacked, each distinct file once, in path order)
#   program.bin  the first 4 MiB of the cmake executable
#   sound.wav    25 s of 16-bit stereo 44.1 kHz music-like sound from sox
# Usage: make-corpus.sh DIR   (DIR is created; prints the files and sizes)
set -euo pipefail
dir=${1:?usage: make-corpus.sh DIR}
mkdir -p "$dir"
cd "$dir"

# Each distinct file once (by checksum of the file as it lies), in name order.
find /usr/share/doc -type f \( -name '*.gz' -o -name 'copyright' -o -name '*.txt' -o -name 'README*' \
  -o -name 'NEWS*' -o -name 'changelog*' -o -name '*.md' \) -print0 2>/dev/null | sort -z |
  xargs -0 md5sum | awk '!seen[$1]++ { sub(/^[0-9a-f]+  /, ""); print }' >files.lst
: >text.txt
while IFS= read -r f && [ "$(stat -c %s text.txt)" -lt $((6 * 1024 * 1024)) ]; do
  case $f in
    *.gz) gzip -dc -- "$f" >>text.txt 2>/dev/null || true ;;
    *) cat -- "$f" >>text.txt ;;
  esac
done <files.lst
truncate -s $((6 * 1024 * 1024)) text.txt
rm -f files.lst

exe=$(command -v cmake)
head -c $((4 * 1024 * 1024)) "$exe" >program.bin

# Plucked chords over a bass line with a little noise, panned apart.
sox -R -q -n -r 44100 -b 16 -c 1 left.wav synth 25 pluck %-12 pluck %-5 pluck %0 pluck %4 fade 0 25 2 \
  tremolo 2 40 vol 0.6
sox -R -q -n -r 44100 -b 16 -c 1 right.wav synth 25 sine %-24 pluck %7 brownnoise vol 0.4 tremolo 3 30
sox -R -q -M left.wav right.wav -b 16 sound.wav
rm -f left.wav right.wav

ls -l text.txt program.bin sound.wav
total=$(cat text.txt program.bin sound.wav | wc -c)
echo "total $total bytes"
[ "$total" -ge $((10 * 1024 * 1024)) ] || { echo "make-corpus: corpus under 10 MiB" >&2; exit 1; }
