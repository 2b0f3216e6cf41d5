#!/usr/bin/env bash
# Takes the README's picture of the main window: builds Vandrel, starts a
# virtual X server (Xvfb) and photographs the real window in it.
# Usage: scripts/screenshot.sh [OUTPUT.png [WINDOW [LANGUAGE]]]
#   OUTPUT.png  default docs/main-window.png
#   WINDOW      split (default), rebuild, diskspan, about or settings
#   LANGUAGE    a language code in hexadecimal, such as 40C for French
set -euo pipefail
cd "$(dirname "$0")/.."

output=${1:-docs/main-window.png}
shift || true
./scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target vandrel-screenshot vandrel_language_files
mkdir -p "$(dirname "$output")"
QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -dpi 96" \
  build/default/src/app/vandrel-screenshot "$output" "$@"
echo "Screenshot: $output"
