#!/usr/bin/env bash
# One entry point for a newcomer on Debian 12:
#   ./build.sh run    install what is missing, build, make zarvox.dat, run the show
#   ./build.sh test   install what is missing, build with sanitizers, run every test
#   ./build.sh build  install what is missing and build (no run)
#   ./build.sh package  the same build, then a Debian package of it in build/package/
#   ./build.sh windows  the same build, then the Windows programs cross-built
#                       into build-windows/ and zipped: build-windows/zarvox-windows.zip
#   ./build.sh deps   print the Debian packages the commands above install
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

packages=(
  build-essential cmake pkg-config clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libasound2-dev libgtk-3-dev libmpg123-dev libmp3lame-dev libdevil-dev libpng-dev zlib1g-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  fonts-dejavu-core xvfb xauth xdotool x11-utils
  sway wtype grim xserver-xorg-core xserver-xorg-video-dummy openbox x11-xserver-utils
  pulseaudio pulseaudio-utils pipewire-bin wireplumber dbus-daemon
  unar ffmpeg sox gzip xz-utils zip
  file desktop-file-utils appstream lintian
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "build.sh: installing ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build() { # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S "$root" -B "$dir" "$@"
  cmake --build "$dir" -j"$jobs"
}

# What viewers build: optimised, the tools and benchmarks, no tests.
build_release() {
  build "$root/build" -DCMAKE_BUILD_TYPE=Release -DZARVOX_TESTS=OFF -DZARVOX_BENCH=ON
}

# The Debian package of the release build (stripped, dependencies from the
# binaries): build/package/zarvox_VERSION_ARCH.deb.
package_release() {
  rm -f "$root"/build/package/*.deb
  (cd "$root/build" && cpack -G DEB)
}

# The Windows programs, cross-built with MinGW-w64 against the Linux build's
# tools (the dialog's resource script, the data file, byte for byte the same),
# and the zip a Windows user unpacks: build-windows/zarvox-windows.zip.
build_windows() {
  [ -x "$root/build/bin/dialog-rc" ] && [ -f "$root/build/bin/zarvox.dat" ] || build_release
  cmake --build "$root/build" -j"$jobs" --target dialog-rc zarvox_data
  build "$root/build-windows" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DZARVOX_HOST_BIN="$root/build/bin" -DZARVOX_WERROR=ON
  local stage="$root/build-windows/zip" zip="$root/build-windows/zarvox-windows.zip"
  rm -rf "$stage" "$zip"
  mkdir -p "$stage"
  cp "$root"/build-windows/bin/{zarvox,rarpack,rarcat,zarvox-capture}.exe "$stage/"
  cp "$root/build/bin/zarvox.dat" "$stage/"
  cp "$root/dist/windows/README.txt" "$stage/"
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
  (cd "$stage" && zip -q -X -9 "$zip" ./*)
  cmp "$root/build/bin/zarvox.dat" "$stage/zarvox.dat"
  echo "build.sh: $zip ($(stat -c %s "$zip") bytes)"
}

case "${1:-run}" in
  deps)
    printf '%s\n' "${packages[@]}"
    ;;
  run)
    install_missing
    build_release
    cd "$root/build/bin"
    exec ./zarvox
    ;;
  build)
    install_missing
    build_release
    ;;
  package)
    install_missing
    build_release
    package_release
    ;;
  windows)
    install_missing
    build_windows
    ;;
  test)
    install_missing
    # The tree is formatted as .clang-format says.
    find "$root/src" "$root/tools" "$root/tests" "$root/bench" "$root/fuzz" -name '*.cpp' -o -name '*.h' |
      xargs clang-format --dry-run -Werror
    # The Windows programs and their zip first: the tests labelled "windows"
    # run them under Wine, and are registered where the zip exists.
    build_windows
    # Everything, tests included, under AddressSanitizer and UBSan; warnings are errors.
    build "$root/build-test" -DZARVOX_SANITIZE=ON -DZARVOX_WERROR=ON -DZARVOX_BENCH=OFF
    # The RAR module's fuzz target needs clang's libFuzzer.
    build "$root/build-fuzz" -DZARVOX_FUZZ_ONLY=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
    # What `run` builds, so that a configuration users build cannot break
    # unnoticed; each benchmark runs once, briefly (its figures are not judged).
    build_release
    "$root/bench/smoke.sh" "$root/build"
    # The package users install: its tree, lintian, and its zarvox started
    # from another folder up to the dialog.
    package_release
    "$root/tests/support/with-xvfb" "$root/tests/package/check_package.sh" "$root/build"
    # The README's pictures can still be made (into a scratch folder).
    shots=$(mktemp -d)
    "$root/docs/make-shots.sh" "$root/build" "$shots"
    rm -rf "$shots"
    ctest --test-dir "$root/build-test" --output-on-failure -j"$jobs"
    ctest --test-dir "$root/build-fuzz" --output-on-failure
    ;;
  *)
    echo "usage: $0 run|test|build|package|windows|deps" >&2
    exit 2
    ;;
esac
