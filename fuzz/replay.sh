#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Replays the fuzz target over the real archives and the saved regressions.
# Usage: replay.sh REPLAY_PROGRAM CORPUS_DIR REGRESSIONS_DIR
set -u
program=$1 corpus=$2 regressions=$3
inputs=()
if [ -d "$corpus" ]; then
  for f in "$corpus"/*; do case "$f" in *.rar|*.RAR) inputs+=("$f");; esac; done
else
  echo "replay: the corpus of real archives is not at $corpus; replaying the regressions only"
fi
[ -d "$regressions" ] && inputs+=("$regressions")
exec "$program" "${inputs[@]}"
