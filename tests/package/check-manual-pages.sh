#!/usr/bin/env bash
# The manual pages render without a warning, and each names every option of its program's
# --help; zovcli.1 also has an entry for every command and sub-command of zovcli --help, so that
# a command added to zovcli cannot be left out of its page.
# Usage: check-manual-pages.sh MAN_FOLDER ZOVCLI ZOVTOOL_OR_EMPTY ZOV_BOARDSIM
set -uo pipefail
man_folder=$1 zovcli=$2 zovtool=$3 boardsim=$4
. "$(dirname "$0")/help-words.sh"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

render() { MANWIDTH=200 man -E ascii -l "$1" 2>/dev/null; }

check_page() {
  local page=$1 program=$2 warnings option
  warnings=$(groff -ww -z -man "$page" 2>&1)
  [[ -z $warnings ]] || fail "groff warns about $page: $warnings"
  warnings=$(MANWIDTH=80 man --warnings -E ascii -l "$page" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "man warns about $page: $warnings"
  [[ -n $program ]] || return 0
  help_read "$program" || { failures=$((failures + 1)); return; }
  local text
  text=$(render "$page")
  for option in $help_options; do
    grep -q -e "$option" <<<"$text" || fail "$(basename "$page") does not name $option"
  done
}

for page in zovcli zovtool zov-boardsim; do
  [[ -f $man_folder/$page.1 ]] || fail "$man_folder/$page.1 is missing"
done
check_page "$man_folder/zovcli.1" "$zovcli"
check_page "$man_folder/zovtool.1" "$zovtool"
check_page "$man_folder/zov-boardsim.1" "$boardsim"

# zovcli.1: an entry (a tag line of COMMANDS) per command and per sub-command.
help_read "$zovcli" || exit 1
entries=$(render "$man_folder/zovcli.1" | awk '/^COMMANDS/ { inside = 1; next }
                                              inside && /^[A-Z]/ { inside = 0 }
                                              inside && /^       [a-z]/ { print substr($0, 8) }')
for command in $help_commands; do
  grep -q -E "^$command( |$)" <<<"$entries" || fail "zovcli.1 has no entry for the command $command"
done
while read -r command sub; do
  [[ -n $command ]] || continue
  grep -q -E "^$command $sub( |$)" <<<"$entries" ||
    fail "zovcli.1 has no entry for the command $command $sub"
done <<<"$help_subcommands"
count=$(wc -w <<<"$help_commands")
[[ $count -ge 5 ]] || fail "zovcli --help lists only $count commands; the reading of it is broken"

# zov-boardsim.1: every fault of the help text's fault list.
faults=$("$boardsim" --help | awk '/^Faults:/ { inside = 1 } inside' |
         grep -o -E '(^|[ ,;:] ?)[a-z][a-z-]+ \(' | grep -o -E '[a-z][a-z-]+')
[[ -n $faults ]] || fail "no faults found in zov-boardsim --help"
text=$(render "$man_folder/zov-boardsim.1")
for fault in $faults; do
  grep -q -E "^       $fault( |$)" <<<"$text" || fail "zov-boardsim.1 does not describe the fault $fault"
done

if ((failures > 0)); then
  echo "$failures failures"
  exit 1
fi
echo "manual pages: $(wc -w <<<"$help_commands") commands, $(wc -l <<<"$help_subcommands") sub-commands, $(wc -w <<<"$help_options") zovcli options checked"
