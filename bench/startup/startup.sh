#!/usr/bin/env bash
# Time from process start to the window being mapped, for gearcalc and for a
# minimal Qt program, under one Xvfb server; prints the medians and their
# ratio.   usage: startup.sh DIST_DIR QT_MINIMAL [RUNS]
# Each program is ended with SIGTERM as soon as its window shows and must
# end with status 143; a program that ends before its window shows, or
# whose window does not show within WINDOW_SECONDS, stops the measurement
# with a message (exit 1) instead of a wait without end.
set -euo pipefail
dist=$1 minimal=$2 runs=${3:-9}
readonly WINDOW_SECONDS=${WINDOW_SECONDS:-20}
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "needs Xvfb and xdotool"; exit 77; }

# -noreset: by default the server resets when its last client disconnects,
# and a program started during that reset cannot connect (Qt then aborts).
# Every measurement ends its program, so without it the next one races the
# reset.
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp -noreset 2>/dev/null)
read -r -u 3 display
xvfb_pid=$!
export DISPLAY=":$display"
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT

fail() { echo "startup.sh: $*" >&2; exit 1; }

# Milliseconds from start until a window with that name is mapped.
measure() {
  local name=$1; shift
  local start end pid status deadline
  start=$(date +%s%N)
  deadline=$((start + WINDOW_SECONDS * 1000000000))
  "$@" >/dev/null 2>&1 &
  pid=$!
  # xdotool --sync polls only twice a second: poll faster by hand.
  until xdotool search --onlyvisible --name "$name" >/dev/null 2>&1; do
    if ! kill -0 "$pid" 2>/dev/null; then
      status=0; wait "$pid" || status=$?
      fail "$1 ended (status $status) before its window \"$name\" showed"
    fi
    if [ "$(date +%s%N)" -gt "$deadline" ]; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      fail "the window \"$name\" of $1 did not show within $WINDOW_SECONDS s"
    fi
    sleep 0.005
  done
  end=$(date +%s%N)
  kill "$pid"
  status=0; wait "$pid" 2>/dev/null || status=$?
  [ "$status" -eq 143 ] || fail "$1 ended with status $status on SIGTERM after its window showed (expected 143)"
  echo $(( (end - start) / 1000000 ))
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

measure "ZKD-KESTAL" "$dist/gearcalc" >/dev/null # warm the file cache
measure "qt-minimal-window" "$minimal" >/dev/null
# The two programs take turns, so that a change in the machine's load
# during the measurement falls on both alike.
g_times="" q_times=""
for _ in $(seq "$runs"); do
  t=$(measure "ZKD-KESTAL" "$dist/gearcalc") || exit 1
  g_times+="$t"$'\n'
  t=$(measure "qt-minimal-window" "$minimal") || exit 1
  q_times+="$t"$'\n'
done
g=$(printf '%s' "$g_times" | median)
q=$(printf '%s' "$q_times" | median)
echo "gearcalc: ${g} ms to window (median of $runs)"
echo "minimal Qt window: ${q} ms (median of $runs)"
awk -v g="$g" -v q="$q" 'BEGIN { printf "ratio: %.2f\n", g / q }'
