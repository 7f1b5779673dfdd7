#!/usr/bin/env bash
# The Win32 window at several display scales: runs the window test's
# Win32Dpi cases in Wine prefixes whose LogPixels is 96, 120, 144 and 192
# (125 %, 150 %, 200 %), each checking that its prefix really has that
# DPI, and compares what each wrote: the report typed by hand and the text
# positions of the printed page must be the same at every scale.
#   tests/win32/dpi_wine.sh TEST_EXE BASE_PREFIX PREFIX_FOLDER [DPI...]
# BASE_PREFIX is a headless prefix (tools/windows/wine-prefix.sh) the
# others are copied from; they are kept in PREFIX_FOLDER between runs.
# Exits 0 when all passed, 77 without Wine, 1 otherwise.
set -u
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
[ $# -ge 3 ] || { sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
exe=$(realpath "$1") base=$(realpath -m "$2") folder=$(realpath -m "$3")
shift 3
scales=("$@")
[ ${#scales[@]} -gt 0 ] || scales=(96 120 144 192)
command -v wine >/dev/null 2>&1 || { echo "dpi: skipped, no Wine"; exit 77; }

fail() { echo "dpi: FAILED: $*" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/gearcalc-dpi.XXXXXX")
prefixes=()
cleanup() {
  local p
  for p in "${prefixes[@]}"; do WINEPREFIX=$p wineserver -k >/dev/null 2>&1; done
  rm -rf "$work"
}
trap cleanup EXIT
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY

bash "$repo/tools/windows/wine-prefix.sh" "$base" headless || fail "could not make the prefix $base"
mkdir -p "$folder"
for dpi in "${scales[@]}"; do
  prefix="$folder/_wine-dpi$dpi"
  bash "$repo/tools/windows/wine-prefix.sh" "$prefix" headless "$dpi" "$base" || fail "could not make $prefix"
  prefixes+=("$prefix")
  echo "dpi: $dpi in $prefix"
  WINEPREFIX=$prefix GEARCALC_EXPECT_DPI=$dpi GEARCALC_DPI_DUMP="$work/$dpi.txt" \
    wine "$exe" --gtest_filter='Win32Dpi.*' --gtest_brief=1 >"$work/$dpi.log" 2>&1
  status=$?
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
  tr -d '\r' <"$work/$dpi.log" | grep -vE '^\[ +(RUN|OK) ' | tail -n 40
  [ $status -eq 0 ] || fail "the window at $dpi DPI"
  [ -s "$work/$dpi.txt" ] || fail "nothing written at $dpi DPI"
done
first=${scales[0]}
for dpi in "${scales[@]}"; do
  cmp -s "$work/$first.txt" "$work/$dpi.txt" ||
    fail "the report or the printed page at $dpi DPI differs from $first DPI:"$'\n'"$(diff "$work/$first.txt" "$work/$dpi.txt" | head -20)"
done
echo "dpi: the report and the printed page are the same at ${scales[*]} DPI"
