#!/usr/bin/env bash
# Packed size and time of rarpack against gzip -9, xz -9 and zip -9 on (a) the
# show's media and (b) a mixed corpus of at least 10 MiB built here from files
# on this machine (documentation text, an executable, a WAV made with sox).
# Usage: run-bench.sh RARPACK [MEDIA_DIR]
# MEDIA_DIR holds krel.png, spheremap.png and zarvox.mp3; (a) is skipped
# without them. Times are the best of three runs: wall clock and CPU (user +
# system). The corpus lives in a temporary folder and is removed afterwards.
set -euo pipefail
rarpack=$(realpath "${1:?usage: run-bench.sh RARPACK [MEDIA_DIR]}")
media=${2:-}
for tool in gzip xz zip sox; do
  command -v $tool >/dev/null || { echo "run-bench: $tool is not installed" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
here=$(dirname "$(realpath "$0")")

echo "Building the corpus in $work ..."
"$here/make-corpus.sh" "$work/corpus" >/dev/null

# best_of CMD...: runs three times; sets wall and cpu (seconds) to the best run.
best_of() {
  wall=999999; cpu=999999
  for _ in 1 2 3; do
    local t
    t=$( { /usr/bin/time -f "%e %U %S" "$@" >/dev/null 2>/dev/null; } 2>&1 | tail -1)
    read -r w u s <<<"$t"
    wall=$(awk -v a="$wall" -v b="$w" 'BEGIN { print (b < a) ? b : a }')
    cpu=$(awk -v a="$cpu" -v u="$u" -v s="$s" 'BEGIN { c = u + s; print (c < a) ? c : a }')
  done
}

# One packer over a list of files. Sets size, wall, cpu.
run_tool() { # tool out files...
  local tool=$1 out=$2; shift 2
  rm -f "$out"
  case $tool in
    rarpack*) local opts=${tool#rarpack}; best_of "$rarpack" $opts "$out" "$@" ;;
    gzip) best_of sh -c 'cat "$@" | gzip -9 > '"$out" sh "$@" ;;
    xz) best_of sh -c 'cat "$@" | xz -9 -T1 > '"$out" sh "$@" ;;
    zip) best_of zip -q -9 -X "$out" "$@" ;;
  esac
  size=$(stat -c %s "$out")
}

tools=("rarpack" "rarpack -m1" "rarpack -m5" "rarpack --solid" "gzip" "xz" "zip")

table() { # title dir files...
  local title=$1 dir=$2; shift 2
  local total=0
  for f in "$@"; do total=$((total + $(stat -c %s "$dir/$f"))); done
  echo
  echo "== $title: $* ($total bytes) =="
  printf "%-18s %12s %8s %9s %9s %9s %9s\n" tool bytes ratio "vs gzip" "wall s" "cpu s" "MB/s cpu"
  local gzip_size=0 gzip_cpu=0 gzip_wall=0
  (cd "$dir"; run_tool gzip "$work/out.gz" "$@"; echo "$size $wall $cpu" >"$work/gzip.txt")
  read -r gzip_size gzip_wall gzip_cpu <"$work/gzip.txt"
  for tool in "${tools[@]}"; do
    (cd "$dir"; run_tool "${tool// /}" "$work/out.bin" "$@"; echo "$size $wall $cpu" >"$work/r.txt")
    read -r size wall cpu <"$work/r.txt"
    awk -v t="$tool" -v s="$size" -v total="$total" -v g="$gzip_size" -v w="$wall" -v c="$cpu" -v gc="$gzip_cpu" \
      'BEGIN { printf "%-18s %12d %8.4f %9.3f %9.2f %9.2f %9.1f\n", t, s, s / total, s / g, w, c, (c > 0 ? total / c / 1e6 : 0) }'
  done
  awk -v c="$(awk '{print $3}' "$work/gzip.txt")" 'BEGIN {}' </dev/null
}

# Speed of the default level as a share of gzip -9's (CPU time), per table.
speed_line() { # dir files...
  local dir=$1; shift
  (cd "$dir"; run_tool gzip "$work/s.gz" "$@"; echo "$cpu $wall" >"$work/g.txt"; run_tool rarpack "$work/s.rar" "$@";
   echo "$cpu $wall" >"$work/r.txt")
  read -r gc gw <"$work/g.txt"
  read -r rc rw <"$work/r.txt"
  awk -v gc="$gc" -v rc="$rc" -v gw="$gw" -v rw="$rw" \
    'BEGIN { printf "default level speed / gzip -9 speed: %.2f (CPU), %.2f (wall)  [goal >= 0.5]\n", (rc > 0 ? gc / rc : 0), (rw > 0 ? gw / rw : 0) }'
}

echo "rarpack: $rarpack"
if [ -n "$media" ] && [ -f "$media/krel.png" ] && [ -f "$media/spheremap.png" ] && [ -f "$media/zarvox.mp3" ]; then
  table "(a) the show's media" "$media" krel.png spheremap.png zarvox.mp3
else
  echo
  echo "== (a) the show's media: skipped (krel.png, spheremap.png, zarvox.mp3 not found in '${media:-<none given>}') =="
fi

c=$work/corpus
table "(b1) text and documentation" "$c" text.txt
table "(b2) executable" "$c" program.bin
table "(b3) 16-bit stereo PCM (WAV)" "$c" sound.wav
table "(b) mixed corpus, all three" "$c" text.txt program.bin sound.wav
echo
speed_line "$c" text.txt program.bin sound.wav
echo "Goals: text <= 0.95 x gzip -9; overall <= gzip -9; 16-bit PCM <= 0.85 x gzip -9; speed above."
