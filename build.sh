#!/usr/bin/env bash
# One entry for setting up, building, running, testing and packaging.
#   ./build.sh run            install what running needs, build the program, start it
#   ./build.sh test           install what the tests need, build, run every test
#   ./build.sh test-sanitize  the same with AddressSanitizer + UBSan
#   ./build.sh package        build gearcalc_<version>_amd64.deb and check it with lintian
#   ./build.sh deps [COMMAND] only install the Debian packages COMMAND needs
#                             (run, test, test-sanitize, package, fuzz; default test)
#   ./build.sh build          only build (dev preset)
#   ./build.sh windows        the Windows build: cross-built, zipped, tested under Wine
#                             (tools/windows/build.sh; build/windows/gearcalc-windows-x64.zip)
# Each command installs only the packages it needs and that are missing.
set -euo pipefail
cd "$(dirname "$0")"

# --- Debian packages, by what they are for -------------------------------------------
# Building the program (CMake configures the command-line tools too).
BUILD_PACKAGES=(build-essential cmake pkg-config qt6-base-dev libgl-dev libfontconfig-dev libsqlite3-dev libcli11-dev rapidjson-dev)
# Running the window: Qt's platform plugins, a typeface with Chinese glyphs,
# and Qt's Chinese translations for its own dialogs and menus.
RUN_PACKAGES=(qt6-qpa-plugins fonts-wqy-microhei qt6-translations-l10n)
# A virtual screen, for a machine without a display.
VIRTUAL_SCREEN_PACKAGES=(xvfb xauth)
# The test suite: frameworks, the end-to-end check on a virtual screen, PDF
# readers for the printing tests, a decimal-comma locale, the SQLite shell.
TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev sqlite3
               xvfb xauth xdotool xclip poppler-utils locales
               python3 libxrandr2 # the two-monitor check splits the screen through RandR
               libx11-dev) # the start-up benchmark's window probe reads the screen through Xlib
# The libFuzzer build (fuzz/run.sh).
FUZZ_PACKAGES=(clang libclang-rt-dev libsqlite3-dev) # the catalogue targets link SQLite
# The Debian package and its checks (lintian, the menu entry's and the
# AppStream validators; the installed program started on a virtual screen).
PACKAGE_PACKAGES=(lintian file desktop-file-utils appstream xvfb xauth xdotool)

packages_for() { # command -> the packages it needs, one a line
  local list=()
  case "$1" in
    run)
      list=("${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}")
      [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || list+=("${VIRTUAL_SCREEN_PACKAGES[@]}")
      ;;
    test | test-sanitize | build) list=("${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}") ;;
    package) list=("${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}") ;;
    fuzz) list=(build-essential cmake "${FUZZ_PACKAGES[@]}") ;;
    *) echo "build.sh: no package list for '$1'" >&2; exit 2 ;;
  esac
  printf '%s\n' "${list[@]}"
}

# Runs a command as root: directly, through sudo, or not at all. Without
# root and without sudo it says exactly what to run as root instead.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "build.sh: this needs root, and sudo is not installed. Run as root:" >&2
    echo "  $*" >&2
    echo "then run ./build.sh ${COMMAND} again." >&2
    exit 1
  fi
}

install_deps() { # command
  local missing=() p
  while read -r p; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done < <(packages_for "$1" | sort -u)
  if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null 2>&1; then
      echo "build.sh: these Debian packages are missing and installing them needs root (there is no sudo)." >&2
      echo "Run as root:" >&2
      echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
      echo "then run ./build.sh ${COMMAND} again." >&2
      exit 1
    fi
    echo "Installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  case "$1" in test | test-sanitize | build) decimal_comma_locale ;; esac
}

# A locale with a decimal comma, for the locale-independence tests (which
# are skipped without it).
decimal_comma_locale() {
  locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && return 0
  if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null 2>&1; then
    echo "note: no de_DE.UTF-8 locale; as root, 'localedef -i de_DE -f UTF-8 de_DE.UTF-8' adds it" >&2
    return 0
  fi
  as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: could not generate de_DE.UTF-8"
}

build() { # preset [target...]
  local preset=$1
  shift
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" ${1:+--target "$@"}
}

# Starts the built program; without a display on a virtual screen, and says
# how to look at it there.
start_program() { # program
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$1"
  fi
  cat <<'EOF'
No display found: the program starts on a virtual screen (Xvfb) that nothing shows.
To see its window from here, install x11vnc and a VNC viewer, and in another shell run
  x11vnc -display <the display below> -localhost -nopw
then connect the viewer to localhost:5900 (over ssh: ssh -L 5900:localhost:5900 this-machine).
Without a window, the same report comes from the command line:
  build/run/dist/gearcalc-report --module 2 --teeth 20
and docs/screenshot.png shows the window. Close the program with Ctrl+C.
EOF
  exec xvfb-run -a -s "-screen 0 1280x800x24" bash -c 'echo "virtual display: $DISPLAY"; exec "$0"' "$1"
}

COMMAND="${1:-run}"
case "$COMMAND" in
  deps) COMMAND="${2:-test}"; install_deps "$COMMAND" ;;
  build) install_deps build; build dev ;;
  run)
    install_deps run
    # Only what running needs: no tests, no benchmarks.
    build run gearcalc gearcalc-report
    start_program build/run/dist/gearcalc
    ;;
  test)
    install_deps test
    build dev
    ctest --preset dev
    ;;
  test-sanitize)
    install_deps test-sanitize
    build asan
    ctest --preset asan
    ;;
  package)
    install_deps package
    shift
    exec bash tools/package/package.sh "$@"
    ;;
  windows) shift; exec bash tools/windows/build.sh "$@" ;;
  *) echo "usage: $0 [run|test|test-sanitize|package|deps [COMMAND]|build|windows]" >&2; exit 2 ;;
esac
