#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a normal build (build/) and one
# with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/); then
# runs each fuzz target for a bounded time (scripts/fuzz.sh, in build-fuzz/).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_config() {
  local dir=$1
  shift
  echo "== Configuration $dir $*"
  cmake -S . -B "$dir" -G Ninja "$@"
  ninja -C "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 900
}

run_config build -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The Windows installer's tests run once, in the normal build.
run_config build-asan -DCMAKE_BUILD_TYPE=Debug -DTV_SANITIZE=ON -DTV_WINE_TESTS=OFF
# A short run of every fuzz target; scripts/fuzz.sh 600 is the long one.
scripts/fuzz.sh

count() { ctest --test-dir "$1" -N | sed -n 's/^Total Tests: //p'; }
fuzzers=$(ls fuzz/corpus | wc -l)
total=$(( $(count build) + $(count build-asan) + fuzzers ))
echo "== All tests passed in both configurations, and $fuzzers fuzz targets found nothing"
echo "$total passed, 0 failed"
