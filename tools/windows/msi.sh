#!/usr/bin/env bash
# Builds the Windows installer from the deployed folder with wixl
# (packaging/windows/gearcalc.wxs):
#   tools/windows/msi.sh DIST VERSION OUTPUT.msi
# The database's texts (product name, Start-menu entry) are Chinese: wixl
# converts them to code page 936 when told that the package's language is
# Chinese (WINDOWS_LANGUAGE), and msibuild then marks the database as code
# page 936, so Windows reads them right whatever the PC's own code page.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 DIST VERSION OUTPUT.msi" >&2; exit 2; }
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
dist=$(realpath "$1") version=$2 output=$(realpath -m "$3")
for tool in wixl msibuild; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is missing (Debian packages wixl and msitools)" >&2; exit 1; }
done
files=(gearcalc.exe tavrn.vlr stylx.vlr gearcalc-report.exe edbtool.exe spc.edb gc.edb ZKD.edb)

# wixl takes the files' paths relative to the folder it runs in.
stage=$(mktemp -d "${TMPDIR:-/tmp}/gearcalc-msi.XXXXXX")
trap 'rm -rf "$stage"' EXIT
for f in "${files[@]}"; do
  [ -f "$dist/$f" ] || { echo "$0: missing in $dist: $f" >&2; exit 1; }
  cp "$dist/$f" "$stage/"
done
cp "$repo/launcher/resources/gearcalc.ico" "$stage/"
printf '\r\n\r\n936\t_ForceCodepage\r\n' >"$stage/_ForceCodepage.idt"
(
  cd "$stage"
  export WINDOWS_LANGUAGE=zh_CN
  wixl -a x64 -D Version="$version" -D SourceDir=. -D IconFile=gearcalc.ico -o gearcalc.msi \
    "$repo/packaging/windows/gearcalc.wxs"
  msibuild gearcalc.msi -i _ForceCodepage.idt
)
mkdir -p "$(dirname "$output")"
mv "$stage/gearcalc.msi" "$output"
