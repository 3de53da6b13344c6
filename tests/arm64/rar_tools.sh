#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The RAR tools built for arm64 (run under qemu-user) against the amd64 ones:
#   - rarcat, for every row of the real-archive corpus's EXPECTED.tsv, exits
#     with the same status, writes the same bytes and says the same on
#     stderr, and succeeds exactly on the rows that EXPECTED.tsv says do;
#   - rarpack makes byte-identical archives of text, machine code,
#     incompressible bytes and 16-bit stereo sound at every level, each as
#     separate and as solid entries, with audio mode chosen, off and forced,
#     and enciphered.
# Usage: rar_tools.sh AMD64_RARCAT ARM64_RARCAT AMD64_RARPACK ARM64_RARPACK CORPUS_DIR
set -u
amd64_rarcat=$1 arm64_rarcat=$2 amd64_rarpack=$3 arm64_rarpack=$4 corpus=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# rarpack first: its inputs need no corpus.
mkdir "$work/in"
cat "$(dirname "$0")"/../../docs/*.md | head -c 120000 >"$work/in/text.txt"
head -c 80000 "$amd64_rarcat" >"$work/in/code.bin"
gzip -9n <"$work/in/text.txt" >"$work/in/packed.gz"
sox -q -n -r 44100 -c 2 -b 16 "$work/in/sound.wav" synth 0.7 sine 220 sine 330 ||
  { echo "FAIL: sox cannot make the sound input"; exit 1; }
inputs=(text.txt code.bin packed.gz sound.wav)
modes=("" "--solid --audio off" "--solid" "--solid --audio 2" "--solid --password tarsk")
archives=0
for level in 0 1 2 3 4 5; do
  for mode in "${modes[@]}"; do
    [ "$level" = 0 ] && [ -n "$mode" ] && [ "$mode" != "--solid --password tarsk" ] && continue
    for side in amd64 arm64; do
      rarpack=$amd64_rarpack
      [ $side = arm64 ] && rarpack=$arm64_rarpack
      # shellcheck disable=SC2086 # the mode is several options
      (cd "$work/in" && "$rarpack" -m$level $mode --mtime 1009843200 "$work/$side.rar" "${inputs[@]}") ||
        fail "$side rarpack -m$level $mode"
    done
    cmp -s "$work/amd64.rar" "$work/arm64.rar" || fail "rarpack -m$level $mode: the archives differ"
    archives=$((archives + 1))
    rm -f "$work"/*.rar
  done
done
echo "rarpack: $archives archives of $(cat "$work"/in/* | wc -c) bytes compared"

if [ ! -f "$corpus/EXPECTED.tsv" ]; then
  echo "SKIP: the corpus of real archives is not at $corpus; rarcat is not compared"
  exit $failures
fi
rows=0
# Empty fields (no password) stay fields: tabs are whitespace to read.
while IFS=$'\037' read -r archive entry password expected _; do
  case $archive in '#'* | '') continue ;; esac
  for side in amd64 arm64; do
    rarcat=$amd64_rarcat
    [ $side = arm64 ] && rarcat=$arm64_rarcat
    "$rarcat" "$corpus/$archive" "$entry" ${password:+"$password"} >"$work/$side.out" 2>"$work/$side.err"
    echo $? >"$work/$side.status"
  done
  row="$archive / $entry${password:+ / $password}"
  for part in status out err; do
    cmp -s "$work/amd64.$part" "$work/arm64.$part" || fail "$row: other $part on arm64: $(head -c 200 "$work/arm64.$part")"
  done
  { [ "$(cat "$work/arm64.status")" = 0 ] && [ "$expected" = ok ]; } ||
    { [ "$(cat "$work/arm64.status")" != 0 ] && [ "$expected" = fail ]; } ||
    fail "$row: status $(cat "$work/arm64.status"), expected $expected"
  rows=$((rows + 1))
done < <(tr '\t' '\037' <"$corpus/EXPECTED.tsv")
[ "$rows" -ge 91 ] || fail "only $rows rows in $corpus/EXPECTED.tsv"
echo "rarcat: $rows rows of the corpus, the same outcome from both"
exit $failures
