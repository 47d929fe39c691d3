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
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
