#!/usr/bin/env bash
# Sets up what is missing, checks the formatting, builds (the preset treats warnings as
# errors), runs every test headless, runs the engine, recognition, tool and pure-core tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer, and runs clang-tidy over the
# sources; it stops at the first that fails, the quickest first. Each check is a script of its
# own (scripts/check-*.sh).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
step() { printf '\n== %s (%s)\n' "$*" "$(date +%T)"; }
"$here/setup-debian.sh"
step "format"
"$here/check-format.sh"
step "build"
"$here/build.sh"
build="${ZC_BUILD_DIR:-$here/../build}"
step "tests"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
step "sanitizers"
"$here/check-asan.sh"
step "clang-tidy"
"$here/check-tidy.sh"
step "all checks passed"
