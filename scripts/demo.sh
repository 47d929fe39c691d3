#!/usr/bin/env bash
# Sets up, builds and runs the demo: the life of a job from creation to a version update.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh --target njb
exec "${BUILD_DIR:-build}/tools/njb/njb" demo "$@"
