#!/usr/bin/env bash
# completion_test.sh COMPLETION_FILE CLI_FOLDER: what Tab offers for
# vandrel-cli command lines, through bash-completion's own functions.
set -uo pipefail
completion=$1
PATH=$2:$PATH
if [ ! -f /usr/share/bash-completion/bash_completion ]; then
  echo "bash-completion is not installed: skipped"
  exit 0
fi
source /usr/share/bash-completion/bash_completion
source "$completion"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
mkdir 'sub folder'
touch 'clip été.vd0' 'clip été.vd12' clip.vd clip.txt notes.vd1x

# offers LINE: the sorted completions of LINE with the cursor at its end.
offers() {
  COMP_LINE=$1
  COMP_POINT=${#COMP_LINE}
  read -ra COMP_WORDS <<<"$COMP_LINE"
  [[ $COMP_LINE == *' ' ]] && COMP_WORDS+=('')
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _vandrel_cli vandrel-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd'|'
}

failed=0
expect() {
  local got
  got=$(offers "$1")
  if [ "$got" != "$2" ]; then
    echo "FAILED: '$1' offers '$got', expected '$2'"
    failed=1
  else
    echo "ok: '$1' -> '$got'"
  fi
}

expect 'vandrel-cli sp' 'span-join|span-split|split'
expect 'vandrel-cli j' 'join'
expect 'vandrel-cli split --p' '--parts|--preset'
expect 'vandrel-cli join -' '--help|--output|--quiet'
expect 'vandrel-cli split --preset DV' 'DVD'
expect 'vandrel-cli split --preset 1' '1|10|11|12|128\ MB\ USB\ Key'
expect 'vandrel-cli split --preset Fl' 'Floppy\ Disk\ \(1.39\ MB\)'
expect 'vandrel-cli join ' 'clip été.vd0|clip été.vd12|sub folder'
expect 'vandrel-cli split --size 1m -o ' 'sub folder'
expect 'vandrel-cli split c' 'clip été.vd0|clip été.vd12|clip.txt|clip.vd'
exit $failed
