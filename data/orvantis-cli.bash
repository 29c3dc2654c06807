# bash completion for orvantis-cli.
# The commands and options are read from the program's own --help, so the
# completion follows the installed version without a list of its own.

_orvantis_cli_help() {
  "$1" --help 2>/dev/null
}

_orvantis_cli() {
  local cur prev words cword
  _init_completion || return

  local help
  help=$(_orvantis_cli_help "${words[0]}")
  # Global options: help lines "  --name ..."; commands: help lines "  name ...".
  local globals commands
  globals=$(awk '/^  --[a-z]/ { print $1 }' <<<"$help")
  commands=$(awk '/^  [a-z]/ { print $1 }' <<<"$help")

  # The command word: the first word after the global options and their values.
  local i cmd=""
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      --trace | --help | --version) ;;
      --*=*) ;;
      --*) ((i++)) ;;
      *) cmd=${words[i]}; break ;;
    esac
  done

  case $prev in
    --sim) COMPREPLY=($(compgen -W "1 2 3 4" -- "$cur")); return ;;
    --bus) _filedir -d; return ;;
    --ca | -o | --sim-settings | --diag-file) _filedir; return ;;
    --pcb | --serial | --faults | --timing-ms | --server | --interval | --count | --time | --width | --core-date) return ;;
  esac

  if [[ -z $cmd ]]; then
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W "$globals" -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    fi
    return
  fi

  # The command's options, from its line in the help.
  local synopsis opts
  synopsis=$(awk -v c="$cmd" '/^  [a-z]/ && $1 == c' <<<"$help")
  opts=$(grep -oE -- '(^|[^a-z])-(-[a-z][a-z-]*|[a-z])' <<<"$synopsis" | grep -oE -- '-.*' | sort -u)
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$opts" -- "$cur"))
    return
  fi
  case $cmd in
    write | show | export | set | report | cyclogram | sync | apply)
      _filedir vesnar ;;
  esac
}
complete -F _orvantis_cli orvantis-cli
