#!/usr/bin/env bash
# Time of gearcalc-report --all-items on generated item catalogues of
# COUNT/10 and COUNT records (default 1,000,000), with the shipped range
# tables; prints both times and their ratio, which is about 10 when the
# time grows in proportion to the number of records.
#   usage: all_items.sh DIST_DIR EDBTOOL [COUNT]
set -euo pipefail
dist=$1 edbtool=$2 count=${3:-1000000}
small=$((count / 10))
work=$(mktemp -d "${TMPDIR:-/tmp}/all-items-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Seconds (3 decimals) that gearcalc-report takes for the catalogue of N records.
timed() {
  local n=$1 folder="$work/c$1" start end lines
  mkdir -p "$folder"
  cp "$dist/spc.edb" "$dist/gc.edb" "$folder/"
  "$edbtool" generate-items "$folder/ZKD.edb" "$n" >/dev/null
  start=$(date +%s%N)
  "$dist/gearcalc-report" --catalogue-dir "$folder" --all-items >"$work/out.jsonl"
  end=$(date +%s%N)
  lines=$(wc -l <"$work/out.jsonl")
  [ "$lines" -eq "$n" ] || { echo "all_items.sh: $lines reports for $n records" >&2; exit 1; }
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f\n", ns / 1e9 }'
}

t_small=$(timed "$small")
t_full=$(timed "$count")
echo "--all-items, $small records: $t_small s"
echo "--all-items, $count records: $t_full s"
awk -v a="$t_small" -v b="$t_full" 'BEGIN { printf "ratio: %.2f (10 for linear growth)\n", b / a }'
