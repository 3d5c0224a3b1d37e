#!/usr/bin/env bash
# The manual pages as man shows them: both render without a warning (the
# check lintian makes); orvdb(1) lists every subcommand and every option
# that the tool's --help lists; orvdb(3) gives every result code of the
# header with its value, and names the six functions.
# Run as: bash manual_pages_test.sh MAN_FOLDER HEADER [EMULATOR...] TOOL
set -uo pipefail
man_dir=$1
header=$2
shift 2
tool=("$@")  # the tool, after the emulator that runs it where the kernel cannot
if ! command -v man >/dev/null; then
  echo "man is not installed (Debian package man-db): the pages are built, not rendered"
  exit 77
fi
failed=0
fail() {
  echo "FAILED: $*"
  failed=1
}

for page in "$man_dir/orvdb.1" "$man_dir/orvdb.3"; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page") renders with warnings: $warnings"
done
render() { LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$1" 2>/dev/null | col -b; }

tool_page=$(render "$man_dir/orvdb.1")
help_words() {
  "${tool[@]}" "$@" --help | sed -n '/^Options:/,/^$/p' | grep -oE '^  -[^ ]+' | tr ',' '\n'
}
subcommands=$("${tool[@]}" --help | sed -n '/^Subcommands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }')
for sub in $subcommands; do
  grep -qE "^ +$sub( |$)" <<<"$tool_page" || fail "orvdb(1) has no section for $sub"
  for option in $(help_words "$sub"); do
    grep -qE "(^|[ ,])$option([ ,]|$)" <<<"$tool_page" || fail "orvdb(1) does not list $sub $option"
  done
done
for option in $(help_words); do
  grep -qE "(^|[ ,])$option([ ,]|$)" <<<"$tool_page" || fail "orvdb(1) does not list $option"
done

api_page=$(render "$man_dir/orvdb.3")
while read -r name value; do
  value=${value//[()]/}
  grep -qF "$name ($value)" <<<"$api_page" || fail "orvdb(3) does not give $name ($value)"
done < <(sed -nE 's/^#define (DB_[A-Z_]+) +(\(?-?[0-9]+\)?).*/\1 \2/p' "$header")
for domain in Root Drv LM Mnt PA SM; do
  grep -q "ORV_Access${domain}DataBase" <<<"$api_page" || fail "orvdb(3) does not name ORV_Access${domain}DataBase"
done

[ $failed -eq 0 ] || exit 1
echo "manual pages: render without warnings, list every option and result code"
