#!/usr/bin/env bash
# Builds the Debian package and checks it as CI does:
#   1. configure and build the `package` preset, pack it with CPack
#      (build/package/gearcalc_<version>_amd64.deb);
#   2. lintian: no errors (warnings are printed); the menu entry and the
#      AppStream metadata validated;
#   3. the package's contents extracted into a scratch folder: the files it
#      must hold, gearcalc-report's report and card (its PDF module loaded
#      from beside it, no Qt linked into it); and the program started from
#      there on a private virtual screen (Xvfb) until its window shows;
#      its picture is saved beside the package.
# Exits 0 when all passed, 1 otherwise. Only the processes it starts are
# stopped. `./build.sh package` installs what it needs and runs it.
#
#   tools/package/package.sh [--no-start]
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
cd "$repo"
start=1
[ "${1:-}" = "--no-start" ] && start=0

say() { echo "package: $*"; }
fail() { echo "package: FAILED: $*" >&2; exit 1; }

cmake --preset package >/dev/null
cmake --build --preset package
(cd build/package && cpack -G DEB >/dev/null) || fail "cpack could not build the package"
deb=$(ls -t build/package/gearcalc_*_amd64.deb | head -n 1)
say "built $deb ($(du -h "$deb" | cut -f1))"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

# --- lintian --------------------------------------------------------------------
lintian_out=$(lintian --tag-display-limit 0 "$deb" 2>&1) || true
[ -z "$lintian_out" ] || printf '%s\n' "$lintian_out"
if grep -q '^E: ' <<<"$lintian_out"; then fail "lintian reports errors"; fi
say "lintian: no errors ($(grep -c '^W: ' <<<"$lintian_out" || true) warnings)"

# --- The package's contents, extracted ----------------------------------------------
work=$(mktemp -d "${TMPDIR:-/tmp}/gearcalc-package.XXXXXX")
started=()
cleanup() {
  local i
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do kill "${started[i]}" 2>/dev/null || true; done
  for pid in "${started[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$work/root"
for f in usr/bin/gearcalc usr/lib/gearcalc/tavrn.vlr usr/lib/gearcalc/stylx.vlr usr/lib/gearcalc/ZKD.edb \
         usr/lib/gearcalc/gearcalc-pdf.so usr/share/applications/gearcalc.desktop; do
  [ -e "$work/root/$f" ] || fail "the package lacks /$f"
done
"$work/root/usr/lib/gearcalc/gearcalc-report" --module 2 --teeth 20 | grep -qxF "公法线长度：15.3209" ||
  fail "the packaged gearcalc-report gives another report"
# The card through the link on the PATH: the PDF module is found beside
# the program, which alone loads Qt.
"$work/root/usr/bin/gearcalc-report" --module 2 --teeth 20 --card "$work/card.pdf" >/dev/null &&
  [ "$(head -c 5 "$work/card.pdf")" = "%PDF-" ] || fail "the packaged gearcalc-report writes no card"
report_libs=$(ldd "$work/root/usr/lib/gearcalc/gearcalc-report")
if grep -q libQt <<<"$report_libs"; then fail "the packaged gearcalc-report links Qt"; fi
desktop-file-validate "$work/root/usr/share/applications/gearcalc.desktop" || fail "the menu entry is not valid"
appstreamcli validate --no-net --pedantic "$work"/root/usr/share/metainfo/*.metainfo.xml ||
  fail "the AppStream metadata is not valid"
say "contents, menu entry and AppStream metadata checked"

[ "$start" -eq 1 ] || exit 0

# --- The program from the extracted copy, on a virtual screen ------------------------

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
started+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb gave no display number: $(cat "$work/xvfb.log")"
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
unset WAYLAND_DISPLAY
# Started through its link on the PATH, as the menu entry does.
QT_QPA_PLATFORM=xcb "$work/root/usr/bin/gearcalc" >"$work/program.log" 2>&1 &
started+=($!)
window=$(timeout 20 xdotool search --sync --onlyvisible --name "ZKD-KESTAL" 2>/dev/null | head -n 1) || true
[ -n "$window" ] || fail "the installed program showed no window: $(cat "$work/program.log")"
say "the program from the package shows its window ($(xdotool getwindowname "$window"))"
if command -v import >/dev/null 2>&1; then
  sleep 0.5
  import -window "$window" "${deb%.deb}-window.png" && say "its picture: ${deb%.deb}-window.png"
fi
say "passed"
