#!/usr/bin/env bash
# Loads the bash completions for levelseek and levelview as bash-completion
# would, and checks what they offer: an option, the form of --densest's
# value, file names after levelview's -o, each name one candidate, and
# nothing taken for an option after "--".
set -uo pipefail
source=$(cd "$1" && pwd)
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" && touch -- a.csv a.svg level.txt 'seed list.txt' 'x*' xa --x
source "$source/completion/levelseek"
source "$source/completion/levelview"

status=0
offers() {
  local expected=$1 function=$2
  shift 2
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  "$function"
  local offered
  offered=$(printf '[%s]' "${COMPREPLY[@]}")
  [[ $offered == "$expected" ]] || { echo "${COMP_WORDS[*]}: offered '$offered', not '$expected'"; status=1; }
}
offers "[--seeds-from]" _levelseek levelseek --seeds-f
offers "[--seeds][--seeds-from]" _levelseek levelseek --csv --see
offers "[40:]" _levelseek levelseek --densest 40
offers "[]" _levelseek levelseek 1000 -20
offers "[]" _levelseek levelseek -- --s
offers "[seed list.txt]" _levelseek levelseek --seeds-from se
offers "[x*]" _levelseek levelseek --seeds-from 'x*'
offers "[a.svg]" _levelview levelview -o a.s
offers "[--help]" _levelview levelview --h
offers "[--sheet]" _levelview levelview --sh
offers "[seed list.txt]" _levelview levelview se
offers "[--x]" _levelview levelview -- --x
exit $status
