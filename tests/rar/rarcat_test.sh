#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Proves rarcat as a user runs it: the entry's exact bytes on stdout or in the
# file -o names (a device there is written into, not replaced), and exit 0;
# the password also from a file or standard input; exit 1 with one line on
# stderr (and nothing on stdout) for a missing archive, a FIFO in its place, a
# missing entry, a wrong password (which the line says may be the cause) and
# binary bytes bound for a terminal; 153 and nothing left behind when the
# file size limit stops it; exit 2 for bad usage.
# Usage: rarcat_test.sh RARCAT CORPUS_DIR
set -u
rarcat=$1 corpus=$2
failures=0
check() { # check DESCRIPTION CONDITION...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

run() { "$rarcat" "$@" >"$work/out" 2>"$work/err"; echo $? >"$work/rc"; }
rc() { cat "$work/rc"; }
one_line_error() { [ "$(rc)" = 1 ] && [ ! -s "$work/out" ] && [ "$(wc -l <"$work/err")" = 1 ] && grep -q '^rarcat: ' "$work/err"; }

run "$work/absent.rar" x
check "missing archive: exit 1, one line naming it" one_line_error
check "missing archive: the reason" grep -q 'absent.rar: No such file' "$work/err"

run
check "no arguments: one line and exit 2" bash -c "[ $(rc) = 2 ] && grep -qx 'rarcat: no archive given (try --help)' '$work/err'"

# A FIFO would block a plain open until someone writes to it; timeout only
# ends rarcat if it waits anyway.
mkfifo "$work/pipe.rar"
timeout 60 "$rarcat" "$work/pipe.rar" x >"$work/out" 2>"$work/err"; echo $? >"$work/rc"
check "a FIFO: refused at once, exit 1, says what it is" bash -c "$(declare -f one_line_error rc); work='$work'; one_line_error && grep -q 'pipe.rar: a FIFO' '$work/err'"

printf 'not an archive at all' >"$work/plain.txt"
run "$work/plain.txt" x
check "not an archive: exit 1, says so" bash -c "$(declare -f one_line_error rc); work='$work'; one_line_error && grep -q 'Not a RAR file' '$work/err'"

if [ ! -d "$corpus" ]; then
  echo "SKIP: the corpus of real archives is not at $corpus; the rest needs it"
  exit $failures
fi
run "$corpus/rarfile_rar202-comment-psw.rar" file2.txt password
check "encrypted entry: exact bytes, exit 0" bash -c "[ $(rc) = 0 ] && [ \"\$(od -An -c '$work/out' | tr -s ' ')\" = ' f i l e 2 \r \n' ] && [ ! -s '$work/err' ]"
run "$corpus/rarresearch_rar250_BIGLZ.RAR" biglz.bin
check "compressed entry: size and CRC" bash -c "[ $(rc) = 0 ] && [ \$(stat -c %s '$work/out') = 167936 ] && [ \"\$(gzip -c '$work/out' | tail -c 8 | od -An -tx4 | awk '{print \$1}')\" = 46ce9077 ]"
run "$corpus/rarfile_rar202-comment-psw.rar" FILE1.TXT wrong
check "wrong password: exit 1, CRC reason and the likely cause" bash -c "$(declare -f one_line_error rc); work='$work'; one_line_error && grep -q 'CRC32 error.*(wrong password, or damaged data)' '$work/err'"

# -o: the file gets the entry; a failed extraction leaves the file as it was.
run -o "$work/file2.txt" "$corpus/rarfile_rar202-comment-psw.rar" file2.txt password
check "-o FILE: the bytes in the file, none on stdout" bash -c "[ $(rc) = 0 ] && [ ! -s '$work/out' ] && [ \"\$(od -An -c '$work/file2.txt' | tr -s ' ')\" = ' f i l e 2 \r \n' ]"
run -o "$work/file2.txt" "$corpus/rarfile_rar202-comment-psw.rar" file2.txt wrong
check "-o FILE: a failure leaves the file as it was" bash -c "[ $(rc) = 1 ] && [ \$(stat -c %s '$work/file2.txt') = 7 ] && [ \$(ls '$work' | grep -c file2) = 1 ]"

# The password from a file or from standard input, never on the command line.
printf 'password\n' >"$work/password"
run --password-file "$work/password" "$corpus/rarfile_rar202-comment-psw.rar" file2.txt
check "--password-file FILE: the entry" bash -c "[ $(rc) = 0 ] && grep -q '^file2' '$work/out'"
"$rarcat" --password-file - "$corpus/rarfile_rar202-comment-psw.rar" file2.txt <"$work/password" >"$work/out" 2>"$work/err"
check "--password-file -: the entry" bash -c "[ $? = 0 ] && grep -q '^file2' '$work/out'"

# A device at -o's place gets the entry and stays a device (root makes one
# like /dev/null; anyone a FIFO with a reader).
if [ "$(id -u)" = 0 ]; then mknod "$work/device" c 1 3; else mkfifo "$work/device"; (cat "$work/device" >/dev/null &); fi
run -o "$work/device" "$corpus/rarfile_rar202-comment-psw.rar" file2.txt password
check "-o DEVICE: written into, not replaced" bash -c "[ $(rc) = 0 ] && [ ! -f '$work/device' ] && [ -e '$work/device' ] && [ \$(ls '$work' | grep -c device) = 1 ]"

# Past the file size limit (SIGXFSZ): status 128 + 25, the old file as it
# was and no temporary file left.
(ulimit -f 64; exec "$rarcat" -o "$work/file2.txt" "$corpus/rarresearch_rar250_BIGLZ.RAR" biglz.bin) 2>/dev/null
echo $? >"$work/rc"
check "file size limit: status 153, nothing left" bash -c "[ $(rc) = 153 ] && [ \$(stat -c %s '$work/file2.txt') = 7 ] && [ \$(ls '$work' | grep -c file2) = 1 ]"

# Binary bytes are not sent to a terminal (script gives rarcat one); text is.
script -qec "'$rarcat' '$corpus/rarresearch_rar250_BIGLZ.RAR' biglz.bin" /dev/null >"$work/tty" 2>&1; echo $? >"$work/rc"
check "binary entry to a terminal: refused with a hint, exit 1" bash -c "[ $(rc) = 1 ] && grep -q 'biglz.bin is binary; not written to the terminal (give -o FILE' '$work/tty' && [ \$(wc -c <'$work/tty') -lt 200 ]"
script -qec "'$rarcat' '$corpus/rarfile_rar202-comment-psw.rar' file2.txt password" /dev/null >"$work/tty" 2>&1; echo $? >"$work/rc"
check "text entry to a terminal: written" bash -c "[ $(rc) = 0 ] && grep -q '^file2' '$work/tty'"
run "$corpus/openbridge_clam-v2.rar" NO_SUCH_FILE.TXT
check "missing entry: exit 1, names it" bash -c "$(declare -f one_line_error rc); work='$work'; one_line_error && grep -q 'no entry named NO_SUCH_FILE.TXT' '$work/err'"
exit $failures
