#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format 14 makes of it with the
# committed .clang-format, and names the places. With --fix, formats them in place instead.
#
#   scripts/check-format.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."
format="${ZC_CLANG_FORMAT:-clang-format-14}"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
  "$format" -i "${files[@]}"
  exit 0
fi
if ! "$format" --dry-run -Werror "${files[@]}" 2>"${TMPDIR:-/tmp}/zc-format.$$"; then
  grep -E ': (warning|error): ' "${TMPDIR:-/tmp}/zc-format.$$" | sed 's/ \[-Wclang-format-violations\]//' | sort -u
  rm -f "${TMPDIR:-/tmp}/zc-format.$$"
  echo "clang-format: files differ from .clang-format; scripts/check-format.sh --fix formats them" >&2
  exit 1
fi
rm -f "${TMPDIR:-/tmp}/zc-format.$$"
echo "clang-format: ${#files[@]} files as .clang-format says"
