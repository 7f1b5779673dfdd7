#!/usr/bin/env bash
# The Windows build gives the same bytes as the Linux build: the reports of
# a few hundred generated gears and of every catalogue item (gearcalc-report
# under Wine against the Linux gearcalc-report), the catalogue files and the
# packed program image.
#
#   tests/win32/report_parity.sh WINDOWS_DIST WINDOWS_IMAGE LINUX_DIST LINUX_IMAGE
# Exits 0 when everything is equal, 77 (skipped) when the Linux build is not
# there, 1 otherwise.
set -u
readonly SKIP=77
win_dist=$1 win_image=$2 linux_dist=$3 linux_image=$4
fail() { echo "report parity: FAILED: $*" >&2; exit 1; }

linux_report="$linux_dist/gearcalc-report"
if [ ! -x "$linux_report" ] || [ ! -f "$linux_image" ]; then
  echo "report parity: skipped: no Linux build at $linux_dist (./build.sh build makes it)"
  exit $SKIP
fi
wine_bin=$(command -v wine || command -v wine64) || fail "Wine is not installed"

work=$(mktemp -d "${TMPDIR:-/tmp}/gearcalc-parity.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Spur gears, helical gears in decimal degrees and in degrees, minutes and
# seconds; modules small and large (so exponents and long fractions show);
# every grade, deviation and tolerance series, and none.
awk 'BEGIN {
  split("0.3 0.5 0.8 1 1.25 1.5 1.75 2 2.25 2.5 3 3.5 4 5 6 7 8 10 12 16 20 25 0.05 33.3333", m, " ")
  split("20 20 20 14.5 25 17.5", pa, " ")
  split("8.5 12.25 19.5283 30 45.123456 3 0.0001 60", hx, " ")
  split("15 30 0|19 31 42|8 0 0|0 59 59|23 5 17", dms, "|")
  split("a ab b bc c cd d e f g h", dv, " ")
  print "module,teeth,pressure-angle,helical,helix,helix-dms,grade,deviation,tolerance"
  for (i = 0; i < 400; i++) {
    module = m[i % 24 + 1]; teeth = 6 + (i * 37) % 190; angle = pa[i % 6 + 1]
    helical = ""; helix = ""; d = ""
    if (i % 3 == 1) { helical = 1; helix = hx[i % 8 + 1] }
    if (i % 3 == 2) { helical = 1; d = dms[i % 5 + 1] }
    grade = (i % 13 == 0) ? "" : i % 13
    deviation = (i % 12 == 11) ? "" : dv[i % 11 + 1]
    tolerance = (i % 11 == 10) ? "" : 21 + i % 10
    printf "%s,%d,%s,%s,%s,%s,%s,%s,%s\n", module, teeth, angle, helical, helix, d, grade, deviation, tolerance
  }
}' >"$work/gears.csv"

"$linux_report" --batch "$work/gears.csv" >"$work/linux.jsonl" 2>"$work/linux.err"
linux_status=$?
"$wine_bin" "$win_dist/gearcalc-report.exe" --batch "$work/gears.csv" >"$work/windows.jsonl" 2>"$work/windows.err"
windows_status=$?
[ "$linux_status" -eq "$windows_status" ] || fail "batch: exit status $linux_status on Linux, $windows_status on Windows"
[ "$(wc -l <"$work/linux.jsonl")" -eq 400 ] || fail "the Linux batch wrote $(wc -l <"$work/linux.jsonl") lines, not 400"
cmp -s "$work/linux.jsonl" "$work/windows.jsonl" ||
  fail "batch reports differ; first difference: $(diff <(tr ',' '\n' <"$work/linux.jsonl") <(tr ',' '\n' <"$work/windows.jsonl") | head -4)"
echo "report parity: 400 generated gears, the same bytes"

"$linux_report" --all-items >"$work/linux-items.jsonl" 2>/dev/null
"$wine_bin" "$win_dist/gearcalc-report.exe" --all-items >"$work/windows-items.jsonl" 2>/dev/null
[ -s "$work/linux-items.jsonl" ] || fail "the Linux build wrote no item reports"
cmp -s "$work/linux-items.jsonl" "$work/windows-items.jsonl" || fail "the item reports differ"
echo "report parity: $(wc -l <"$work/linux-items.jsonl") catalogue items, the same bytes"

# One report as the window shows it, CR LF and all.
"$linux_report" --module 2 --teeth 20 --helix 19.5283 --grade 7 --deviation e --tolerance 25 --format raw >"$work/linux.raw"
"$wine_bin" "$win_dist/gearcalc-report.exe" --module 2 --teeth 20 --helix 19.5283 --grade 7 --deviation e --tolerance 25 \
  --format raw >"$work/windows.raw"
cmp -s "$work/linux.raw" "$work/windows.raw" || fail "the raw report differs"

for f in spc.edb gc.edb ZKD.edb; do
  cmp -s "$linux_dist/$f" "$win_dist/$f" || fail "$f differs between the builds"
done
cmp -s "$linux_image" "$win_image" || fail "the program image packed on Windows differs from the Linux one"
echo "report parity: catalogue files and program image, the same bytes"
exit 0
