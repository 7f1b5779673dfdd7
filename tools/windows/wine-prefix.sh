#!/usr/bin/env bash
# Makes a Wine prefix for running the Windows build's programs and tests:
#   tools/windows/wine-prefix.sh <prefix folder> headless|x11 [DPI [BASE]]
# headless  Wine's null display driver: windows exist, nothing is shown and
#           no X display is needed (the unit tests, the build's own steps)
# x11       the X11 driver, for the end-to-end check under Xvfb
# Both: no Mono or Gecko (they would be offered for download), no debugger
# when a program crashes (it would wait for someone to use it), and the
# faces a Windows program asks for are replaced by an installed CJK font,
# so Chinese text renders with real glyphs. That replacement and the
# title-bar font live in this prefix only; the product itself brings no fonts.
# DPI (96 unless given) is the display scale (HKCU\Control Panel\Desktop,
# LogPixels: 120 is 125 %, 144 is 150 %, 192 is 200 %); a prefix for another
# scale is copied from BASE, a prefix of the same mode, when that exists.
# A prefix that was made already is left as it is; one made before its
# settings changed gets the new settings.
set -euo pipefail
prefix="$1"
mode="$2"
dpi="${3:-96}"
base="${4:-}"
stamp="$prefix/.gearcalc-$mode-2-$dpi"
[ -f "$stamp" ] && exit 0

export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY
if ! { [ -f "$prefix/system.reg" ] && compgen -G "$prefix/.gearcalc-$mode*" >/dev/null; }; then
  rm -rf "$prefix"
  if [ -n "$base" ] && [ -f "$base/system.reg" ]; then
    # Copied at rest: its server, when one runs, has written the registry
    # out (a persistent one is stopped).
    (export WINEPREFIX="$base"; timeout 20 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null || true)
    cp -a "$base" "$prefix"
  else
    mkdir -p "$prefix"
    wineboot -i >/dev/null 2>&1 </dev/null
  fi
fi
rm -f "$prefix"/.gearcalc-*

cjk_face="WenQuanYi Micro Hei"
reg="$prefix/gearcalc.reg"
{
  echo 'Windows Registry Editor Version 5.00'
  echo
  echo '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]'
  for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "SimSun" "NSimSun" "Microsoft YaHei" "Microsoft YaHei UI" \
              "Segoe UI" "MS Sans Serif"; do
    echo "\"$face\"=\"$cjk_face\""
  done
  echo
  echo '[HKEY_CURRENT_USER\Software\Wine\Drivers]'
  if [ "$mode" = headless ]; then echo '"Graphics"="null"'; else echo '"Graphics"="x11"'; fi
  echo
  # No window manager runs under Xvfb: Wine draws title bars and frames itself.
  echo '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]'
  echo '"Managed"="N"'
  echo '"Decorated"="N"'
  echo
  echo '[HKEY_CURRENT_USER\Control Panel\Desktop]'
  printf '"LogPixels"=dword:%08x\n' "$dpi"
} >"$reg"
wine regedit /S "$(printf 'Z:%s' "${reg//\//\\}")" >/dev/null 2>&1 </dev/null
# Wine draws the title-bar buttons with its own Marlett font; this Wine does
# not find the copy it ships unless it is in the prefix's font folder.
for font in /usr/share/wine/fonts/marlett.ttf; do
  [ -f "$font" ] && cp "$font" "$prefix/drive_c/windows/Fonts/"
done
wineserver -w
touch "$stamp"
