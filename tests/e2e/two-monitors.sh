#!/usr/bin/env bash
# The screen-edge collapse on a desktop of two monitors side by side (an
# Xvfb screen of 2560x800 split into two 1280x800 RandR monitors, which Qt
# reads as two screens and the server also reports as two Xinerama heads;
# Xvfb's own +xinerama puts every screen at the origin), driven with
# xdotool: with
# 在屏幕边缘时收起！ ticked, a window in the middle of the second monitor stays
# where it is, one at the edge the two monitors share neither snaps nor
# collapses, and at the second monitor's outer right edge and its top it
# snaps, collapses leaving its strip, and comes back over the strip.
#
#   tests/e2e/two-monitors.sh [--screenshot FILE] [PATH/TO/gearcalc]
#
# With --screenshot it saves the whole desktop, scaled to half, with the
# window flush at the second monitor's right edge (needs ImageMagick).
# Exits 0 when every check passed, 77 when Xvfb, xdotool or python3 is
# missing, 1 otherwise. Only the processes it starts are stopped.
set -u
readonly SKIP=77 OVERALL_SECONDS=90
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

screenshot=""
program="${GEARCALC:-$repo/build/dev/dist/gearcalc}"
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) screenshot=$2; shift ;;
    -h|--help) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) program=$1 ;;
  esac
  shift
done

say() { echo "two monitors: $*"; }
fail() { echo "two monitors: FAILED: $*" >&2; exit 1; }

for tool in Xvfb xdotool python3; do
  command -v "$tool" >/dev/null 2>&1 || { say "skipped: $tool is not installed"; exit $SKIP; }
done
[ -x "$program" ] || fail "no program at $program (build it first, or pass its path)"

readonly SCREEN_W=1280 DESKTOP_W=2560
# -noreset: the monitors stay when the client that set them disconnects.
export XVFB_SCREENS="-screen 0 ${DESKTOP_W}x800x24 -noreset"
source "$here/x_session.sh"
x_session_start "$OVERALL_SECONDS" gearcalc-two-monitors
python3 "$here/set_monitors.py" ${SCREEN_W}x800+0+0 ${SCREEN_W}x800+${SCREEN_W}+0 || fail "could not split the screen into monitors"
export QT_QPA_PLATFORM=xcb
say "display $DISPLAY"

"$program" >"$work/program.log" 2>&1 &
started+=($!)
window=$(timeout 20 xdotool search --sync --onlyvisible --name "ZKD-KESTAL" 2>/dev/null | head -n 1)
[ -n "$window" ] || fail "the program's window did not appear: $(cat "$work/program.log")"
sleep 0.5
xdotool mousemove --window "$window" 26 388 click 1 # 在屏幕边缘时收起！
sleep 0.3

place() { # -> "X Y": the window's place on the desktop
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$window")"
  echo "$X $Y"
}
# Waits up to two seconds for the window to be at X Y; fails otherwise.
expect_at() { # x y what
  local at
  for _ in $(seq 20); do
    at=$(place)
    [ "$at" = "$1 $2" ] && { say "$3: at $at"; return 0; }
    sleep 0.1
  done
  fail "$3: the window is at $at, expected $1 $2"
}
# Puts the window at X Y with the mouse away from it.
put() { # x y
  xdotool mousemove 640 790
  sleep 0.4 # the program has seen the mouse leave before the window moves
  xdotool windowmove "$window" "$1" "$2"
  expect_at "$1" "$2" "moved"
}
# The mouse into the window, then out of it across its left edge.
enter_and_leave() {
  xdotool mousemove --window "$window" 100 100; sleep 0.4
  xdotool mousemove --window "$window" 100 120; sleep 0.3
  local x y
  read -r x y < <(place)
  xdotool mousemove $((x - 30)) $((y + 100)); sleep 0.5
}

read -r width height < <(xdotool getwindowgeometry --shell "$window" | sed -n 's/^WIDTH=//p; s/^HEIGHT=//p' | tr '\n' ' ')
say "window ${width}x${height}"

put 1800 200
enter_and_leave
expect_at 1800 200 "the middle of the second monitor stays"

put $((SCREEN_W + 10)) 200
enter_and_leave
expect_at $((SCREEN_W + 10)) 200 "the shared edge, second monitor's side, stays"

put $((SCREEN_W - width - 10)) 200
enter_and_leave
expect_at $((SCREEN_W - width - 10)) 200 "the shared edge, main monitor's side, stays"

put $((DESKTOP_W - width - 20)) 200
xdotool mousemove --window "$window" 100 100; sleep 0.4
xdotool mousemove --window "$window" 100 120
expect_at $((DESKTOP_W - width)) 200 "the outer right edge snaps flush"
if [ -n "$screenshot" ]; then
  command -v import >/dev/null 2>&1 || fail "--screenshot needs ImageMagick"
  sleep 0.5 # the mouse stays inside: leaving would collapse the window
  import -window root "$work/root.png" || fail "could not capture the screen"
  mkdir -p "$(dirname "$screenshot")"
  # Half size, each monitor outlined.
  convert "$work/root.png" -resize 50% -fill none -stroke '#6080ff' -strokewidth 2 \
    -draw "rectangle 1,1 638,398" -draw "rectangle 641,1 1278,398" -strip "$screenshot" ||
    fail "could not scale the screenshot"
  say "screenshot saved to $screenshot"
fi
xdotool mousemove $((DESKTOP_W - width - 30)) 300
expect_at $((DESKTOP_W - 5)) 200 "leaving across its left side collapses it"
xdotool mousemove $((DESKTOP_W - 2)) 300; sleep 0.2
xdotool mousemove $((DESKTOP_W - 3)) 310
expect_at $((DESKTOP_W - width)) 200 "the mouse over the strip brings it back"

put 1800 20
xdotool mousemove --window "$window" 100 100; sleep 0.4
xdotool mousemove --window "$window" 100 120
expect_at 1800 0 "the second monitor's top snaps"
xdotool mousemove 1700 300
expect_at 1800 $((5 - height)) "leaving across its left side collapses it upwards"

say "passed"
exit 0
