#!/usr/bin/env bash
# Sets up what is missing, builds, and starts the program with the shipped store.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup-debian.sh"
"$here/build.sh"
build="${ZC_BUILD_DIR:-$here/../build}"
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
exec "$build/bin/zembrik-corvanth"
