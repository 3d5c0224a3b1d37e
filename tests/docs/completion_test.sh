#!/usr/bin/env bash
# The tool's bash completion, sourced as bash-completion sources it: command
# lines and what a tab at their end offers; and for the tool and each
# subcommand, the options offered are exactly those its --help lists.
# Run as: bash completion_test.sh COMPLETION_SCRIPT [EMULATOR...] TOOL
set -uo pipefail
completion=$1
shift
tool=("$@")  # the tool, after the emulator that runs it where the kernel cannot
tool[-1]=$(realpath "${tool[-1]}")
# shellcheck source=/dev/null
source "$completion"
failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch before.orvimg after.orvimg

# What a tab at the end of LINE offers, sorted, on one line. Words are
# split as bash splits them for completion: at blanks and around '='.
offered() {
  local line=${1//=/ = }
  read -ra COMP_WORDS <<<"$line"
  [[ $1 == *" " || $1 == *"=" ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _orvdb
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ *$//'
}

expect() {
  local got
  got=$(offered "$1")
  if [ "$got" != "$2" ]; then
    echo "FAILED: '$1' offers '$got', expected '$2'"
    failed=1
  fi
}

domains="drv lm mnt pa root sm"
files="after.orvimg before.orvimg"
expect "orvdb q" "query"
expect "orvdb query " "$domains"
expect "orvdb query d" "drv"
expect "orvdb query drv " ""
expect "orvdb query drv 0x1003 -s " ""
expect "orvdb query drv 0x1003 -s 28=" ""
expect "orvdb query drv 0x1003 -s 28=9 --js" "--json"
expect "orvdb query drv 0x1003 -s 28=9 " ""
expect "orvdb --image before.orvimg query " "$domains"
expect "orvdb query --image=before.orvimg " "$domains"
expect "orvdb --image " "$files"
expect "orvdb --image=b" "before.orvimg"
expect "orvdb dump --d" "--dot"
expect "orvdb dump --dot 0x1003 --all" "--all-leaves"
expect "orvdb explain --dot lm 0x2009 --a" "--all-leaves"
expect "orvdb ids " "$domains"
expect "orvdb ids drv " ""
expect "orvdb sweep pa 0x4002 --c" "--csv"
expect "orvdb diff " "$files"
expect "orvdb diff before.orvimg a" "after.orvimg"
expect "orvdb diff before.orvimg after.orvimg " ""

# The subcommands and options each --help lists.
help_options() {
  "${tool[@]}" "$@" --help | sed -n '/^Options:/,/^$/p' | grep -oE '^  -[^ ]+' | tr ',' '\n' |
    sed 's/^ *//' | sort -u | tr '\n' ' ' | sed 's/ *$//'
}
subcommands=$("${tool[@]}" --help | sed -n '/^Subcommands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }')
expect "orvdb " "$(echo "$subcommands" | sort | tr '\n' ' ' | sed 's/ *$//')"
global=$(help_options)
expect "orvdb -" "$global"
for sub in $subcommands; do
  want=$(echo "$global $(help_options "$sub")" | tr ' ' '\n' | sort -u | tr '\n' ' ' | sed 's/ *$//')
  expect "orvdb $sub -" "$want"
done

if [ $failed -ne 0 ]; then
  exit 1
fi
echo "completion: every line offers what it should"
