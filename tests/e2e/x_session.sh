# Shared by the end-to-end checks (source it): a private virtual X display
# and a bound on the whole run. Every process a check starts goes into
# `started`; on exit they are stopped newest first, then `on_cleanup` (if the
# check defines it) runs and the scratch folder `work` is removed.
#   x_session_start SECONDS PREFIX   makes $work, starts the watchdog and
#                                    Xvfb (its screens: $XVFB_SCREENS, by
#                                    default one of 1024x768), exports DISPLAY
#   copy_report NEEDLE SECONDS       the result box's text, read the way a
#                                    user copies it (needs the check's
#                                    click_at and RESULT_BOX)
#   type_helical_example             the screenshots' gear (needs click_at,
#                                    HELICAL_RADIO, DECIMAL_TICK, DECIMAL_BOX)
#   expect_clean_exit PID SECONDS    the program ends within SECONDS with
#                                    status 0 (its output in $work/program.log)
# Needs `fail` (message, exit 1) from the check.

started=()
x_session_cleanup() {
  local i
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do
    kill "${started[i]}" 2>/dev/null
  done
  for pid in "${started[@]}"; do wait "$pid" 2>/dev/null; done
  if declare -F on_cleanup >/dev/null; then on_cleanup; fi
  rm -rf "$work"
}

x_session_start() { # seconds prefix
  local seconds=$1
  work=$(mktemp -d "${TMPDIR:-/tmp}/$2.XXXXXX")
  trap x_session_cleanup EXIT
  trap 'fail "stopped by a signal"' INT TERM
  # The whole run is bounded; every step that waits has its own, shorter bound.
  (
    trap 'kill "$nap" 2>/dev/null; exit 0' TERM
    sleep "$seconds" >/dev/null 2>&1 </dev/null &
    nap=$!
    wait "$nap"
    echo "e2e: FAILED: still running after ${seconds}s" >&2
    kill -TERM $$
  ) &
  started+=($!)

  # XVFB_SCREENS: other screens, e.g. two side by side with +xinerama.
  # shellcheck disable=SC2086
  Xvfb -displayfd 3 ${XVFB_SCREENS:--screen 0 1024x768x24} -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  started+=($!)
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "${started[-1]}" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
  done
  [ -s "$work/display" ] || fail "Xvfb gave no display number"
  export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
  unset WAYLAND_DISPLAY
}

# The report, read the way a user copies it: click into the result box,
# select all, copy. Retries until `needle` is in it or the time is up.
copy_report() { # needle seconds
  local deadline=$((SECONDS + $2)) text=""
  while [ $SECONDS -le $deadline ]; do
    click_at $RESULT_BOX
    xdotool key --clearmodifiers ctrl+a ctrl+c
    sleep 0.4
    text=$(timeout 5 xclip -o -selection clipboard -t UTF8_STRING 2>/dev/null)
    if [[ "$text" == *"$1"* ]]; then
      printf '%s' "$text"
      return 0
    fi
    sleep 0.3
  done
  printf '%s' "$text"
  return 1
}

# A helical gear, helix angle in decimal degrees, with grade 7, series e
# and tolerance 25 chosen from the keyboard, then Enter: the report's whole
# accuracy block, and every input of the window in use.
type_helical_example() {
  click_at $HELICAL_RADIO
  click_at $DECIMAL_TICK
  click_at $DECIMAL_BOX
  xdotool type --delay 40 "19.5283"
  for downs in 7 8 5; do
    xdotool key Tab
    for _ in $(seq "$downs"); do xdotool key Down; done
  done
  xdotool key Return
}

# After the exit button: the program `pid` must end by itself, with status 0.
expect_clean_exit() { # pid seconds
  local tenths=$(($2 * 10)) status
  for _ in $(seq "$tenths"); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$1" 2>/dev/null && fail "the exit button did not end the program"
  wait "$1"
  status=$?
  [ "$status" -eq 0 ] || fail "the program exited with status $status: $(cat "$work/program.log")"
}
