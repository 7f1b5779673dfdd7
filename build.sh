#!/usr/bin/env bash
# One entry for setting up, building, running and testing.
#   ./build.sh run            install what is missing, build, start the program
#   ./build.sh test           install what is missing, build, run every test
#   ./build.sh test-sanitize  the same with AddressSanitizer + UBSan
#   ./build.sh deps           only install the Debian packages
#   ./build.sh build          only build (dev preset)
#   ./build.sh windows        the Windows build: cross-built, zipped, tested under Wine
#                             (tools/windows/build.sh; build/windows/gearcalc-windows-x64.zip)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libsqlite3-dev sqlite3
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev clang libclang-rt-dev
  nlohmann-json3-dev rapidjson-dev
  fonts-wqy-microhei
  xvfb xauth xdotool xclip poppler-utils
  locales
  mingw-w64 wine wine64
)

install_deps() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  # A locale with a decimal comma, for the locale-independence tests.
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: could not generate de_DE.UTF-8"
  fi
}

build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
}

case "${1:-run}" in
  deps) install_deps ;;
  build) install_deps; build dev ;;
  run)
    install_deps
    build dev
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      exec build/dev/dist/gearcalc
    else
      echo "No display found: starting the program under Xvfb (close it with Ctrl+C)."
      exec xvfb-run -a -s "-screen 0 1280x800x24" build/dev/dist/gearcalc
    fi
    ;;
  test)
    install_deps
    build dev
    ctest --preset dev
    ;;
  test-sanitize)
    install_deps
    build asan
    ctest --preset asan
    ;;
  windows) shift; exec bash tools/windows/build.sh "$@" ;;
  *) echo "usage: $0 [run|test|test-sanitize|deps|build|windows]" >&2; exit 2 ;;
esac
