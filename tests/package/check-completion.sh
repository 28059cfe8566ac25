#!/usr/bin/env bash
# The bash completion of zovcli offers every command, sub-command and option of zovcli --help
# where it belongs, every function name of zovcli functions after "call", and the files of the
# right extension for each file argument.
# Usage: check-completion.sh COMPLETION_FILE ZOVCLI
set -uo pipefail
completion=$1 zovcli=$2
. "$(dirname "$0")/help-words.sh"
. "$completion"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# complete WORD... : the offers for the last word, one a line.
complete_words() {
  COMP_WORDS=("$zovcli" "$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _zovcli
  printf '%s\n' "${COMPREPLY[@]}"
}

expect_offer() {  # expect_offer WANTED WORD...
  local wanted=$1
  shift
  complete_words "$@" | grep -x -F -e "$wanted" >/dev/null || fail "zovcli $* <TAB> does not offer $wanted"
}

expect_exactly() {  # expect_exactly "A B" WORD...
  local wanted=$1 got
  shift
  got=$(complete_words "$@" | sort | tr '\n' ' ')
  [[ $got == "$(tr ' ' '\n' <<<"$wanted" | sort | tr '\n' ' ')" ]] ||
    fail "zovcli $* <TAB> offers \"$got\", not \"$wanted \""
}

help_read "$zovcli" || exit 1
for command in $help_commands; do
  expect_offer "$command" ""
done
while read -r command sub; do
  [[ -n $command ]] && expect_offer "$sub" "$command" ""
done <<<"$help_subcommands"

# Every option where it is used: the global ones before the command, a command's own after it.
help_text=$("$zovcli" --help)
global=$(awk '/^options:/ { inside = 1; next } inside && /^[^ ]/ { inside = 0 }
              inside' <<<"$help_text" | grep -o -E '^  --[a-z-]+' | tr -d ' ')
for option in $global; do
  expect_offer "$option" --
done
commands_part=$(awk '/^commands:/ { inside = 1; next } inside && /^[^ ]/ { inside = 0 }
                     inside && /^  [a-z]/' <<<"$help_text")
while read -r line; do
  command=$(awk '{ print $1 }' <<<"$line")
  sub=$(grep -x -F "$command $(awk '{ print $2 }' <<<"$line")" <<<"$help_subcommands" | awk '{ print $2 }')
  # Sub-commands with options of their own (config convert) are checked through each one.
  for alternative in $(sed 's/  .*//; s/ | /\n/g' <<<"${line#*"$command" }" | tr ' ' '_'); do
    alternative=${alternative//_/ }
    first=$(awk '{ print $1 }' <<<"$alternative")
    words=("$command")
    [[ -n $sub && $first =~ ^[a-z] ]] && words+=("$first")
    for option in $(grep -o -E -- '--[a-z][a-z-]*' <<<"$alternative"); do
      expect_offer "$option" "${words[@]}" x --
    done
  done
done <<<"$commands_part"

# Function names after "call".
functions=$("$zovcli" functions | sed -n 's/^\([A-Za-z_][A-Za-z0-9_]*\)(.*/\1/p')
[[ $(wc -l <<<"$functions") -ge 60 ]] || fail "zovcli functions lists fewer than 60 functions"
offered=$(complete_words call "" | sort)
missing=$(comm -23 <(sort <<<"$functions") <(printf '%s\n' "$offered"))
[[ -z $missing ]] || fail "zovcli call <TAB> misses $(tr '\n' ' ' <<<"$missing")"
expect_exactly "ZelVerGetHighestPossibleIndex ZelVerGetComponentVersion" call ZelVer

# Files by extension, folders always.
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" && touch run.lua image.hex setup.cfg notes.txt && mkdir saved
expect_exactly "run.lua saved" script ""
expect_exactly "image.hex saved" download ""
expect_exactly "image.hex saved" hex info ""
expect_exactly "setup.cfg saved" config show ""
expect_exactly "setup.cfg saved" config convert ""
expect_exactly "image.hex notes.txt run.lua saved setup.cfg" config convert setup.cfg ""
expect_exactly "image.hex notes.txt run.lua saved setup.cfg" flash read 0 16 --out ""
expect_exactly "" call ZelCmdPrepare ""
expect_offer call --port /tmp/zovsim --trace wef ""

if ((failures > 0)); then
  echo "$failures failures"
  exit 1
fi
echo "completion: $(wc -w <<<"$help_commands") commands, $(wc -l <<<"$functions") functions checked"
