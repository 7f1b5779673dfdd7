#!/usr/bin/env bash
# Start-up time of gearcalc.exe under Wine against the minimal Win32 window
# (tests/win32/minimal_window.cpp), in one run under one Xvfb server and one
# running wineserver: milliseconds from process start until the window is
# mapped; prints the medians and their ratio. With BASELINE (another
# deployed folder, an older build's dist) its gearcalc.exe is measured in
# the same run, for a before-and-after ratio.
#   tools/windows/startup_time.sh [RUNS [BASELINE]]   (after ./build.sh windows)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$(cd "$here/../.." && pwd)/build/windows"
runs=${1:-9}
baseline=${2:-}
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "needs Xvfb and xdotool"; exit 77; }
bash "$here/wine-prefix.sh" "$out/_wine-x11" x11
export WINEPREFIX="$out/_wine-x11" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
read -r -u 3 display
xvfb_pid=$!
export DISPLAY=":$display"
trap 'wineserver -k 2>/dev/null || true; kill $xvfb_pid 2>/dev/null || true' EXIT
wineserver -p

measure() { # window-name program
  local name=$1 program=$2 start end pid
  start=$(date +%s%N)
  (cd "$(dirname "$program")" && exec wine "./$(basename "$program")") >/dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "$name" >/dev/null 2>&1; do sleep 0.005; done
  end=$(date +%s%N)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  # Until the window is gone, so the next run finds only its own.
  while xdotool search --onlyvisible --name "$name" >/dev/null 2>&1; do sleep 0.02; done
  echo $(((end - start) / 1000000))
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

gearcalc="$out/dist/gearcalc.exe" minimal="$out/tests/win32/minimal_window.exe"
measure "ZKD-KESTAL" "$gearcalc" >/dev/null # warm the caches
measure "Minimal Win32 window" "$minimal" >/dev/null
# Taken in turns, so a change of the machine's load hits every program alike.
g_all="" m_all="" b_all=""
for _ in $(seq "$runs"); do
  g_all+="$(measure "ZKD-KESTAL" "$gearcalc")"$'\n'
  m_all+="$(measure "Minimal Win32 window" "$minimal")"$'\n'
  [ -z "$baseline" ] || b_all+="$(measure "ZKD-KESTAL" "$baseline/gearcalc.exe")"$'\n'
done
g=$(printf '%s' "$g_all" | median) m=$(printf '%s' "$m_all" | median)
echo "gearcalc.exe under Wine: ${g} ms to window (median of $runs)"
echo "minimal Win32 window under Wine: ${m} ms (median of $runs)"
awk -v g="$g" -v m="$m" 'BEGIN { printf "ratio: %.2f\n", g / m }'
if [ -n "$baseline" ]; then
  b=$(printf '%s' "$b_all" | median)
  echo "baseline gearcalc.exe ($baseline): ${b} ms (median of $runs)"
  awk -v b="$b" -v m="$m" 'BEGIN { printf "baseline ratio: %.2f\n", b / m }'
fi
