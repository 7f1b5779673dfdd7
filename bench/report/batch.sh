#!/usr/bin/env bash
# Reports per second of gearcalc-report --batch over a fixed set of random
# gears (the same file on every machine: a seeded generator in integer
# arithmetic), JSON lines to a file. Prints the median of RUNS runs, per
# second of wall-clock time and per second of the process's CPU time (the
# machine may be shared). Given a second gearcalc-report (BASELINE), runs
# the two in turn, prints both and their ratio, and checks that they wrote
# the same bytes.
#   usage: batch.sh GEARCALC_REPORT [COUNT [RUNS [BASELINE]]]
set -euo pipefail
report=$1 count=${2:-50000} runs=${3:-9} baseline=${4:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/batch-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The gears: direct input (spur, helix in decimal degrees or D M S, typed
# with a decimal comma now and then) and every tenth row an item number of
# the shipped catalogue. minstd (x * 48271 mod 2^31 - 1) stays exact in
# awk's doubles.
awk -v n="$count" 'BEGIN {
  x = 20261209
  split("0.5 0.8 1 \"1,25\" 1.5 2 \"2,5\" 3 4 5 6 8 10", modules, " ")
  split("a ab b bc c cd d e f g h", series, " ")
  split("ZKD-S2-20-7 ZKD-H2-20-6 ZKD-S5-60-9 ZKD-H8-21-8 ZKD-S1-12-9", items, " ")
  split("20 20 20 14.5 25", angles, " ")
  print "item,module,teeth,pressure-angle,helix,helix-dms,grade,deviation,tolerance"
  for (i = 0; i < n; i++) {
    if (r(10) == 0) { printf "%s,,,,,,,,\n", items[1 + r(5)]; continue }
    printf ",%s,%d,%s,", modules[1 + r(13)], 6 + r(195), angles[1 + r(5)]
    form = r(3)
    if (form == 0) printf ","
    else if (form == 1) printf "%d.%d,", 5 + r(40), r(10000)
    else printf ",%d %d %d", 5 + r(40), r(60), r(60)
    printf ",%d,%s,%d\n", 1 + r(12), series[1 + r(11)], 21 + r(10)
  }
}
function r(k) { x = (x * 48271) % 2147483647; return x % k }' >"$work/gears.csv"

# One run: "wall_seconds cpu_seconds" on stdout, the JSON lines in $2.
timed() {
  local binary=$1 out=$2 start end cpu
  start=$(date +%s%N)
  cpu=$( { /usr/bin/time -f "%U %S" "$binary" --batch "$work/gears.csv" >"$out"; } 2>&1 | awk 'END { print $1 + $2 }')
  end=$(date +%s%N)
  echo "$(awk -v ns=$((end - start)) 'BEGIN { print ns / 1e9 }') $cpu"
}

median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

programs=("$report")
[ -n "$baseline" ] && programs+=("$baseline")
declare -A wall cpu
for _ in $(seq "$runs"); do
  for i in "${!programs[@]}"; do
    read -r w c < <(timed "${programs[$i]}" "$work/out$i.jsonl")
    wall[$i]+="$w"$'\n' cpu[$i]+="$c"$'\n'
  done
done
lines=$(wc -l <"$work/out0.jsonl")
[ "$lines" -eq "$count" ] || { echo "batch.sh: $lines lines for $count gears" >&2; exit 1; }

echo "--batch, $count random gears, median of $runs runs:"
for i in "${!programs[@]}"; do
  w=$(printf '%s' "${wall[$i]}" | median) c=$(printf '%s' "${cpu[$i]}" | median)
  awk -v n="$count" -v w="$w" -v c="$c" -v name="${programs[$i]}" \
    'BEGIN { printf "%s: %.0f reports/s (%.0f per CPU second)\n", name, n / w, (c > 0 ? n / c : 0) }'
  eval "w$i=$w"
done
if [ -n "$baseline" ]; then
  awk -v a="$w0" -v b="$w1" 'BEGIN { printf "ratio: %.2f (reports/s against the baseline)\n", b / a }'
  cmp -s "$work/out0.jsonl" "$work/out1.jsonl" && echo "output: the same bytes" ||
    { echo "batch.sh: the two programs wrote different output" >&2; exit 1; }
fi
