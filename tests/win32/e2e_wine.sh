#!/usr/bin/env bash
# End-to-end check of the real gearcalc.exe under Wine on a private virtual
# X display, the Windows twin of tests/e2e/e2e.sh. The deployed folder is
# copied to a folder with Chinese characters in its name; the program must
# read its catalogues there. Types module 2 and 20 teeth, presses Return,
# copies the report out of the result box through the clipboard and
# compares it with gearcalc-report's; types an unknown item number, which
# must show the message box and keep the report; then the exit button must
# end the process with exit code 0.
#
#   tests/win32/e2e_wine.sh [--screenshot FILE] [--dpi DPI] DIST PROBE WINE_PREFIX
# DIST is the deployed folder (build/windows/dist), PROBE window_probe.exe,
# WINE_PREFIX a prefix made by tools/windows/wine-prefix.sh ... x11 (made
# here when missing). With --dpi the display has that scale (LogPixels;
# 144 is 150 %) in a prefix copied from WINE_PREFIX (WINE_PREFIX-dpiDPI),
# the window must be the form's size scaled, and every click lands where
# the scaled control is. Exits 0 when every check passed, 77 when Wine,
# Xvfb, xdotool or xclip is missing, 1 otherwise. Only the processes it
# starts are stopped.
set -u
readonly SKIP=77 OVERALL_SECONDS=150
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

screenshot="" dpi=96
while [ $# -gt 3 ]; do
  case "$1" in
    --screenshot) screenshot=$2; shift 2 ;;
    --dpi) dpi=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -eq 3 ] || { sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
dist=$(realpath "$1") probe=$(realpath "$2") prefix=$(realpath -m "$3")
set -o pipefail

say() { echo "e2e (Wine): $*"; }
fail() { echo "e2e (Wine): FAILED: $*" >&2; exit 1; }

for tool in wine wineserver Xvfb xdotool xclip; do
  command -v "$tool" >/dev/null 2>&1 || { say "skipped: $tool is not installed"; exit $SKIP; }
done
if [ -n "$screenshot" ]; then
  for tool in import convert; do command -v "$tool" >/dev/null 2>&1 || fail "--screenshot needs ImageMagick ($tool)"; done
fi
[ -f "$dist/gearcalc.exe" ] || fail "no gearcalc.exe in $dist"
bash "$repo/tools/windows/wine-prefix.sh" "$prefix" x11 || fail "could not make the Wine prefix $prefix"
if [ "$dpi" != 96 ]; then
  base=$prefix prefix="$prefix-dpi$dpi"
  bash "$repo/tools/windows/wine-prefix.sh" "$prefix" x11 "$dpi" "$base" || fail "could not make the Wine prefix $prefix"
fi
scale() { echo $((($1 * dpi + 48) / 96)); } # a length of the form at the display's scale
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

on_cleanup() { wineserver -k >/dev/null 2>&1; }
source "$repo/tests/e2e/x_session.sh"
x_session_start "$OVERALL_SECONDS" gearcalc-e2e-wine
app="$work/齿轮 计算"
mkdir -p "$app"
cp "$dist"/gearcalc.exe "$dist"/tavrn.vlr "$dist"/stylx.vlr "$dist"/*.edb "$app/"
say "display $DISPLAY, program in $app"

(cd "$app" && exec wine ./gearcalc.exe) >"$work/program.log" 2>&1 &
program_pid=$!
started+=("$program_pid")
readonly TITLE="ZKD-KESTAL 齿轮参数计算"
origin=$(wine "$probe" client "$TITLE" 2>/dev/null | tr -d '\r') || fail "the window did not appear: $(cat "$work/program.log")"
read -r origin_x origin_y win_x win_y win_w win_h <<<"$origin"
say "client area at $origin_x,$origin_y, window ${win_w}x${win_h} at $dpi DPI"
# The form's outer size at the display's scale (a frame that grows faster
# than the scale may add a few pixels).
for pair in "$win_w 542" "$win_h 445"; do
  read -r got form <<<"$pair"
  [ "$got" -ge "$(scale "$form")" ] && [ "$got" -le "$(scale $((form + 4)))" ] ||
    fail "the window is ${win_w}x${win_h}, not the form's 542x445 at $dpi DPI"
done
sleep 0.5

# Positions inside the window, in the form's client coordinates.
readonly MODULE_BOX="100 42" RESULT_BOX="404 192" EXIT_BUTTON="472 384" ITEM_TICK="42 334" ITEM_BOX="195 332"
readonly HELICAL_RADIO="100 126" DECIMAL_TICK="47 204" DECIMAL_BOX="103 204"
click_at() { # x y, the form's client coordinates
  xdotool mousemove $((origin_x + $(scale "$1"))) $((origin_y + $(scale "$2"))) click 1 || fail "could not click at $1,$2"
  sleep 0.3
}
click_at $MODULE_BOX
xdotool type --delay 60 "2"
xdotool key Tab
xdotool type --delay 60 "20"
xdotool key Return
report=$(copy_report "公法线跨齿数" 20) || fail "no report in the result box; clipboard held: '$report'"
expected=$(wine "$dist/gearcalc-report.exe" --module 2 --teeth 20 2>/dev/null)
[ "$report" = "$expected" ] || fail "the report differs from gearcalc-report's:"$'\n'"$(diff <(echo "$report") <(echo "$expected"))"
say "the report equals gearcalc-report's ($(wc -l <<<"$report") lines)"

# --- An unknown item number: the message box, and the report stays ---------------------
click_at $ITEM_TICK
click_at $ITEM_BOX
xdotool type --delay 60 "NOPE-1"
xdotool key Return
message=$(wine "$probe" dialog 2>/dev/null | tr -d '\r') || fail "no message box for the unknown item number"
grep -qF "ZKD-KSTAL公司目前没有此类齿轮！" <<<"$message" || fail "the message box says: $message"
say "message box: $(grep -F 'ZKD' <<<"$message")"
xdotool key Return # OK
sleep 0.5
kept=$(copy_report "公法线跨齿数" 10) || fail "the report is gone after the message: '$kept'"
[ "$kept" = "$report" ] || fail "the report changed after the unknown item number"
say "the report is kept"
click_at $ITEM_BOX
xdotool key --clearmodifiers ctrl+a BackSpace
click_at $ITEM_TICK # back to the direct mode

if [ -n "$screenshot" ]; then
  type_helical_example
  copy_report "ZKD 公法线长度下偏差" 15 >/dev/null || fail "no accuracy block in the helical report"
  click_at $RESULT_BOX
  xdotool key --clearmodifiers ctrl+End
  xdotool mousemove 1010 760
  sleep 0.5
  import -window root "$work/root.png" || fail "could not capture the screen"
  convert "$work/root.png" -crop "${win_w}x${win_h}+${win_x}+${win_y}" +repage -strip "$screenshot" ||
    fail "could not crop the screenshot"
  say "screenshot saved to $screenshot"
fi

# --- The exit button ends the program -----------------------------------------------------
click_at $EXIT_BUTTON
expect_clean_exit "$program_pid" 10
say "passed"
exit 0
