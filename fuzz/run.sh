#!/usr/bin/env bash
# Builds every fuzz target with clang and runs each in turn.
#   fuzz/run.sh [SECONDS] [TARGET...]   SECONDS per target (default 60);
#                                       targets: image conversions csv
#                                       catalogue_bytes catalogue_sql batch
# First the checked-in seeds are replayed as plain programs. New inputs go
# to build/fuzz/corpus/TARGET (the seeds in fuzz/ stay as they are); an
# input that breaks a target is saved in build/fuzz/findings/TARGET. Every
# target runs even after a finding; the script then exits non-zero. At the
# end a line per target gives its executions and coverage.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(image conversions csv catalogue_bytes catalogue_sql batch)
build="${FUZZ_BUILD_DIR:-build/fuzz}"

if ! command -v clang++ >/dev/null; then
  echo "fuzz/run.sh: clang++ is needed (Debian packages clang and libclang-rt-dev)" >&2
  exit 2
fi
cmake -S fuzz -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
build_targets=()
for t in "${targets[@]}"; do build_targets+=("${t}_fuzzer" "${t}_fuzz_replay"); done
cmake --build "$build" --target "${build_targets[@]}" -j2

seeds_of() { if [ "$1" = image ]; then echo fuzz/corpus; else echo "fuzz/seeds/$1"; fi; }

# The seeds first, as plain replays (the image's: valid ones must read,
# damaged ones must not).
for t in "${targets[@]}"; do
  echo "$t seeds: $("$build/${t}_fuzz_replay" "$(seeds_of "$t")" | tail -n 1)"
done

failed=()
summary=()
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t" findings="$build/findings/$t" log="$build/$t.log"
  mkdir -p "$corpus" "$findings"
  echo "== $t: $seconds s"
  status=0
  "$build/${t}_fuzzer" "$corpus" "$(seeds_of "$t")" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1 || true)
  entries=$(find "$corpus" -type f | wc -l)
  summary+=("$t: ${runs:-?} executions, ${cov:-no coverage figure}, corpus $entries inputs")
  if [ "$status" -ne 0 ]; then
    failed+=("$t")
    echo "fuzz/run.sh: $t found an input that breaks it (saved in $findings):" >&2
    grep -E 'fuzzer: |ERROR|SUMMARY' "$log" | head -n 5 >&2 || true
  fi
done

echo "== summary"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz/run.sh: findings in: ${failed[*]} (logs in $build/TARGET.log)" >&2
  exit 1
fi
