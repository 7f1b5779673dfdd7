#!/usr/bin/env bash
# Builds the image reader's fuzzer with clang and runs it.
#   fuzz/run.sh [SECONDS]     (default 60)
# New inputs go to build/fuzz/corpus (the checked-in seeds in fuzz/corpus
# stay as they are); a crashing input is saved in build/fuzz/findings and
# the script exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${FUZZ_BUILD_DIR:-build/fuzz}"

if ! command -v clang++ >/dev/null; then
  echo "fuzz/run.sh: clang++ is needed (Debian packages clang and libclang-rt-dev)" >&2
  exit 2
fi
cmake -S fuzz -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --target image_fuzzer image_fuzz_replay -j2

# The seeds first, as plain replays: valid ones must read, damaged ones must not.
"$build/image_fuzz_replay" fuzz/corpus | tail -n 1

mkdir -p "$build/corpus" "$build/findings"
"$build/image_fuzzer" "$build/corpus" fuzz/corpus \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$build/findings/"
