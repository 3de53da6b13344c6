#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Proves the command-line convention of every program: --help prints the
# usage on stdout with status 0; --version prints "NAME VERSION" with status
# 0; a usage error is one line on stderr ending in "(try --help)" with status
# 2; a failure at run time exits 1; an option is never taken for a file name
# (nothing is written), and after "--" a name may start with '-'; standard
# output that cannot be written is a failure that says so.
# Usage: command_line_test.sh VERSION PROGRAM...
set -u
version=$1; shift
failures=0
check() { # check DESCRIPTION CONDITION...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
run() { "$@" >"$work/out" 2>"$work/err" </dev/null; echo $? >"$work/rc"; }
rc() { cat "$work/rc"; }
nothing_made() { [ "$(ls -A "$work" | grep -cvx 'out\|err\|rc')" = 0 ]; }

for path in "$@"; do
  p=$(basename "$path")
  run "$path" --help
  check "$p --help: usage on stdout, status 0" bash -c "[ $(rc) = 0 ] && [ ! -s err ] && grep -q '^usage: $p' out"
  run "$path" --version
  check "$p --version: name and version, status 0" bash -c \
    "[ $(rc) = 0 ] && [ ! -s err ] && grep -Eqx '$p ${version//./\\.}( \(commit [0-9a-f]+\))?' out"
  run "$path" --no-such-option
  check "$p: an unknown option is a usage error (status 2, one line)" bash -c \
    "[ $(rc) = 2 ] && [ ! -s out ] && [ \$(wc -l <err) = 1 ] && grep -q '^$p: .*(try --help)\$' err"
  check "$p: no option was taken for a file name" nothing_made
  "$path" --help >/dev/full 2>"$work/err" </dev/null; echo $? >"$work/rc"
  check "$p --help into a full disk: says so, status 1" bash -c \
    "[ $(rc) = 1 ] && [ \$(wc -l <err) = 1 ] && grep -q '^$p: cannot write to standard output: No space left on device\$' err"
  case $p in
    media-logo | media-spheremap)
      run "$path" missing/folder/out.png
      check "$p: a file it cannot write: status 1" bash -c "[ $(rc) = 1 ] && grep -q 'missing/folder/out.png' err"
      run "$path" -- -out.png
      check "$p: after --, a name may start with -" bash -c "[ $(rc) = 0 ] && [ -s ./-out.png ]"
      rm -f ./-out.png
      ;;
    media-icon)
      run "$path" -- 48 -icon.png
      check "media-icon: after --, the size and a name starting with -" bash -c "[ $(rc) = 0 ] && [ -s ./-icon.png ]"
      rm -f ./-icon.png
      ;;
    rarpack)
      run "$path" out.rar absent.txt
      check "rarpack: a missing input: status 1" bash -c "[ $(rc) = 1 ] && [ ! -e out.rar ]"
      echo text >in.txt
      "$path" -v out.rar in.txt >/dev/full 2>"$work/err"; echo $? >"$work/rc"
      check "rarpack -v into a full disk: says so, status 1" bash -c \
        "[ $(rc) = 1 ] && grep -q '^rarpack: cannot write to standard output: ' err"
      rm -f in.txt out.rar
      ;;
    zarvox)
      run env -u DISPLAY -u WAYLAND_DISPLAY "$path"
      check "zarvox: no display: status 1" bash -c "[ $(rc) = 1 ]"
      run env -u DISPLAY -u WAYLAND_DISPLAY "$path" foo
      check "zarvox: an operand is a usage error" bash -c "[ $(rc) = 2 ] && grep -q '^zarvox: .*(try --help)\$' err"
      ;;
  esac
done
exit $failures
