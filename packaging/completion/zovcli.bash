# bash completion for zovcli.
#
# The commands, their sub-commands and options and the global options are read from
# "zovcli --help" of the program being completed, and the function names of "zovcli call" from
# "zovcli functions", so that a command added to zovcli is completed without a change here. What
# the help text cannot say is kept below: which files each command takes.

# Which files a FILE, IN or OUT argument takes, by command (a placeholder such as FILE.hex names
# its own extension). Commands missing here take any file.
declare -gA _zovcli_file_ext=(
  [script]=lua
  [config]=cfg
  [download]=hex
  [hex]=hex
)

# Reads the help text and the function names of program once per shell and program.
_zovcli_load() {
  local program=$1
  [[ $program == "${_zovcli_loaded_for-}" ]] && return 0
  _zovcli_help=$("$program" --help 2>/dev/null) || _zovcli_help=
  _zovcli_functions=$("$program" functions 2>/dev/null |
    sed -n 's/^\([A-Za-z_][A-Za-z0-9_]*\)(.*$/\1/p')
  _zovcli_loaded_for=$program
}

# The lines of one section ("options:" or "commands:") of the help text.
_zovcli_section() {
  printf '%s\n' "$_zovcli_help" | awk -v head="$1" '
    $0 == head { inside = 1; next }
    inside && /^[^ ]/ { inside = 0 }
    inside && NF { print }'
}

# The global options, one a line: "--port NAME", "--yes", ...
_zovcli_global_options() {
  _zovcli_section options: | sed -n 's/^  \(--[a-z-]*\)\( [A-Z][A-Z]*\)\{0,1\}.*/\1\2/p'
}

# The command names.
_zovcli_commands() {
  _zovcli_section commands: | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p'
}

# The call form of one command: the words after its name, up to its summary.
_zovcli_form() {
  _zovcli_section commands: | awk -v name="$1" '
    $1 == name && substr($0, 1, 3) != "   " {
      line = substr($0, 3 + length(name) + 1)
      sub(/  .*/, "", line)
      print line
      exit
    }'
}

# The alternatives of a call form ("show FILE | check FILE"), one a line, without brackets.
_zovcli_alternatives() {
  printf '%s\n' "$1" | tr -d '[]' | sed 's/ | /\n/g'
}

# The sub-commands of a command: the lower-case first words of its alternatives.
_zovcli_subcommands() {
  _zovcli_alternatives "$(_zovcli_form "$1")" | awk '$1 ~ /^[a-z][a-z-]*$/ { print $1 }'
}

# The options of one alternative (or of all): "--verify", "--out FILE", ...
_zovcli_command_options() {
  printf '%s\n' "$1" | tr -d '[]' | tr '|' '\n' | tr ' ' '\n' |
    awk '/^--/ { if (option) print option; option = $0; next }
         option && /^[A-Z][A-Z.]*$/ { print option " " $0; option = ""; next }
         { if (option) print option; option = "" }
         END { if (option) print option }'
}

# Offers the files of cur with extension ext (all files when ext is empty), and folders.
_zovcli_files() {
  local ext=$1 cur=$2
  compopt -o filenames 2>/dev/null
  if [[ -n $ext ]]; then
    COMPREPLY+=($(compgen -d -- "$cur") $(compgen -f -X "!*.$ext" -- "$cur"))
  else
    COMPREPLY+=($(compgen -f -- "$cur"))
  fi
}

# Port names for --port: COM1 to COM4 and the USB serial adapters plugged in now.
_zovcli_ports() {
  printf '%s\n' COM1 COM2 COM3 COM4
  local device
  for device in /dev/ttyUSB* /dev/ttyACM*; do
    [[ -e $device ]] && printf '%s\n' "${device#/dev/}"
  done
}

_zovcli() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD-1]}
  COMPREPLY=()
  _zovcli_load "${COMP_WORDS[0]}"
  local IFS=$'\n'

  # The global options come before the command; find the command word.
  local global_options i=1 command='' word option
  global_options=$(_zovcli_global_options)
  while ((i < COMP_CWORD)); do
    word=${COMP_WORDS[i]}
    if [[ $word == -* ]]; then
      option=$(printf '%s\n' "$global_options" | awk -v o="$word" '$1 == o')
      [[ $option == *' '* ]] && ((i++))
      ((i++))
      continue
    fi
    command=$word
    break
  done

  if [[ -z $command ]]; then
    option=$(printf '%s\n' "$global_options" | awk -v o="$prev" '$1 == o')
    if ((COMP_CWORD > 1)) && [[ $option == *' '* ]]; then
      case $prev in
        --settings) _zovcli_files reg "$cur" ;;
        --port)
          COMPREPLY=($(compgen -W "$(_zovcli_ports)" -- "$cur"))
          _zovcli_files '' "$cur"
          ;;
      esac
      return 0
    fi
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W "$(printf '%s\n' "$global_options" | cut -d' ' -f1)" -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$(_zovcli_commands)" -- "$cur"))
    fi
    return 0
  fi

  # After the command: its sub-command, then its options and arguments.
  local form subcommands alternative='' sub='' words_after=()
  form=$(_zovcli_form "$command")
  subcommands=$(_zovcli_subcommands "$command")
  ((i++))
  if [[ -n $subcommands ]]; then
    if ((i == COMP_CWORD)); then
      COMPREPLY=($(compgen -W "$subcommands" -- "$cur"))
      return 0
    fi
    sub=${COMP_WORDS[i]}
    alternative=$(_zovcli_alternatives "$form" | awk -v s="$sub" '$1 == s')
    ((i++))
  else
    alternative=$(_zovcli_alternatives "$form" | head -n 1)
  fi

  local options
  options=$(_zovcli_command_options "${alternative:-$form}")
  option=$(printf '%s\n' "$options" | awk -v o="$prev" '$1 == o')
  if ((COMP_CWORD - 1 >= i)) && [[ $option == *' '* ]]; then
    [[ $option == *FILE* ]] && _zovcli_files '' "$cur"
    return 0
  fi
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(printf '%s\n' "$options" | cut -d' ' -f1)" -- "$cur"))
    return 0
  fi

  # The placeholder of the argument being typed: count the arguments before it, without the
  # options and their values.
  local position=0
  while ((i < COMP_CWORD)); do
    word=${COMP_WORDS[i]}
    if [[ $word == -* ]]; then
      option=$(printf '%s\n' "$options" | awk -v o="$word" '$1 == o')
      [[ $option == *' '* ]] && ((i++))
    else
      ((position++))
    fi
    ((i++))
  done
  local placeholders placeholder
  placeholders=($(printf '%s\n' "${alternative:-$form}" | tr -d '[]' | tr ' ' '\n' |
    awk 'NR == 1 && /^[a-z]/ { next } /^--/ { skip = 1; next }
         skip && /^[A-Z]/ { skip = 0; next } { skip = 0 } /^[A-Z]/ { print }'))
  placeholder=${placeholders[position]-}
  [[ -z $placeholder ]] && placeholder=${placeholders[${#placeholders[@]}-1]-}

  case $placeholder in
    NAME)
      [[ $command == call ]] && COMPREPLY=($(compgen -W "$_zovcli_functions" -- "$cur")) ;;
    ARG...)
      # A script's own arguments are often files; a function's inputs are numbers or texts.
      [[ $command == script ]] && _zovcli_files '' "$cur" ;;
    *.*)
      _zovcli_files "${placeholder##*.}" "$cur" ;;
    FILE | IN)
      _zovcli_files "${_zovcli_file_ext[$command]-}" "$cur" ;;
    OUT)
      _zovcli_files '' "$cur" ;;
  esac
  return 0
}

complete -F _zovcli zovcli
