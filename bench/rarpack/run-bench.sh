#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Packed size and time of rarpack against gzip -9, xz -9 and zip -9 on (a) the
# show's media and (b) a mixed corpus of at least 10 MiB built here from files
# on this machine (documentation text, an executable, a WAV made with sox).
# Usage: run-bench.sh [--smoke] RARPACK [MEDIA]
# --smoke runs every tool once on 256 KiB of each corpus file: a check that
# the benchmark runs, whose figures mean nothing.
# MEDIA is a folder holding krel.png, spheremap.png and zarvox.mp3, or the
# show's zarvox.dat (its files are taken out with unar); (a) is skipped
# without them. Each file is packed on its own by every tool; the totals add
# those up, and one solid archive of all files is timed besides. Times are
# the better of two runs: wall clock and CPU (user + system) in seconds.
set -euo pipefail
smoke=0
if [ "${1:-}" = "--smoke" ]; then smoke=1; shift; fi
rarpack=$(realpath "${1:?usage: run-bench.sh [--smoke] RARPACK [MEDIA]}")
media=${2:-}
for tool in gzip xz zip sox unar; do
  command -v $tool >/dev/null || { echo "run-bench: $tool is not installed" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
here=$(dirname "$(realpath "$0")")

echo "rarpack: $rarpack"
echo "Building the corpus in $work ..."
"$here/make-corpus.sh" "$work/corpus" >/dev/null
if [ $smoke = 1 ]; then truncate -s 256K "$work/corpus"/*; fi
if [ -n "$media" ] && [ -f "$media" ]; then
  unar -q -D -p tarsk -o "$work/media" "$media" >/dev/null 2>&1 || true
  media=$work/media
fi

# timed CMD...: runs CMD twice (once with --smoke; output discarded); sets wall and cpu to the better run.
TIMEFORMAT='%R %U %S'
timed() {
  wall=; cpu=
  local run
  for ((run = 0; run < 2 - smoke; run++)); do
    local t w u s
    t=$( { time "$@" >/dev/null 2>&1; } 2>&1 | tail -1)
    read -r w u s <<<"$t"
    if [ -z "$wall" ] || awk -v a="$w" -v b="$wall" 'BEGIN { exit !(a < b) }'; then wall=$w; fi
    local c
    c=$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')
    if [ -z "$cpu" ] || awk -v a="$c" -v b="$cpu" 'BEGIN { exit !(a < b) }'; then cpu=$c; fi
  done
}

# pack TOOL OUT FILES...: sets size, wall, cpu. Run in the files' folder.
pack() {
  local tool=$1 out=$2; shift 2
  rm -f "$out"
  case $tool in
    rarpack*) read -r -a opts <<<"${tool#rarpack}"; timed "$rarpack" "${opts[@]}" "$out" "$@" ;;
    gzip) timed sh -c 'cat "$@" | gzip -9 >"$0"' "$out" "$@" ;;
    xz) timed sh -c 'cat "$@" | xz -9 -T1 >"$0"' "$out" "$@" ;;
    zip) timed sh -c 'rm -f "$0"; zip -q -9 -X "$0" "$@"' "$out" "$@" ;;
  esac
  size=$(stat -c %s "$out")
}

tools=("rarpack" "rarpack -m1" "rarpack -m5" "gzip" "xz" "zip")
header() { printf "%-26s %12s %8s %8s %8s %8s %9s\n" tool bytes ratio "vs gzip" "wall s" "cpu s" "MB/s cpu"; }
row() { # name size total gzipSize wall cpu
  awk -v t="$1" -v s="$2" -v total="$3" -v g="$4" -v w="$5" -v c="$6" \
    'BEGIN { printf "%-26s %12d %8.4f %8.3f %8.2f %8.2f %9.1f\n", t, s, s / total, s / g, w, c, (c > 0 ? total / c / 1e6 : 0) }'
}

# table TITLE DIR FILES...: every tool on every file, then the totals.
# Tools are numbered by their place in `tools`; 3 is gzip, 0 the default level.
table() {
  local title=$1 dir=$2; shift 2
  local -a sum_size sum_wall sum_cpu size_of wall_of cpu_of
  local grand=0 n=${#tools[@]} k
  for ((k = 0; k < n; k++)); do sum_size[k]=0; sum_wall[k]=0; sum_cpu[k]=0; done
  for f in "$@"; do
    local total
    total=$(stat -c %s "$dir/$f")
    grand=$((grand + total))
    echo
    echo "== $title: $f ($total bytes) =="
    header
    for ((k = 0; k < n; k++)); do
      (cd "$dir" && pack "${tools[k]}" "$work/packed.out" "$f" && echo "$size $wall $cpu" >"$work/r.txt")
      read -r size_of[k] wall_of[k] cpu_of[k] <"$work/r.txt"
      sum_size[k]=$((sum_size[k] + size_of[k]))
      sum_wall[k]=$(awk -v a="${sum_wall[k]}" -v b="${wall_of[k]}" 'BEGIN { print a + b }')
      sum_cpu[k]=$(awk -v a="${sum_cpu[k]}" -v b="${cpu_of[k]}" 'BEGIN { print a + b }')
    done
    for ((k = 0; k < n; k++)); do
      row "${tools[k]}" "${size_of[k]}" "$total" "${size_of[3]}" "${wall_of[k]}" "${cpu_of[k]}"
    done
  done
  echo
  echo "== $title: all files ($grand bytes; each file packed on its own, summed) =="
  header
  for ((k = 0; k < n; k++)); do
    row "${tools[k]}" "${sum_size[k]}" "$grand" "${sum_size[3]}" "${sum_wall[k]}" "${sum_cpu[k]}"
  done
  (cd "$dir" && pack "rarpack --solid" "$work/packed.out" "$@" && echo "$size $wall $cpu" >"$work/r.txt")
  read -r size wall cpu <"$work/r.txt"
  row "rarpack --solid (1 archive)" "$size" "$grand" "${sum_size[3]}" "$wall" "$cpu"
  awk -v gc="${sum_cpu[3]}" -v rc="${sum_cpu[0]}" -v gw="${sum_wall[3]}" -v rw="${sum_wall[0]}" \
    'BEGIN { printf "default level speed / gzip -9 speed: %.2f (CPU), %.2f (wall clock)\n", (rc > 0 ? gc / rc : 0), (rw > 0 ? gw / rw : 0) }'
}

if [ -n "$media" ] && [ -f "$media/krel.png" ] && [ -f "$media/spheremap.png" ] && [ -f "$media/zarvox.mp3" ]; then
  table "(a) the show's media" "$media" krel.png spheremap.png zarvox.mp3
else
  echo
  echo "== (a) the show's media: skipped (krel.png, spheremap.png, zarvox.mp3 or zarvox.dat not found at '${media:-<none given>}') =="
fi
table "(b) mixed corpus" "$work/corpus" text.txt program.bin sound.wav
echo
echo "Goals: text <= 0.95 x gzip -9; overall <= gzip -9; 16-bit PCM (audio mode) <= 0.85 x gzip -9;"
echo "       default level at least half the speed of gzip -9."
