#!/usr/bin/env bash
# Sets up, builds and runs the sample job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh --target njb
exec "${BUILD_DIR:-build}/tools/njb/njb" sample "$@"
