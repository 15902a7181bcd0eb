#!/usr/bin/env bash
# Configures with the CMake preset "default" (RelWithDebInfo, warnings as errors) and builds
# into ./build, or into $ZC_BUILD_DIR. Extra arguments go to the configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${ZC_BUILD_DIR:-build}"
cmake --preset default -B "$build" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
