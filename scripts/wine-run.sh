#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine with a prefix of its own:
# $VANDREL_WINEPREFIX, else "wineprefix" in the program's build folder, so
# nothing of the user's ~/.wine is used. Wine's own chatter is silenced.
set -euo pipefail
program="$1"
shift
if [[ -z "${VANDREL_WINEPREFIX:-}" ]]; then
  # The build folder is the nearest parent that holds CMakeCache.txt.
  dir="$(cd "$(dirname "$program")" && pwd)"
  while [[ "$dir" != "/" && ! -f "$dir/CMakeCache.txt" ]]; do
    dir="$(dirname "$dir")"
  done
  [[ "$dir" == "/" ]] && dir="${TMPDIR:-/tmp}"
  VANDREL_WINEPREFIX="$dir/wineprefix"
fi
export WINEPREFIX="$VANDREL_WINEPREFIX"
export WINEDEBUG=-all
# No Mono or Gecko download prompt, no menu entries written for the desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine links the prefix's user folders to $HOME and writes to the XDG
# folders: both point into the build folder, never at the user's own.
export HOME="$WINEPREFIX.home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache"
mkdir -p "$HOME"
# The first run makes the prefix; later runs wait for it instead of racing.
# The server then stays 30 seconds after its last program: a program that
# starts just as a short-lived server quits fails with "wine client error".
mkdir -p "$WINEPREFIX"
(
  flock 9
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    wine wineboot --init >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  wineserver -p30 >/dev/null 2>&1 9>&- || true
) 9>"$WINEPREFIX.lock"
exec wine "$program" "$@"
