#!/usr/bin/env bash
# End-to-end check of the real program on a private virtual X display:
# types module 2 and 20 teeth, presses Return, copies the report out of the
# result box through the clipboard and checks two of its values. Then
# closes the program with its exit button.
#
#   tests/e2e/e2e.sh [--screenshot [FILE]] [PATH/TO/gearcalc]
#
# The program defaults to build/dev/dist/gearcalc (or $GEARCALC). With
# --screenshot it goes on to a helical gear with the accuracy selections and
# saves a picture of the window with that report (default
# docs/screenshot.png; needs ImageMagick). Exits 0 when every check passed, 77 when Xvfb, xdotool or
# xclip is missing, 1 otherwise. Only the processes it starts are stopped.
set -u

readonly SKIP=77
readonly OVERALL_SECONDS=60
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

screenshot=""
program="${GEARCALC:-$repo/build/dev/dist/gearcalc}"
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot)
      screenshot="$repo/docs/screenshot.png"
      if [ $# -gt 1 ] && [[ "$2" == *.png ]]; then screenshot=$2; shift; fi
      ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) program=$1 ;;
  esac
  shift
done

say() { echo "e2e: $*"; }
fail() { echo "e2e: FAILED: $*" >&2; exit 1; }

for tool in Xvfb xdotool xclip; do
  command -v "$tool" >/dev/null 2>&1 || { say "skipped: $tool is not installed"; exit $SKIP; }
done
if [ -n "$screenshot" ]; then
  for tool in import convert; do
    command -v "$tool" >/dev/null 2>&1 || fail "--screenshot needs ImageMagick ($tool)"
  done
fi
[ -x "$program" ] || fail "no program at $program (build it first, or pass its path)"

program_pid=""
source "$here/x_session.sh"
x_session_start "$OVERALL_SECONDS" gearcalc-e2e
export QT_QPA_PLATFORM=xcb
say "display $DISPLAY"

# --- The program -------------------------------------------------------------------
"$program" >"$work/program.log" 2>&1 &
program_pid=$!
started+=("$program_pid")
window=$(timeout 20 xdotool search --sync --onlyvisible --name "ZKD-KESTAL" 2>/dev/null | head -n 1)
[ -n "$window" ] || fail "the program's window did not appear: $(cat "$work/program.log")"
say "window $window"
sleep 0.5 # first paint

# Positions inside the window (client coordinates of the form).
readonly MODULE_BOX="100 42" RESULT_BOX="404 192" EXIT_BUTTON="472 384"
readonly HELICAL_RADIO="100 126" DECIMAL_TICK="47 204" DECIMAL_BOX="103 204"

click_at() { # x y
  xdotool mousemove --window "$window" "$1" "$2" click 1 || fail "could not click at $1,$2"
  sleep 0.2
}

click_at $MODULE_BOX
xdotool type --delay 40 "2"
xdotool key Tab
xdotool type --delay 40 "20"
xdotool key Return

report=$(copy_report "公法线跨齿数" 15) || fail "no report in the result box; clipboard held: '$report'"
for expected in "公法线长度：15.3209" "公法线跨齿数：3"; do
  grep -qxF "$expected" <<<"$report" || fail "the report lacks the line '$expected':"$'\n'"$report"
  say "report has '$expected'"
done

if [ -n "$screenshot" ]; then
  type_helical_example
  # The picture as the run leaves the window: the report's end, with the
  # maker's values, in view without scrolling.
  xdotool mousemove 1000 700 # off the window: no hover highlight
  sleep 1
  geometry=$(xdotool getwindowgeometry --shell "$window") || fail "no window geometry"
  eval "$geometry" # X Y WIDTH HEIGHT
  import -window root "$work/root.png" || fail "could not capture the screen"
  report=$(copy_report "ZKD 公法线长度下偏差" 15) || fail "no accuracy block in the helical report: '$report'"
  mkdir -p "$(dirname "$screenshot")"
  # -strip: no time stamps, so the file changes only when the picture does.
  convert "$work/root.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip "$screenshot" ||
    fail "could not crop the screenshot"
  say "screenshot ${WIDTH}x${HEIGHT} saved to $screenshot"
fi

# --- The exit button ends the program ------------------------------------------------
click_at $EXIT_BUTTON
expect_clean_exit "$program_pid" 5
say "passed"
exit 0
