#!/usr/bin/env bash
# How far the screen-edge collapse can tuck the window away under each
# window manager that is installed (and under none): for the left, top and
# right edge, ticks 在屏幕边缘时收起！, moves the window near the edge, moves the
# mouse into it and out again, and prints how many pixels of the window's
# client area stay on the screen (the program leaves 4 or 5 of its outer
# frame when the window manager lets it). Not part of ctest: window
# managers differ by design, and the figures go into docs/window.md.
#
#   tests/e2e/collapse-under-wm.sh [PATH/TO/gearcalc] [WM...]
#
# Default program build/dev/dist/gearcalc; default window managers: none and
# every one of openbox, xfwm4, fluxbox, icewm, metacity, kwin_x11 found.
# Needs Xvfb and xdotool. Only the processes it starts are stopped.
set -u
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
program="$repo/build/dev/dist/gearcalc"
if [ $# -gt 0 ] && [ -x "$1" ] && [ ! -d "$1" ]; then program=$1; shift; fi
wms=("$@")
if [ ${#wms[@]} -eq 0 ]; then
  wms=(none)
  for wm in openbox xfwm4 fluxbox icewm metacity kwin_x11; do command -v "$wm" >/dev/null 2>&1 && wms+=("$wm"); done
fi
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null 2>&1 || { echo "collapse-under-wm: $tool is not installed" >&2; exit 77; }
done

readonly SCREEN_W=1024 SCREEN_H=768
work=$(mktemp -d "${TMPDIR:-/tmp}/gearcalc-wm.XXXXXX")
started=()
stop_all() {
  local i
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do kill "${started[i]}" 2>/dev/null; done
  for pid in "${started[@]}"; do wait "$pid" 2>/dev/null; done
  started=()
}
trap 'stop_all; rm -rf "$work"' EXIT

geometry() { # window -> "X Y WIDTH HEIGHT" of its client area
  local X Y WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}

# Pixels of the client area left on the screen after a collapse at `edge`.
visible() { # edge window
  local x y w h
  read -r x y w h < <(geometry "$2")
  case "$1" in
    left) echo $((x + w < 0 ? 0 : (x + w > w ? w : x + w))) ;;
    top) echo $((y + h < 0 ? 0 : (y + h > h ? h : y + h))) ;;
    right) echo $((SCREEN_W - x < 0 ? 0 : (SCREEN_W - x > w ? w : SCREEN_W - x))) ;;
  esac
}

# Moves the window near `edge`, the mouse into it and out below it.
collapse_at() { # edge window
  case "$1" in
    left) xdotool windowmove "$2" 20 200 ;;
    top) xdotool windowmove "$2" 300 20 ;;
    right) xdotool windowmove "$2" $((SCREEN_W - 560)) 200 ;;
  esac
  sleep 0.4
  xdotool mousemove --window "$2" 100 100; sleep 0.4
  xdotool mousemove $((SCREEN_W / 2)) $((SCREEN_H - 10)); sleep 0.6
}

printf '%-10s %10s %10s %10s   (pixels of the client area left on the screen)\n' "manager" left top right
for wm in "${wms[@]}"; do
  Xvfb -displayfd 3 -screen 0 ${SCREEN_W}x${SCREEN_H}x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  started+=($!)
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
  : >"$work/display"
  if [ "$wm" != none ]; then
    "$wm" >"$work/wm.log" 2>&1 &
    started+=($!)
    sleep 1.5
  fi
  QT_QPA_PLATFORM=xcb "$program" >"$work/program.log" 2>&1 &
  started+=($!)
  window=$(timeout 20 xdotool search --sync --onlyvisible --name "ZKD-KESTAL" 2>/dev/null | head -n 1)
  if [ -z "$window" ]; then
    printf '%-10s (the window did not appear)\n' "$wm"
    stop_all
    continue
  fi
  sleep 0.5
  xdotool mousemove --window "$window" 26 388 click 1 # 在屏幕边缘时收起！
  sleep 0.3
  results=()
  for edge in left top right; do
    collapse_at "$edge" "$window"
    results+=("$(visible "$edge" "$window")")
  done
  printf '%-10s %10s %10s %10s\n' "$wm" "${results[@]}"
  stop_all
done
