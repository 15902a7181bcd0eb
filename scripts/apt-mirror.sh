#!/usr/bin/env bash
# Prints the Debian archive this machine's apt takes bookworm from: the first enabled "deb"
# source whose suites include bookworm itself (not bookworm-updates or bookworm-security), in
# the order apt reads its sources: /etc/apt/sources.list, then the files of
# /etc/apt/sources.list.d/ in name order, one-line ".list" files and deb822 ".sources" files
# alike (files with other endings are ignored, as apt ignores them). Fails, saying so, when
# there is none.
#
#   scripts/apt-mirror.sh [APT_ETC]      # APT_ETC: the folder to read instead of /etc/apt
set -euo pipefail
etc="${1:-/etc/apt}"
suite="bookworm"

# One-line format: deb [option=value ...] URI SUITE COMPONENT...
from_list() {
  awk -v suite="$suite" '
    { sub(/#.*/, "") }
    $1 != "deb" { next }
    {
      i = 2
      if ($i ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
      if ($(i + 1) == suite) { print $i; exit }
    }' "$1"
}

# deb822 format: stanzas of "Field: value" lines separated by blank lines; Types, URIs and
# Suites may list several values, and "Enabled: no" turns a stanza off.
from_sources() {
  awk -v suite="$suite" '
    function stanza_end() {
      if (types ~ /(^| )deb( |$)/ && enabled != "no" && (" " suites " ") ~ (" " suite " ") && uris != "") {
        split(uris, u, " "); print u[1]; found = 1; exit
      }
      types = ""; uris = ""; suites = ""; enabled = ""
    }
    /^[ \t]*#/ { next }
    /^[ \t]*$/ { stanza_end(); next }
    /^[ \t]/ { next }                     # a continuation line (Signed-By keys)
    {
      field = tolower($1); sub(/:$/, "", field)
      value = $0; sub(/^[^:]*:[ \t]*/, "", value); gsub(/[ \t]+/, " ", value)
      if (field == "types") types = value
      else if (field == "uris") uris = value
      else if (field == "suites") suites = value
      else if (field == "enabled") enabled = tolower(value)
    }
    END { if (!found) stanza_end() }' "$1"
}

files=()
[ -f "$etc/sources.list" ] && files+=("$etc/sources.list")
if [ -d "$etc/sources.list.d" ]; then
  while IFS= read -r f; do files+=("$f"); done < <(
    find "$etc/sources.list.d" -maxdepth 1 -type f \( -name '*.list' -o -name '*.sources' \) | LC_ALL=C sort)
fi
for f in "${files[@]}"; do
  case "$f" in
    *.sources) mirror="$(from_sources "$f")" ;;
    *) mirror="$(from_list "$f")" ;;
  esac
  if [ -n "$mirror" ]; then
    echo "${mirror%/}"
    exit 0
  fi
done
echo "no enabled deb source for $suite in $etc/sources.list or $etc/sources.list.d/" >&2
exit 1
