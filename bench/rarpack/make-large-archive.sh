#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the large archive the RAR module's benchmark reads: the packer's
# mixed corpus (14.9 MB: documentation text, an executable, a WAV) packed
# compressed (default level), encrypted and solid, beside the corpus files
# themselves, so that other tools can be timed on the same bytes.
# Usage: make-large-archive.sh RARPACK OUTDIR
#   OUTDIR/large.rar      solid, encrypted with the password "zarvox-bench"
#   OUTDIR/text.txt, OUTDIR/program.bin, OUTDIR/sound.wav   its entries
set -euo pipefail
rarpack=$(realpath "${1:?usage: make-large-archive.sh RARPACK OUTDIR}")
out=${2:?usage: make-large-archive.sh RARPACK OUTDIR}
here=$(dirname "$(realpath "$0")")
"$here/make-corpus.sh" "$out"
cd "$out"
rm -f large.rar
"$rarpack" --solid --password zarvox-bench --mtime 1000000000 -v large.rar text.txt program.bin sound.wav
ls -l large.rar
echo "password: zarvox-bench"
