#!/usr/bin/env bash
# Builds Vandrel and its Debian package: build/default/vandrel_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
cd build/default
cpack -G DEB
ls -l "$PWD"/vandrel_*.deb
