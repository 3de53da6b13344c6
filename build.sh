#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# One entry point for a newcomer on Debian 12:
#   ./build.sh run    install what is missing, build, make zarvox.dat, run the show
#   ./build.sh build  install what is missing and build (no run)
#   ./build.sh package  the same build, then a Debian package of it in build/package/
#   ./build.sh windows  the same build, then the Windows programs cross-built
#                       into build-windows/ and zipped: build-windows/zarvox-windows.zip
#   ./build.sh web    the same build, then the show for the browser (emscripten)
#                     in build-web/site/: a folder any static web server serves
#   ./build.sh serve  the same as web, then serves it at http://localhost:8000
#   ./build.sh arm64  the same build, then the programs cross-built for 64-bit
#                     ARM (Raspberry Pi) into build-arm64/ and their Debian
#                     package: build-arm64/package/zarvox_VERSION_arm64.deb
#   ./build.sh test   install what is missing, build with sanitizers, run every test
#   ./build.sh deps [COMMAND]  print the Debian packages COMMAND installs (all, without one)
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# Every time stamp in the programs, the package and the zip is this one, by
# default the commit's, so that two builds of one commit are the same bytes
# (cmake's version script and cpack read it too).
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null); then
  export SOURCE_DATE_EPOCH
fi

# Debian's packages, by the command that needs them: each command installs
# its own list and those of the commands it builds on, so that `run` brings
# no cross compiler, Wine or test servers. Recommendations are never
# installed: whatever is needed is named here.
# Building and running the show and its tools (run, build; the rest add to it):
build_packages=(
  build-essential cmake pkg-config
  libsdl2-dev libasound2-dev libgtk-3-dev libmpg123-dev libmp3lame-dev libdevil-dev libpng-dev zlib1g-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  fonts-dejavu-core librsvg2-common
)
# The Debian package: cpack finds the programs' libraries with file(1).
package_packages=(file)
# The Windows programs and their zip.
windows_packages=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 zip)
# The show in the browser: the compiler, and the browser its tests drive
# (node comes with emscripten; the tests' npm packages are pinned in
# tests/web/package-lock.json).
web_packages=(emscripten nodejs)
web_test_packages=(chromium)
# The arm64 programs and their package: Debian's cross toolchain, the arm64
# libraries installed beside the amd64 ones, Mesa's arm64 drivers and
# qemu-user, which runs the programs in the tests. DevIL's arm64 package is
# not Multi-Arch: same (it would replace the amd64 one), so it is unpacked
# into build-arm64/ instead (unpack_arm64_devil) and only the libraries it
# needs are installed.
arm64_packages=(
  crossbuild-essential-arm64 qemu-user
  libsdl2-dev:arm64 libasound2-dev:arm64 libgtk-3-dev:arm64 libmpg123-dev:arm64 libmp3lame-dev:arm64
  libpng-dev:arm64 zlib1g-dev:arm64 libgl-dev:arm64 libglu1-mesa-dev:arm64 libgl1-mesa-dri:arm64
  liballegro4.4:arm64 libsdl1.2debian:arm64 libmng1:arm64 libtiff6:arm64 liblcms2-2:arm64 libjpeg62-turbo:arm64
)
# The tests, benchmarks and checks of `test`, on top of all the above.
test_packages=(
  clang libclang-rt-14-dev clang-format libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils
  sway wtype grim xserver-xorg-core xserver-xorg-video-dummy openbox x11-xserver-utils
  pulseaudio pulseaudio-utils pipewire-bin wireplumber dbus-daemon
  unar ffmpeg sox gzip xz-utils
  desktop-file-utils appstream lintian
  wine64
)

packages_for() { # COMMAND
  case $1 in
    run | build) echo "${build_packages[@]}" ;;
    package) echo "${build_packages[@]}" "${package_packages[@]}" ;;
    windows) echo "${build_packages[@]}" "${windows_packages[@]}" ;;
    web | serve) echo "${build_packages[@]}" "${web_packages[@]}" ;;
    arm64) echo "${build_packages[@]}" "${package_packages[@]}" "${arm64_packages[@]}" ;;
    test)
      echo "${build_packages[@]}" "${package_packages[@]}" "${windows_packages[@]}" "${arm64_packages[@]}" \
        "${web_packages[@]}" "${web_test_packages[@]}" "${test_packages[@]}"
      ;;
    *) return 1 ;;
  esac
}

install_missing() { # COMMAND
  local missing=() p
  for p in $(packages_for "$1"); do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "build.sh: installing ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  # Packages of another architecture (NAME:arm64) need it known to dpkg.
  local arch
  for arch in $(printf '%s\n' "${missing[@]}" | sed -n 's/.*://p' | sort -u); do
    dpkg --print-foreign-architectures | grep -qx "$arch" || $sudo dpkg --add-architecture "$arch"
  done
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build() { # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S "$root" -B "$dir" "$@"
  cmake --build "$dir" -j"$jobs"
}

# What viewers build: optimised, the tools and benchmarks, no tests.
build_release() { # [DIR]
  build "${1:-$root/build}" -DCMAKE_BUILD_TYPE=Release -DZARVOX_TESTS=OFF -DZARVOX_BENCH=ON
}

# The Debian package of a release build (stripped, dependencies from the
# binaries and dist/CMakeLists.txt): DIR/package/zarvox_VERSION_ARCH.deb.
package_release() { # [DIR]
  local dir=${1:-$root/build}
  rm -f "$dir"/package/*.deb
  (cd "$dir" && cpack -G DEB)
}

# The show for the browser, compiled by emscripten against a Linux build's
# data file (byte for byte the same) and icon: build-web/site/ by default,
# the page, the program (.js and .wasm), zarvox.dat and the icon.
build_web() { # [LINUX_DIR WEB_DIR]
  local host=${1:-$root/build} out=${2:-$root/build-web}
  [ -x "$host/bin/media-icon" ] && [ -f "$host/bin/zarvox.dat" ] || build_release "$host"
  cmake --build "$host" -j"$jobs" --target media-icon zarvox_data
  # Debian's emscripten runs its JavaScript optimiser with node, which finds
  # Debian's packaged modules (acorn) only here.
  export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
  emcmake cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=Release -DZARVOX_TESTS=OFF -DZARVOX_BENCH=OFF \
    -DZARVOX_WERROR=ON >/dev/null
  cmake --build "$out" -j"$jobs"
  local site="$out/site"
  rm -rf "$site"
  mkdir -p "$site"
  cp "$root"/src/platform/web/page/{index.html,zarvox-page.js,zarvox.css} "$site/"
  cp "$out"/bin/zarvox.{js,wasm} "$site/"
  cp "$host/bin/zarvox.dat" "$site/"
  "$host/bin/media-icon" 256 "$site/zarvox.png"
  # What the browser tests serve: the site, and its test mode (the capture).
  local tests="$out/test-site"
  rm -rf "$tests"
  cp -r "$site" "$tests"
  cp "$root/tests/web/page/capture.html" "$out"/bin/zarvox-capture-page.{js,wasm} "$tests/"
}

# A zip of the files in a folder, in name order, each stamped with the build's
# time (zip keeps local times: in UTC, they are the same in every time zone).
zip_folder() { # FOLDER ZIP
  local epoch=${SOURCE_DATE_EPOCH:-$(date +%s)}
  find "$1" -type f -exec touch -d "@$epoch" {} +
  (cd "$1" && find . -type f | LC_ALL=C sort | TZ=UTC zip -q -X -9 -@ "$2")
}

# Text as Windows users read it: CRLF line ends.
windows_text() { # <TEXT >OUT
  sed 's/\r$//; s/$/\r/'
}

# The Windows programs, cross-built with MinGW-w64 against a Linux build's
# tools (the dialog's resource script, the icon, the data file, byte for byte
# the same), and the zip a Windows user unpacks:
# build-windows/zarvox-windows.zip by default.
build_windows() { # [LINUX_DIR WINDOWS_DIR]
  local host=${1:-$root/build} out=${2:-$root/build-windows}
  [ -x "$host/bin/dialog-rc" ] && [ -f "$host/bin/zarvox.dat" ] || build_release "$host"
  cmake --build "$host" -j"$jobs" --target dialog-rc media-icon zarvox_data
  build "$out" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DZARVOX_HOST_BIN="$host/bin" -DZARVOX_WERROR=ON
  local stage="$out/zip" zip="$out/zarvox-windows.zip"
  rm -rf "$stage" "$zip"
  mkdir -p "$stage"
  cp "$out"/bin/{zarvox,rarpack,rarcat,zarvox-capture}.exe "$stage/"
  cp "$host/bin/zarvox.dat" "$stage/"
  windows_text <"$root/dist/windows/README.txt" >"$stage/README.txt"
  { cat "$root/LICENSE" && echo && cat "$root/dist/windows/RUNTIME-LICENSES.txt"; } | windows_text >"$stage/LICENSE.txt"
  x86_64-w64-mingw32-strip "$stage"/*.exe
  # Nothing to install beside the programs: they import only DLLs that every
  # Windows since 7 has.
  local dll
  for dll in $(x86_64-w64-mingw32-objdump -p "$stage"/*.exe | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u); do
    case "${dll^^}" in
      KERNEL32.DLL | USER32.DLL | GDI32.DLL | OPENGL32.DLL | GLU32.DLL | WINMM.DLL | DSOUND.DLL | MSACM32.DLL | \
        OLE32.DLL | MSVCRT.DLL) ;;
      *) echo "build.sh: the Windows programs need $dll, which Windows does not bring" >&2; return 1 ;;
    esac
  done
  # The show as Explorer and Windows present it: its icon, its version and
  # copyright, and the manifest that declares Windows 7 to 11 and DPI
  # awareness (else Windows scales its window as a bitmap).
  local types type
  types=$(x86_64-w64-mingw32-objdump -p "$stage/zarvox.exe" | sed -n 's/^[0-9a-f]*   Entry: ID: 0x0*\([0-9a-f]*\),.*/\1/p')
  for type in 3:ICON e:GROUP_ICON 10:VERSION 18:MANIFEST; do # the resource types' numbers, in hex
    grep -qx "${type%%:*}" <<<"$types" || { echo "build.sh: zarvox.exe has no ${type#*:} resource" >&2; return 1; }
  done
  local text
  for text in README.txt LICENSE.txt; do
    ! grep -qv $'\r$' "$stage/$text" || { echo "build.sh: $text has lines without CRLF" >&2; return 1; }
  done
  zip_folder "$stage" "$zip"
  cmp "$host/bin/zarvox.dat" "$stage/zarvox.dat"
  echo "build.sh: $zip ($(stat -c %s "$zip") bytes)"
}

# The arm64 packages of DevIL's headers and library, unpacked into ROOT with
# the library package's control files (ROOT/DEBIAN: dpkg-shlibdeps reads the
# package's name from its shlibs file there).
unpack_arm64_devil() { # ROOT
  local root=$1 deb
  [ -f "$root/DEBIAN/shlibs" ] && return 0
  rm -rf "$root"
  mkdir -p "$root/debs"
  (cd "$root/debs" && apt-get download -q libdevil1c2:arm64 libdevil-dev:arm64)
  for deb in "$root"/debs/*.deb; do
    dpkg-deb -x "$deb" "$root"
  done
  dpkg-deb -e "$root"/debs/libdevil1c2_*.deb "$root/DEBIAN"
}

# The arm64 programs, cross-built against a Linux build's tools (the media and
# the data file, byte for byte the same), and their Debian package, made as
# the amd64 one is: build-arm64/package/zarvox_VERSION_arm64.deb by default.
build_arm64() { # [LINUX_DIR ARM64_DIR]
  local host=${1:-$root/build} out=${2:-$root/build-arm64}
  [ -x "$host/bin/rarpack" ] && [ -f "$host/bin/zarvox.dat" ] || build_release "$host"
  cmake --build "$host" -j"$jobs" --target media-icon media-logo media-spheremap media-soundtrack zarvox_data
  unpack_arm64_devil "$out/sysroot"
  build "$out" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DZARVOX_TESTS=OFF -DZARVOX_BENCH=OFF -DZARVOX_WERROR=ON -DZARVOX_HOST_BIN="$host/bin" \
    -DZARVOX_CROSS_ROOT="$out/sysroot"
  package_release "$out"
  cmp "$host/bin/zarvox.dat" "$out/bin/zarvox.dat"
  local deb
  deb=$(echo "$out"/package/zarvox_*_arm64.deb)
  [ -f "$deb" ] || { echo "build.sh: no arm64 package in $out/package" >&2; return 1; }
  echo "build.sh: $deb ($(stat -c %s "$deb") bytes)"
}

# Two builds of one commit in different folders are the same bytes: the
# release programs, their package and the Windows zip are built again in
# build-again/ (no benchmarks: they are in neither) and compared with build/'s
# and build-windows/'s.
check_reproducible() {
  local again=$root/build-again
  build "$again/linux" -DCMAKE_BUILD_TYPE=Release -DZARVOX_TESTS=OFF -DZARVOX_BENCH=OFF
  package_release "$again/linux"
  build_windows "$again/linux" "$again/windows"
  same_bytes "$root"/build/package/*.deb "$again"/linux/package/*.deb
  same_bytes "$root/build-windows/zarvox-windows.zip" "$again/windows/zarvox-windows.zip"
  echo "build.sh: two builds in different folders gave the same package and zip"
}

same_bytes() { # A B: the same bytes, or which of their files differ
  cmp -s "$1" "$2" && return 0
  echo "build.sh: $1 and $2 differ:" >&2
  local work side=a file
  work=$(mktemp -d)
  for file in "$1" "$2"; do
    mkdir "$work/$side"
    case $file in
      *.deb) dpkg-deb -R "$file" "$work/$side/tree" && dpkg-deb -c "$file" >"$work/$side/list" ;;
      *.zip) unzip -q "$file" -d "$work/$side/tree" && zipinfo -l "$file" | tail -n +2 >"$work/$side/list" ;;
    esac
    side=b
  done
  (cd "$work" && diff -r a b) >&2
  rm -rf "$work"
  return 1
}

case "${1:-run}" in
  deps)
    packages_for "${2:-test}" | tr ' ' '\n' || {
      echo "usage: $0 deps [run|build|package|windows|arm64|web|serve|test]" >&2
      exit 2
    }
    ;;
  run)
    install_missing run
    build_release
    cd "$root/build/bin"
    exec ./zarvox
    ;;
  build)
    install_missing build
    build_release
    ;;
  package)
    install_missing package
    build_release
    package_release
    ;;
  windows)
    install_missing windows
    build_windows
    ;;
  arm64)
    install_missing arm64
    build_arm64
    ;;
  web)
    install_missing web
    build_web
    echo "build-web/site/ is the site: serve it with any static web server (./build.sh serve)"
    ;;
  serve)
    install_missing serve
    build_web
    echo "zarvox at http://localhost:${PORT:-8000}/ (Ctrl+C stops serving)"
    exec node "$root/tools/web/serve.js" "$root/build-web/site" "${PORT:-8000}"
    ;;
  test)
    install_missing test
    # The tree is formatted as .clang-format says.
    find "$root/src" "$root/tools" "$root/tests" "$root/bench" "$root/fuzz" -name '*.cpp' -o -name '*.h' |
      xargs clang-format --dry-run -Werror
    # Every source and build file says its licence in its header.
    unlicensed=$(cd "$root" && git ls-files '*.cpp' '*.h' '*.sh' '*.cmake' '*CMakeLists.txt' '*.rc.in' build.sh .ci/run \
      tests/support/with-xvfb | xargs grep -L 'SPDX-License-Identifier: MIT' || true)
    [ -z "$unlicensed" ] || { echo "build.sh: no SPDX licence line in: $unlicensed" >&2; exit 1; }
    # The Windows programs and their zip first: the tests labelled "windows"
    # run them under Wine, and are registered where the zip exists.
    build_windows
    # The arm64 programs and package likewise: the tests labelled "arm64" run
    # them under qemu-user, and are registered where the package exists.
    build_arm64
    # The browser's site and its test mode, and the browser driver the tests
    # labelled "web" use (registered where both exist).
    build_web
    npm ci --prefix "$root/tests/web" --no-audit --no-fund --loglevel=error
    # Everything, tests included, under AddressSanitizer and UBSan; warnings are errors.
    build "$root/build-test" -DZARVOX_SANITIZE=ON -DZARVOX_WERROR=ON -DZARVOX_BENCH=OFF
    # The RAR module's fuzz target needs clang's libFuzzer.
    build "$root/build-fuzz" -DZARVOX_FUZZ_ONLY=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
    # What `run` builds, so that a configuration users build cannot break
    # unnoticed; each benchmark runs once, briefly (its figures are not judged).
    build_release
    "$root/bench/smoke.sh" "$root/build"
    # What `run` installs brings all that build used, and nothing heavy that
    # only the tests need.
    "$root/tests/package/check_build_deps.sh" "$root/build"
    # The package users install: its tree, lintian, and its zarvox started
    # from another folder up to the dialog.
    package_release
    "$root/tests/support/with-xvfb" "$root/tests/package/check_package.sh" "$root/build"
    check_reproducible
    # The README's pictures can still be made (into a scratch folder).
    shots=$(mktemp -d)
    "$root/docs/make-shots.sh" "$root/build" "$shots"
    rm -rf "$shots"
    ctest --test-dir "$root/build-test" --output-on-failure -j"$jobs"
    ctest --test-dir "$root/build-fuzz" --output-on-failure
    ;;
  *)
    echo "usage: $0 run|test|build|package|windows|arm64|web|serve|deps" >&2
    exit 2
    ;;
esac
