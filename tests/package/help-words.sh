# Reads a program's --help text into lists for the checks (sourced, not run):
#   help_commands     zovcli's commands, one a line
#   help_subcommands  "command sub" pairs, one a line
#   help_options      every --option the text names, one a line
# Usage: help_read PROGRAM
help_read() {
  local text
  text=$("$1" --help) || { echo "FAIL: $1 --help exited with $?"; return 1; }
  help_options=$(printf '%s\n' "$text" | grep -o -- '--[a-z][a-z-]*' | sort -u)
  local commands
  commands=$(printf '%s\n' "$text" | awk '/^commands:/ { inside = 1; next }
                                          inside && /^[^ ]/ { inside = 0 }
                                          inside && /^  [a-z]/ { print }')
  help_commands=$(printf '%s\n' "$commands" | awk 'NF { print $1 }')
  # The first lower-case word of each alternative of a call form is a sub-command.
  help_subcommands=$(printf '%s\n' "$commands" | awk '{
      form = substr($0, 3); sub(/  .*/, "", form); name = $1
      form = substr(form, length(name) + 2); gsub(/[][]/, "", form)
      n = split(form, alternatives, / \| /)
      for (i = 1; i <= n; i++) {
        split(alternatives[i], words, " ")
        if (words[1] ~ /^[a-z][a-z-]*$/) print name " " words[1]
      }
    }')
}
