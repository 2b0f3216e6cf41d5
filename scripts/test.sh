#!/usr/bin/env bash
# Builds Vandrel with its tests and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default

# Language-file fuzzer: its own small clang build, run for a bounded time.
cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build/fuzz
./fuzz/run.sh 50
