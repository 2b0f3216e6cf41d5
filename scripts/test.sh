#!/usr/bin/env bash
# Builds Vandrel with its tests and runs every test suite: the Qt-free parts
# once more under AddressSanitizer and UBSan, the language-file fuzzer for a
# bounded time, the whole suite of the release build, and last the Windows
# build of the Qt-free parts (mingw-w64) with its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

# Sanitizer build of the Qt-free parts. The file above 4 GiB is left to the
# release run: its time goes to the kernel's copy, which ASan does not see.
cmake --preset debug >/dev/null
cmake --build --preset debug
ctest --preset debug -E LargeFileTest

# Language-file fuzzer: its own small clang build, run for a bounded time.
cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build/fuzz
./fuzz/run.sh 50

cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default

# Windows: cross-built, its tests run through Wine in a prefix of the build
# folder's own (scripts/wine-run.sh).
cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows
