#!/usr/bin/env bash
# Builds Vandrel and runs its main job. Until the window exists this is a
# demonstration with the command-line tool: a generated file is split into
# parts and joined back, and the result is compared byte for byte.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

cli=build/default/src/cli/vandrel-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/parts" "$work/joined"

echo "Command-line demonstration (the window comes later): split and join a generated file."
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
