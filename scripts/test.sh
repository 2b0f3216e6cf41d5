#!/usr/bin/env bash
# Builds Vandrel with its tests and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default
