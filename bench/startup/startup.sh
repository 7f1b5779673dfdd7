#!/usr/bin/env bash
# Start-up of gearcalc against a minimal Qt program, both under one Xvfb
# server: the time from process start to the window being mapped, and to
# its first painted frame; prints the medians and their ratios.
#   usage: startup.sh WINDOW_PROBE DIST_DIR QT_MINIMAL [RUNS]
# WINDOW_PROBE (bench/startup/window_probe.cpp) starts a program, times both
# moments and ends it with SIGTERM, which must end it with status 143. A
# program that ends before its window shows, or whose window does not show
# or is not painted within WINDOW_SECONDS, stops the measurement with a
# message (exit 1) instead of a wait without end.
set -euo pipefail
probe=$1 dist=$2 minimal=$3 runs=${4:-9}
readonly WINDOW_SECONDS=${WINDOW_SECONDS:-20}
command -v Xvfb >/dev/null || { echo "needs Xvfb"; exit 77; }

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

# "MAP_MS PAINT_MS" for one start of a program whose window title
# contains NAME.
measure() {
  local name=$1; shift
  local out
  out=$("$probe" "$name" "$WINDOW_SECONDS" "$@" 2>&1) || fail "${out#window_probe: }"
  echo "$out"
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

measure "ZKD-KESTAL" "$dist/gearcalc" >/dev/null # warm the file cache
measure "qt-minimal-window" "$minimal" >/dev/null
# The two programs take turns, so that a change in the machine's load
# during the measurement falls on both alike.
g_map="" g_paint="" q_map="" q_paint=""
for _ in $(seq "$runs"); do
  times=$(measure "ZKD-KESTAL" "$dist/gearcalc") || exit 1
  read -r map paint <<<"$times"
  g_map+="$map"$'\n' g_paint+="$paint"$'\n'
  times=$(measure "qt-minimal-window" "$minimal") || exit 1
  read -r map paint <<<"$times"
  q_map+="$map"$'\n' q_paint+="$paint"$'\n'
done
gm=$(printf '%s' "$g_map" | median) gp=$(printf '%s' "$g_paint" | median)
qm=$(printf '%s' "$q_map" | median) qp=$(printf '%s' "$q_paint" | median)
echo "gearcalc: ${gm} ms to window, ${gp} ms to its first frame (medians of $runs)"
echo "minimal Qt window: ${qm} ms to window, ${qp} ms to its first frame"
awk -v g="$gm" -v q="$qm" 'BEGIN { printf "ratio: %.2f\n", g / q }'
awk -v g="$gp" -v q="$qp" 'BEGIN { printf "first-frame ratio: %.2f\n", g / q }'
