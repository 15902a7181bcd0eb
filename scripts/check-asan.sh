#!/usr/bin/env bash
# Builds the project with the CMake preset "asan" (AddressSanitizer and
# UndefinedBehaviorSanitizer, in ./build-asan) and runs tests under them: a report stops the
# program, so the test fails. See cmake/sanitizers/README.md.
#
#   scripts/check-asan.sh          # the engine, recognition, tool and pure-core tests (CI)
#   scripts/check-asan.sh --all    # every test, the window and web tests included
#
# CI runs the first form beside the normal build and test run: the window and web tests
# would double the instrumented build and do not fit CI's time on two cores.
set -euo pipefail
cd "$(dirname "$0")/.."

# What CI runs under the sanitizers: everything that reads files or parses bytes (the Jet
# checks and walk, libmdb's rows, SQLite, the search index, LIKE, picture files and their
# limits, the region file, file names as bytes), our Jet writer, the recognition engines and
# the neural reader's pure parts (decoding, boxes), the ranking and the answer options,
# crvt-tool end to end, the component files, and the pure cores of capture (the window stack's
# pixel layouts, where the answer goes, the thumbnail), levelling and the war-soul evaluation.
tests=(
  tst_jetheader tst_jetwriter tst_jet3store tst_storereader tst_storesession tst_storelocation
  tst_sqliteimage tst_sqlitelike tst_searchindex tst_filename
  tst_ranker tst_options tst_ppocr tst_picture tst_recognition
  tst_crvttool tst_crvtrecognize tst_shippedstore tst_pinyin tst_tsv
  tst_windowstack tst_screenlayout tst_regionthumbnail tst_regionfile
  tst_components tst_levelling tst_evaluation
)

cmake --preset asan >/dev/null
if [ "${1:-}" = --all ]; then
  cmake --build --preset asan
  ctest --preset asan -j"$(nproc)"
else
  cmake --build --preset asan --target "${tests[@]}"
  ctest --preset asan -j"$(nproc)" -R "^($(IFS='|'; echo "${tests[*]}"))\$"
fi
