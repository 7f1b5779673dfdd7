#!/usr/bin/env bash
# The whole program for 64-bit Windows, cross-built with mingw-w64 and
# tested under Wine:
#   1. installs what is missing (mingw-w64, Wine, zip, the tools that turn
#      Debian's SQLite source into its one-file form, GoogleTest's sources,
#      the header-only libraries, Xvfb and a CJK font for the end-to-end
#      check)
#   2. builds build/windows/_prefix: SQLite from Debian's source package,
#      GoogleTest, the header-only packages (tools/windows/sysroot.sh)
#   3. makes the Wine prefixes (tools/windows/wine-prefix.sh)
#   4. cross-builds everything (preset windows) into build/windows/dist/
#   5. packs build/windows/gearcalc-windows-x64.zip and builds the installer
#      build/windows/gearcalc-<version>-x64.msi (tools/windows/msi.sh)
#   6. runs the Windows tests under Wine (ctest --preset windows)
#
#   tools/windows/build.sh [--no-tests]      (./build.sh windows calls it)
# Exits non-zero when a step or a test fails.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
cd "$repo"

run_tests=1
for arg in "$@"; do
  case "$arg" in
    --no-tests) run_tests=0 ;;
    *) echo "usage: $0 [--no-tests]" >&2; exit 2 ;;
  esac
done

out="$repo/build/windows"
PACKAGES=(
  build-essential cmake dpkg-dev tcl file
  mingw-w64 wine wine64 fonts-wine zip unzip
  # The installer: wixl builds it, msibuild (msitools) marks its code page.
  wixl msitools
  xvfb xauth xdotool xclip fonts-wqy-microhei python3 libxrandr2
  # Cross-built or copied from their Debian packages by sysroot.sh; the
  # SQLite headers name the version the Linux build links.
  googletest libcli11-dev nlohmann-json3-dev rapidjson-dev libsqlite3-dev
)

install_deps() {
  local missing=() p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

step() { echo "== $*"; }
timed() { # name command...
  local name="$1" start=$SECONDS
  shift
  "$@"
  echo "   ($name: $((SECONDS - start)) s)"
}

# The build's own steps (packing the image, building the catalogues) and
# the tests run in the build prefix. Its server is not kept up between
# programs: with a persistent server, a program now and then hung at its
# exit under Wine 8.
export WINEPREFIX="$out/_wine" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
stop_wine() { wineserver -k >/dev/null 2>&1 || true; }

pack() {
  local dist="$out/dist" zip="$out/gearcalc-windows-x64.zip" stage="$out/_zip"
  local files=(gearcalc.exe tavrn.vlr stylx.vlr gearcalc-report.exe edbtool.exe spc.edb gc.edb ZKD.edb)
  rm -rf "$stage" "$zip"
  mkdir -p "$stage"
  for f in "${files[@]}"; do
    [ -f "$dist/$f" ] || { echo "missing in $dist: $f" >&2; return 1; }
    cp "$dist/$f" "$stage/"
  done
  # The same bytes for the same build: fixed times, no extra attributes.
  touch -d '2000-01-01 00:00:00' "$stage"/*
  (cd "$stage" && TZ=UTC zip -q -X -D -9 "$zip" "${files[@]}")
  rm -rf "$stage"
  echo "   $zip: $(stat -c %s "$zip") bytes"
}

installer() {
  local version msi
  version=$(sed -n 's/^project(gearcalc VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")
  msi="$out/gearcalc-$version-x64.msi"
  bash "$here/msi.sh" "$out/dist" "$version" "$msi"
  echo "   $msi: $(stat -c %s "$msi") bytes"
}

step "Packages"
install_deps
step "Windows libraries (SQLite from Debian's source, GoogleTest)"
timed prefix bash "$here/sysroot.sh" "$out/_deps" "$out/_prefix"
step "Wine prefixes"
timed wine bash "$here/wine-prefix.sh" "$out/_wine" headless
timed wine-x11 bash "$here/wine-prefix.sh" "$out/_wine-x11" x11
trap stop_wine EXIT
step "Cross build"
timed configure cmake --preset windows >/dev/null
(unset DISPLAY WAYLAND_DISPLAY; timed build cmake --build --preset windows)
step "Package"
timed zip pack
timed msi installer
if [ "$run_tests" -eq 1 ]; then
  step "Windows tests under Wine"
  (unset DISPLAY WAYLAND_DISPLAY; timed tests ctest --preset windows)
fi
