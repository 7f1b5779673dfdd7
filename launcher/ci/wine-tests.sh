#!/usr/bin/env bash
# Cross-builds the launcher, its platform layer, the stub runtimes and the
# test driver for 64-bit Windows with mingw-w64, then runs the launcher's
# tests under Wine in a fresh, headless Wine prefix of its own.
# Exits non-zero when a build step or a test fails.
#
#   launcher/ci/wine-tests.sh [BUILD_DIR]      (default: build/launcher-win)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
build="${1:-$repo/build/launcher-win}"

missing=()
command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1 || missing+=(mingw-w64)
command -v wine >/dev/null 2>&1 || missing+=(wine wine64)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$repo/launcher" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$repo/launcher/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2

# No desktop: nothing may wait for a window. No Mono or Gecko either (they
# would be offered for download when the prefix is made).
scratch="$(mktemp -d)"
export WINEPREFIX="$scratch/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap cleanup EXIT

echo "Creating a Wine prefix (once per run)..."
# The server and Wine's own services start here and stay for the whole run,
# detached from the test runner's output: ctest would otherwise wait for
# them to close it.
mkdir -p "$WINEPREFIX"
wineserver -p
wineboot -i >/dev/null 2>&1 </dev/null

# The launcher seen from the host: the exit code Wine hands back, and a
# registry value written with Wine's own reg tool.
winpath() { printf 'Z:%s' "${1//\//\\}"; }
host="$scratch/host"
mkdir -p "$host/app" "$host/install dir"
cp "$build/tests/launcher/gear_launcher_under_test.exe" "$host/app/gearcalc.exe"
failed=0
verdict() {
  if [ "$1" != ok ]; then failed=$((failed + 1)); echo "FAILED: $2"; fi
}

status=0
wine "$host/app/gearcalc.exe" >/dev/null 2>"$host/stderr" </dev/null || status=$?
if [ "$status" -eq 255 ] && grep -q "^Error: 找不到运行库" "$host/stderr" &&
  grep -q "^Not found the kernel library or the kernel library is invalid! Extract all files of the zip first" "$host/stderr"; then
  verdict ok
else
  verdict bad "without a runtime: exit code $status (expected 255), standard error: $(cat "$host/stderr")"
fi

cp "$build/tests/launcher/stub_start.dll" "$host/install dir/tavrn.vle"
wine reg add 'HKCU\Software\Brakon\Vela\Install' /v Path /t REG_SZ /d "$(winpath "$host/install dir")" /f >/dev/null 2>&1 </dev/null
status=0
GEAR_STUB_LOG="$(winpath "$host/events.log")" wine "$host/app/gearcalc.exe" >/dev/null 2>&1 </dev/null || status=$?
if [ "$status" -eq 0 ] && grep -q "^entry 1000" "$host/events.log" && grep -q "^start aligned=1 same=1 " "$host/events.log"; then
  verdict ok
else
  verdict bad "registered with reg add: exit code $status, log: $(cat "$host/events.log" 2>/dev/null)"
fi
wine reg delete 'HKCU\Software\Brakon' /f >/dev/null 2>&1 </dev/null || true

[ "$failed" -eq 0 ] && echo "Host-side Wine checks (exit code 255, reg add) passed."

# Every process-level case, last, so that its summary closes the output.
ctest --test-dir "$build" --output-on-failure --timeout 120
[ "$failed" -eq 0 ]
