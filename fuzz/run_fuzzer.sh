#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fuzzes the extraction entry point for a while, seeded from the real
# archives, our packer's archives (seeds/) and the saved regressions.
# Fails on any crash, leak, or input that runs over one second.
# Usage: run_fuzzer.sh FUZZER CORPUS_DIR WORK_DIR [SECONDS]
set -u
fuzzer=$1 corpus=$2 work=$3 seconds=${4:-60}
# The fuzzer adds what it finds to its first folder: a scratch copy, never
# the corpus itself.
rm -rf "$work" && mkdir -p "$work/queue" "$work/artifacts"
if [ -d "$corpus" ]; then
  cp "$corpus"/*.rar "$corpus"/*.RAR "$work/queue/" 2>/dev/null
else
  # Without the real archives the fuzzer still runs, from a bare marker and
  # main header; it then reaches less of the decompressor in the same time.
  echo "note: the corpus of real archives is not at $corpus; seeding from a bare archive start"
  printf 'Rar!\x1a\x07\x00\xcf\x90\x73\x00\x00\x0d\x00\x00\x00\x00\x00\x00\x00\x00' >"$work/queue/bare.rar"
fi
here=$(cd "$(dirname "$0")" && pwd)
[ -d "$here/regressions" ] && cp "$here/regressions"/* "$work/queue/" 2>/dev/null
[ -d "$here/seeds" ] && cp "$here/seeds"/*.rar "$work/queue/" 2>/dev/null
# Headers may claim entries of up to 4 GiB: such blocks are allocated (and
# left untouched) as the module's design wants, so the limits sit above that.
"$fuzzer" -max_total_time="$seconds" -timeout=1 -max_len=16384 \
  -rss_limit_mb=6144 -malloc_limit_mb=4200 -detect_leaks=1 -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$work/queue"
rc=$?
if [ $rc -ne 0 ]; then
  echo "fuzzer failed (exit $rc); reproducers in $work/artifacts:"
  ls -l "$work/artifacts"
fi
exit $rc
