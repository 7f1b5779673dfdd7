#!/usr/bin/env bash
# The installer under Wine, in a scratch copy of a Wine prefix: builds the
# MSI of the deployed folder (and one of an older version), installs the
# older one silently, upgrades it in place with the new one, checks the
# installed files, the installed gearcalc-report.exe's report, the
# Start-menu entry and the Apps & Features entry, then uninstalls silently
# and checks that nothing is left.
#
#   tests/win32/msi_wine.sh DIST VERSION WINE_PREFIX
# Exits 0 when every check passed, 77 when wixl, msibuild or Wine is
# missing, 1 otherwise.
set -u
readonly SKIP=77
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
dist=$(realpath "$1") version=$2 source_prefix=$(realpath "$3")
say() { echo "msi (Wine): $*"; }
failures=0
fail() { echo "msi (Wine): FAILED: $*" >&2; failures=$((failures + 1)); }
for tool in wixl msibuild wine wineserver; do
  command -v "$tool" >/dev/null 2>&1 || { say "skipped: $tool is not installed"; exit $SKIP; }
done
unset DISPLAY WAYLAND_DISPLAY
work=$(mktemp -d "${TMPDIR:-/tmp}/gearcalc-msi-test.XXXXXX")
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
# No menu entries on the host's desktop from the Start-menu entry.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d;winemenubuilder.exe=d"
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$work"' EXIT

bash "$repo/tools/windows/msi.sh" "$dist" "$version" "$work/new.msi" || { echo "cannot build the MSI" >&2; exit 1; }
bash "$repo/tools/windows/msi.sh" "$dist" 0.9.0 "$work/old.msi" || { echo "cannot build the older MSI" >&2; exit 1; }
say "MSI: $(stat -c %s "$work/new.msi") bytes"
cp -a "$source_prefix" "$WINEPREFIX"

drive_c="$WINEPREFIX/drive_c"
installed="$drive_c/Program Files/ZKD-KESTAL/gearcalc"
# The Start-menu entry: Windows puts a per-machine one into the common Start
# menu; this Wine's installer puts it into the installing user's.
entries=("$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ZKD-KESTAL 齿轮参数计算.lnk"
  "$drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/ZKD-KESTAL 齿轮参数计算.lnk")
entry_found() { [ -f "${entries[0]}" ] || [ -f "${entries[1]}" ]; }
files=(gearcalc.exe tavrn.vlr stylx.vlr gearcalc-report.exe edbtool.exe spc.edb gc.edb ZKD.edb)
# The Apps & Features entries of the product: their DisplayVersion values.
arp_versions() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY/ {key=$0} /Publisher/ && /ZKD-KESTAL/ {mine[key]=1} /DisplayVersion/ {v[key]=$NF}
         END {for (k in mine) print v[k]}' | sort
}
msiexec() { wine msiexec "$@" </dev/null >/dev/null 2>&1; }

# --- Silent install of the older version, then the upgrade in place ---------------
msiexec /i "$(winepath -w "$work/old.msi")" /qn || fail "silent install of the older version failed"
[ "$(arp_versions)" = 0.9.0 ] || fail "after installing 0.9.0 Apps & Features lists: $(arp_versions)"
msiexec /i "$(winepath -w "$work/new.msi")" /qn || fail "the upgrade to $version failed"
[ "$(arp_versions)" = "$version" ] || fail "after the upgrade Apps & Features lists: '$(arp_versions)' (one entry, $version expected)"
say "silent install of 0.9.0, upgraded in place to $version"

for f in "${files[@]}"; do
  cmp -s "$dist/$f" "$installed/$f" || fail "$f is not installed as built"
done
entry_found || fail "no Start-menu entry: $(find "$drive_c" -name '*.lnk' 2>&1)"
say "files installed in Program Files\\ZKD-KESTAL\\gearcalc, Start-menu entry present"

# --- The installed program gives the reference report, and writes nothing -------
before=$(ls -la "$installed")
for args in "--module 2 --teeth 20" "--item ZKD-H2-20-6" "--module 2 --teeth 20 --helix 19.5283 --grade 7 --deviation e --tolerance 25"; do
  # shellcheck disable=SC2086
  expected=$(cd "$dist" && wine ./gearcalc-report.exe $args --format raw 2>&1)
  # shellcheck disable=SC2086
  got=$(cd "$work" && wine "$installed/gearcalc-report.exe" $args --format raw 2>&1)
  [ -n "$expected" ] && [ "$got" = "$expected" ] || fail "the installed report for $args differs:"$'\n'"$got"
done
[ "$(ls -la "$installed")" = "$before" ] || fail "running the program changed its folder"
say "the installed gearcalc-report.exe gives the reference reports"

# --- Silent uninstall leaves nothing ---------------------------------------------
msiexec /x "$(winepath -w "$work/new.msi")" /qn || fail "silent uninstall failed"
[ ! -e "$drive_c/Program Files/ZKD-KESTAL" ] || fail "left behind: $(find "$drive_c/Program Files/ZKD-KESTAL")"
entry_found && fail "the Start-menu entry is left behind"
[ -z "$(arp_versions)" ] || fail "Apps & Features still lists: $(arp_versions)"
say "silent uninstall left nothing"

[ "$failures" -eq 0 ] || exit 1
exit 0
