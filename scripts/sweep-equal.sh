#!/usr/bin/env bash
# Shows that two builds answer alike: sweeps every id of every domain with
# two `orvdb` tools (say, main's and a branch's) and compares the rows. A
# sweep lists rows in the order the id's tree tells combinations apart, so
# rows are compared sorted: a change of item order alone leaves them equal.
#
#   scripts/sweep-equal.sh BASE_TOOL NEW_TOOL
#
# Prints one line per domain with its ids and rows, then "same rows" and
# exits 0, or prints the differences and exits 1.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BASE_TOOL NEW_TOOL" >&2
  exit 2
fi
base=$1
new=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
for domain in root drv lm mnt pa sm; do
  "$base" ids "$domain" | awk '{print $2}' >"$work/base_ids"
  "$new" ids "$domain" | awk '{print $2}' >"$work/new_ids"
  if ! diff -u "$work/base_ids" "$work/new_ids" >"$work/ids.diff"; then
    echo "$domain: the id lists differ"
    cat "$work/ids.diff"
    status=1
    continue
  fi
  rows=0
  while read -r id; do
    for side in base new; do
      tool=$base
      [ "$side" = new ] && tool=$new
      # What the sweep held fixed goes to stderr with --csv; only rows are compared.
      "$tool" sweep "$domain" "$id" --csv >"$work/raw" 2>/dev/null || true
      { head -n 1 "$work/raw"; tail -n +2 "$work/raw" | LC_ALL=C sort; } >"$work/$side"
    done
    if ! diff -u "$work/base" "$work/new" >"$work/rows.diff"; then
      echo "$domain $id: the rows differ"
      head -n 40 "$work/rows.diff"
      status=1
    fi
    rows=$((rows + $(wc -l <"$work/new") - 1))
  done <"$work/new_ids"
  echo "$domain: $(wc -l <"$work/new_ids") ids, $rows rows"
done
if [ $status -eq 0 ]; then
  echo "same rows"
fi
exit $status
