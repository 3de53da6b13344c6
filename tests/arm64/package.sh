#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The arm64 Debian package against the amd64 one (tests/package checks that
# one's tree and lintian in full): the same control fields but Architecture
# and Installed-Size (the same Depends: dpkg-shlibdeps read the arm64
# libraries), the same paths, modes and owners, every file but the programs
# byte for byte, the programs stripped arm64 executables with no run path,
# and no lintian tag that the amd64 package lacks.
# Usage: package.sh AMD64_PACKAGE_DIR ARM64_DEB
set -u
amd64=$(echo "$1"/zarvox_*_amd64.deb) arm64=$2
[ -f "$amd64" ] || { echo "FAIL: no amd64 package in $1 (./build.sh package makes it)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
echo "packages: $(basename "$amd64") $(stat -c %s "$amd64") bytes, $(basename "$arm64") $(stat -c %s "$arm64") bytes"

for side in amd64 arm64; do
  deb=${!side}
  dpkg-deb -f "$deb" | grep -v -e '^Architecture:' -e '^Installed-Size:' >"$work/$side.control"
  dpkg-deb -c "$deb" | awk '{print $1, $2, $6}' >"$work/$side.list"
  dpkg-deb -x "$deb" "$work/$side"
  lintian "$deb" 2>&1 | grep -v "running with root privileges" | sed "s/$side/ARCH/g" | sort >"$work/$side.lintian"
done
[ "$(dpkg-deb -f "$arm64" Architecture)" = arm64 ] || fail "Architecture: $(dpkg-deb -f "$arm64" Architecture)"
diff "$work/amd64.control" "$work/arm64.control" || fail "other control fields"
diff "$work/amd64.list" "$work/arm64.list" || fail "other paths, modes or owners"
extra=$(comm -13 "$work/amd64.lintian" "$work/arm64.lintian")
[ -z "$extra" ] || fail "lintian says of the arm64 package only: $extra"

programs=0
while read -r file; do
  if file -b "$work/arm64/$file" | grep -q '^ELF'; then
    description=$(file -b "$work/arm64/$file")
    case $description in
      *'ARM aarch64'*', stripped'*) ;;
      *) fail "$file: $description" ;;
    esac
    ! readelf -d "$work/arm64/$file" | grep -q -e RUNPATH -e RPATH || fail "$file has a run path"
    programs=$((programs + 1))
  else
    cmp -s "$work/amd64/$file" "$work/arm64/$file" || fail "$file differs"
  fi
done < <(cd "$work/arm64" && find . -type f | sort)
[ "$programs" -eq 7 ] || fail "$programs programs, not 7"
echo "ok: $programs arm64 programs; every other file as in the amd64 package; lintian:"
sed 's/^/  /' "$work/arm64.lintian"
exit $failures
