#!/usr/bin/env bash
# Installs the library from build/ (set BUILD_DIR to use another folder) into a temporary
# prefix, then configures, builds and runs tests/consumer against it: find_package(nrxJobDb)
# and the exported symbols are what a program built elsewhere relies on.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmake -S tests/consumer -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer"
mkdir "$work/jobs"
"$work/consumer/consumer" "$work/jobs"
