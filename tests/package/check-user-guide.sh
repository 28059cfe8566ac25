#!/usr/bin/env bash
# The user guide: every picture it shows is there, every link inside it leads to a heading, and
# the command table of its zovcli section has a row for every command and sub-command of
# zovcli --help, so that a command added to zovcli cannot be left out of the guide.
# Usage: check-user-guide.sh GUIDE.md IMAGE_FOLDER GUIDE.html_OR_MISSING ZOVCLI
set -uo pipefail
guide=$1 images=$2 html=$3 zovcli=$4
. "$(dirname "$0")/help-words.sh"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[[ -f $guide ]] || { echo "FAIL: $guide is missing"; exit 1; }

# The pictures of the Markdown text, in the source folder.
pictures=$(grep -o -E '\]\(images/[^)]+\)' "$guide" | sed -E 's/^\]\(images\///; s/\)$//' | sort -u)
[[ -n $pictures ]] || fail "the guide shows no pictures; the reading of it is broken"
for picture in $pictures; do
  [[ -f $images/$picture ]] || fail "the guide shows images/$picture, which $images lacks"
done

# The page built from it: its pictures beside it, its links to its own headings.
if [[ -f $html ]]; then
  folder=$(dirname "$html")
  for picture in $(grep -o 'src="[^"]*"' "$html" | sed 's/^src="//; s/"$//' | sort -u); do
    [[ -f $folder/$picture ]] || fail "user-guide.html shows $picture, which is not beside it"
  done
  ids=$(grep -o 'id="[^"]*"' "$html" | sed 's/^id="//; s/"$//')
  for target in $(grep -o 'href="#[^"]*"' "$html" | sed 's/^href="#//; s/"$//' | sort -u); do
    grep -q -x -F -e "$target" <<<"$ids" || fail "user-guide.html links to #$target, which no heading has"
  done
else
  echo "note: $html was not built; its pictures and links are not checked"
fi

# The command table of "The command line" section: the code spans of its first column.
entries=$(awk '/^## The command line/ { inside = 1; next }
               inside && /^## / { inside = 0 }
               inside && /^\| `/ { split($0, cells, "|"); print cells[2] }' "$guide" |
          grep -o '`[^`]*`' | tr -d '`')
[[ -n $entries ]] || fail "the guide has no zovcli command table"
help_read "$zovcli" || exit 1
for command in $help_commands; do
  grep -q -E "^$command( |$)" <<<"$entries" || fail "the guide's zovcli table has no row for $command"
done
while read -r command sub; do
  [[ -n $command ]] || continue
  grep -q -E "^$command $sub( |$)" <<<"$entries" || fail "the guide's zovcli table has no row for $command $sub"
done <<<"$help_subcommands"

if ((failures > 0)); then
  echo "$failures failures"
  exit 1
fi
echo "user guide: $(wc -w <<<"$pictures") pictures, $(wc -w <<<"$help_commands") commands, $(wc -l <<<"$help_subcommands") sub-commands checked"
