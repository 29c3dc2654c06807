#!/usr/bin/env bash
# The bash completion of orvantis-cli, driven as bash drives it on Tab.
# usage: check_completion.sh COMPLETION_FILE CLI_PROGRAM
set -uo pipefail
lib=/usr/share/bash-completion/bash_completion
[[ -r $lib ]] || { echo "SKIP: bash-completion is not installed"; exit 77; }
source "$lib"
source "$1"
cli=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
touch "$tmp/unit.vesnar" "$tmp/notes.txt"
mkdir "$tmp/folder"
cd "$tmp"

complete_line() {  # complete_line WORD... : completes the last word
  COMP_WORDS=("$cli" "$@")
  COMP_CWORD=$#
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _orvantis_cli
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}

fail=0
expect() {  # expect WHAT GOT WANTED [NOT-WANTED]
  if [[ " $2" == *" $3 "* && ( -z ${4:-} || " $2" != *" $4 "* ) ]]; then echo "ok: $1"
  else echo "FAILED: $1: got '$2'"; fail=1; fi
}
expect "commands" "$(complete_line re)" "read"
expect "commands after global options" "$(complete_line --sim 3 fa)" "factory-reset"
expect "global options" "$(complete_line --ti)" "--timing-ms"
expect "simulated models" "$(complete_line --sim '')" "4"
expect "command options" "$(complete_line --sim 3 read -)" "-o"
expect "settings files for write" "$(complete_line write '')" "unit.vesnar" "notes.txt"
expect "settings files for show" "$(complete_line show u)" "unit.vesnar"
exit $fail
