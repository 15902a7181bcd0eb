#!/usr/bin/env bash
# Runs clang-tidy 14 with the checked-in .clang-tidy over every C++ source of the project that
# the build compiles (as compile_commands.json lists it), and over the project's headers they
# include. Generated files (moc, resources, the pinyin table) are left out. Fails on any
# finding. Needs a configured and built tree (generated headers): ./build, or $ZC_BUILD_DIR.
#
#   scripts/check-tidy.sh [FILE...]     # FILE: sources to check instead of all of them
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
cd "$src"
build="$(realpath -m "${ZC_BUILD_DIR:-build}")"
tidy="${ZC_CLANG_TIDY:-clang-tidy-14}"
db="$build/compile_commands.json"
[ -f "$db" ] || { echo "no $db: configure and build first (scripts/build.sh)" >&2; exit 1; }

if [ $# -gt 0 ]; then
  files=("$@")
else
  # Every tracked source the build compiles; a source of a target that is not configured (the
  # fuzz target without ZC_FUZZ) has no entry and is named as skipped.
  files=()
  skipped=()
  while IFS= read -r f; do
    if grep -qF "\"file\": \"$src/$f\"" "$db"; then files+=("$f"); else skipped+=("$f"); fi
  done < <(git ls-files '*.cpp')
  [ ${#skipped[@]} -eq 0 ] || echo "clang-tidy: not in this build, not checked: ${skipped[*]}"
fi

# Headers under the project's own folders only: not the build tree's moc output, not Qt's.
filter="^$src/(app|bench|levelling|links|lookup|shared|tests|tools|warsoul)/"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
jobs="${ZC_JOBS:-$(nproc)}"
echo "clang-tidy: ${#files[@]} sources, $jobs at a time"
status=0
printf '%s\n' "${files[@]}" | xargs -P "$jobs" -I{} sh -c \
  '"$1" -p "$2" --quiet --extra-arg=-Wno-unknown-warning-option --header-filter="$3" "$4" >"$5/$(echo "$4" | tr / _).log" 2>&1 ||
   echo "$4" >>"$5/failed"' sh "$tidy" "$build" "$filter" {} "$out" || status=1
if [ -s "$out/failed" ] || [ $status -ne 0 ]; then
  # Each finding once, though a header is checked with every source that includes it; a source
  # that failed without a finding (it did not compile) shows the end of its output instead.
  cat "$out"/*.log | grep -E '^[^ ].*: (warning|error): ' | sort -u || true
  while IFS= read -r f; do
    log="$out/$(echo "$f" | tr / _).log"
    grep -qE ': (warning|error): ' "$log" || { echo "== $f"; tail -20 "$log"; }
  done < <(sort -u "$out/failed" 2>/dev/null)
  echo "clang-tidy: findings in $(sort -u "$out/failed" 2>/dev/null | wc -l) sources" >&2
  exit 1
fi
echo "clang-tidy: no findings"
