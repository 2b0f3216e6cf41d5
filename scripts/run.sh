#!/usr/bin/env bash
# Builds Vandrel and opens its window. Without a display (no X11 or Wayland
# session, as on a server or in CI) it says so and shows the same split and
# join with the command-line tool instead: a generated file is cut into
# parts, joined back, and the result compared byte for byte.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "Opening the Vandrel window."
  exec build/default/src/app/vandrel "$@"
fi

cli=build/default/src/cli/vandrel-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/parts" "$work/joined"

echo "No display available (neither DISPLAY nor WAYLAND_DISPLAY is set): the window cannot open."
echo "Running the command-line demonstration instead: split and join a generated file."
head -c 25000000 /dev/urandom > "$work/holiday film.avi"
"$cli" split "$work/holiday film.avi" -o "$work/parts" --size 7m
ls -l "$work/parts"
"$cli" join "$work/parts/holiday film.avi.vd0" -o "$work/joined"
if cmp "$work/holiday film.avi" "$work/joined/holiday film.avi"; then
  echo "The joined file is identical to the original, byte for byte."
else
  echo "The joined file differs from the original." >&2
  exit 1
fi
