#!/usr/bin/env bash
# Builds the tests with the address and undefined-behaviour sanitizers into build-sanitize/ (set
# SANITIZE_BUILD_DIR to use another folder) and runs them: a fault any sanitizer reports fails
# the run. Unoptimised: with the sanitizers, -O1 takes about three times as long to compile as
# -O0 for runs only somewhat quicker.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${SANITIZE_BUILD_DIR:-build-sanitize}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DNRXJOBDB_SANITIZE=ON -DNRXJOBDB_BUILD_BENCH=OFF \
      "$@" >/dev/null
# The suites where memory is handled by hand or by the newest code: the engine and the data-entry,
# integrity, tracker and fixed-point members. The others run in the plain build only; building
# them all again here would take the whole CI run past its time.
suites=(engine entry integrity transactions fixedpoints)
targets=()
for suite in "${suites[@]}"; do targets+=("${suite}_tests"); done
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
labels=$(IFS='|'; echo "^(${suites[*]})\$")
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" -L "$labels"
