#!/usr/bin/env bash
# The screen-edge collapse of the real gearcalc.exe under Wine on a desktop
# of two monitors side by side, the Windows twin of
# tests/e2e/two-monitors.sh: an Xvfb screen of 2560x800 split into two
# 1280x800 RandR monitors, which the X server reports as two Xinerama heads
# and Wine's X11 driver reads as two monitors when it is told not to use
# RandR itself (the prefix's "UseXRandR" is "N" while the check runs).
# With 在屏幕边缘时收起！ ticked: a window in the middle of the second monitor
# stays, one at the edge the monitors share neither snaps nor collapses,
# and at the second monitor's outer right edge it snaps flush, collapses
# leaving 5 pixels, and comes back over them.
#
#   tests/win32/two_monitors_wine.sh [--screenshot FILE] DIST PROBE WINE_PREFIX
# DIST is the deployed folder, PROBE window_probe.exe, WINE_PREFIX a prefix
# made by tools/windows/wine-prefix.sh ... x11 (made here when missing).
# Exits 0 when every check passed, 77 when Wine, Xvfb, xdotool or python3
# is missing, 1 otherwise. Only the processes it starts are stopped.
set -u
readonly SKIP=77 OVERALL_SECONDS=180
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

screenshot=""
if [ "${1:-}" = --screenshot ]; then screenshot=$2; shift 2; fi
[ $# -eq 3 ] || { sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
dist=$(realpath "$1") probe=$(realpath "$2") prefix=$(realpath -m "$3")

say() { echo "two monitors (Wine): $*"; }
fail() { echo "two monitors (Wine): FAILED: $*" >&2; exit 1; }

for tool in wine wineserver Xvfb xdotool python3; do
  command -v "$tool" >/dev/null 2>&1 || { say "skipped: $tool is not installed"; exit $SKIP; }
done
[ -f "$dist/gearcalc.exe" ] || fail "no gearcalc.exe in $dist"
bash "$repo/tools/windows/wine-prefix.sh" "$prefix" x11 || fail "could not make the Wine prefix $prefix"
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

readonly SCREEN_W=1280 DESKTOP_W=2560 TITLE="ZKD-KESTAL 齿轮参数计算"
readonly X11_KEY='HKCU\Software\Wine\X11 Driver'
on_cleanup() {
  wine reg delete "$X11_KEY" /v UseXRandR /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
}
# -noreset: the monitors stay when the client that set them disconnects.
export XVFB_SCREENS="-screen 0 ${DESKTOP_W}x800x24 -noreset"
source "$repo/tests/e2e/x_session.sh"
x_session_start "$OVERALL_SECONDS" gearcalc-two-monitors-wine
python3 "$repo/tests/e2e/set_monitors.py" ${SCREEN_W}x800+0+0 ${SCREEN_W}x800+${SCREEN_W}+0 ||
  fail "could not split the screen into monitors"
wine reg add "$X11_KEY" /v UseXRandR /d N /f >/dev/null 2>&1 || fail "could not switch Wine to Xinerama"
wineserver -w
say "display $DISPLAY"

(cd "$dist" && exec wine ./gearcalc.exe) >"$work/program.log" 2>&1 &
started+=($!)
where() { # -> "CLIENT_X CLIENT_Y LEFT TOP WIDTH HEIGHT"
  wine "$probe" client "$TITLE" 2>/dev/null | tr -d '\r'
}
read -r origin_x origin_y left top width height < <(where) || fail "the window did not appear: $(cat "$work/program.log")"
[ -n "${width:-}" ] || fail "the window did not appear: $(cat "$work/program.log")"
say "window ${width}x${height}"
sleep 0.5
xdotool mousemove $((origin_x + 26)) $((origin_y + 388)) click 1 # 在屏幕边缘时收起！
sleep 0.3

# Waits up to three seconds for the window's outer corner to be at X Y.
expect_at() { # x y what
  local at=""
  for _ in $(seq 10); do
    read -r origin_x origin_y left top width height < <(where)
    at="$left $top"
    [ "$at" = "$1 $2" ] && { say "$3: at $at"; return 0; }
    sleep 0.2
  done
  fail "$3: the window is at $at, expected $1 $2"
}
put() { # x y, with the mouse away from the window
  xdotool mousemove 640 790
  sleep 0.4
  wine "$probe" move "$TITLE" "$1" "$2" || fail "could not move the window"
  expect_at "$1" "$2" "moved"
}
inside() { # the mouse into the client area, moving
  xdotool mousemove $((origin_x + 100)) $((origin_y + 100)); sleep 0.4
  xdotool mousemove $((origin_x + 100)) $((origin_y + 120)); sleep 0.4
}
leave_left() { xdotool mousemove $((left - 30)) $((top + 100)); sleep 0.6; }

put 1800 200
inside
leave_left
expect_at 1800 200 "the middle of the second monitor stays"

put $((SCREEN_W + 10)) 200
inside
leave_left
expect_at $((SCREEN_W + 10)) 200 "the shared edge, second monitor's side, stays"

put $((SCREEN_W - width - 10)) 200
inside
leave_left
expect_at $((SCREEN_W - width - 10)) 200 "the shared edge, main monitor's side, stays"

put $((DESKTOP_W - width - 20)) 200
inside
expect_at $((DESKTOP_W - width)) 200 "the outer right edge snaps flush"
if [ -n "$screenshot" ]; then
  command -v import >/dev/null 2>&1 || fail "--screenshot needs ImageMagick"
  import -window root "$work/root.png" || fail "could not capture the screen"
  mkdir -p "$(dirname "$screenshot")"
  convert "$work/root.png" -resize 50% -fill none -stroke '#6080ff' -strokewidth 2 \
    -draw "rectangle 1,1 638,398" -draw "rectangle 641,1 1278,398" -strip "$screenshot" ||
    fail "could not scale the screenshot"
  say "screenshot saved to $screenshot"
fi
leave_left
expect_at $((DESKTOP_W - 5)) 200 "leaving across its left side collapses it"
xdotool mousemove $((DESKTOP_W - 2)) 300; sleep 0.3
xdotool mousemove $((DESKTOP_W - 3)) 310
expect_at $((DESKTOP_W - width)) 200 "the mouse over the strip brings it back"

say "passed"
exit 0
