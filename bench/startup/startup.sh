#!/usr/bin/env bash
# Time from process start to the window being mapped, for gearcalc and for a
# minimal Qt program, under one Xvfb server; prints the medians and their
# ratio.   usage: startup.sh DIST_DIR QT_MINIMAL [RUNS]
set -euo pipefail
dist=$1 minimal=$2 runs=${3:-9}
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "needs Xvfb and xdotool"; exit 77; }

exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
read -r -u 3 display
xvfb_pid=$!
export DISPLAY=":$display"
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT

# Milliseconds from start until a window with that name is mapped.
measure() {
  local name=$1; shift
  local start end pid
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 &
  pid=$!
  # xdotool --sync polls only twice a second: poll faster by hand.
  until xdotool search --onlyvisible --name "$name" >/dev/null 2>&1; do sleep 0.005; done
  end=$(date +%s%N)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo $(( (end - start) / 1000000 ))
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

measure "ZKD-KESTAL" "$dist/gearcalc" >/dev/null # warm the file cache
measure "qt-minimal-window" "$minimal" >/dev/null
g=$(for _ in $(seq "$runs"); do measure "ZKD-KESTAL" "$dist/gearcalc"; done | median)
q=$(for _ in $(seq "$runs"); do measure "qt-minimal-window" "$minimal"; done | median)
echo "gearcalc: ${g} ms to window (median of $runs)"
echo "minimal Qt window: ${q} ms (median of $runs)"
awk -v g="$g" -v q="$q" 'BEGIN { printf "ratio: %.2f\n", g / q }'
