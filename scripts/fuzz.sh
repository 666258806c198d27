#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/: libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer, built by clang in build-fuzz/) and runs each
# for SECONDS (default 20) from its seed corpus in fuzz/corpus/<target>/.
# Fails when any target finds a crash, a leak, a failed check or a hang;
# the input that shows it is left in build-fuzz/findings/.
#
#   scripts/fuzz.sh          # the bounded run of the test command
#   scripts/fuzz.sh 600      # ten minutes a target
#   scripts/fuzz.sh 60 sort_fuzz diff_fuzz
#
# New inputs go to build-fuzz/corpus/<target>/, never to the committed seeds,
# and are kept there for the next run.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true
dir=build-fuzz

echo "== Fuzz targets, ${seconds} s each"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTV_FUZZ=ON -DTV_BUILD_TESTS=OFF >/dev/null
ninja -C "$dir" -j "$(nproc)" fuzzers

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for seeds in fuzz/corpus/*/; do
    targets+=("$(basename "$seeds")")
  done
fi

symbolizer=$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)
if [ -n "$symbolizer" ]; then
  export ASAN_SYMBOLIZER_PATH=$symbolizer
fi
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

mkdir -p "$dir/findings" "$dir/logs"
failed=()
for target in "${targets[@]}"; do
  program="$dir/fuzz/$target"
  if [ ! -x "$program" ]; then
    echo "no fuzz target $target" >&2
    failed+=("$target")
    continue
  fi
  scratch="$dir/corpus/$target"
  mkdir -p "$scratch"
  log="$dir/logs/$target.log"
  # The first folder takes the new inputs; the seeds are only read.
  if "$program" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 \
       -artifact_prefix="$dir/findings/$target-" -print_final_stats=1 \
       "$scratch" "fuzz/corpus/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$target: ${runs:-?} runs, nothing found"
  else
    echo "$target: FINDING (log $log)"
    grep -E 'ERROR|check failed|SUMMARY|Test unit written' "$log" | head -20 || true
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "== Fuzzing found problems in: ${failed[*]}" >&2
  exit 1
fi
echo "== Fuzzing found nothing"
