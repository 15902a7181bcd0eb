#!/usr/bin/env bash
# Sets up what is missing, builds (the preset treats warnings as errors), and runs every test
# headless.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup-debian.sh"
"$here/build.sh"
build="${ZC_BUILD_DIR:-$here/../build}"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
