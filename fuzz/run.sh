#!/usr/bin/env bash
# Runs the fuzzers for a bounded time each (seconds, default 50): the
# language-file fuzzer over a scratch copy of its seed corpus, then the
# product-identity fuzzer over generated PE and ELF images. A crash fails
# the run; the input is left in build/fuzz/artifacts/ — for the language
# files, copy it into tests/localization/fuzz_fixtures/ once the fault is
# mended, so the regression test keeps replaying it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-50}"
build=build/fuzz
mkdir -p "$build/artifacts"
export TMPDIR="$(mktemp -d)"
trap 'rm -rf "$TMPDIR"' EXIT
# The identity routines read the registry hive and desktop entries: point
# them at the scratch folder, never at the user's own.
export HOME="$TMPDIR/home" XDG_CONFIG_HOME="$TMPDIR/config" XDG_DATA_HOME="$TMPDIR/data" \
  XDG_CACHE_HOME="$TMPDIR/cache" XDG_DATA_DIRS="$TMPDIR/shared" XDG_RUNTIME_DIR="$TMPDIR/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"

fuzz() { # name corpus max_len
  "$build/$1" -max_total_time="$seconds" -max_len="$3" -rss_limit_mb=1024 \
    -timeout=10 -print_final_stats=0 -artifact_prefix="$build/artifacts/" "$2" \
    >"$build/$1.log" 2>&1 || {
    tail -n 40 "$build/$1.log" >&2
    echo "$1 found a failure; the input is in $build/artifacts/" >&2
    exit 1
  }
  grep -E '^#[0-9]+.*DONE' "$build/$1.log" | tail -n 1 || true
}

corpus="$build/corpus"
mkdir -p "$corpus"
cp -n fuzz/corpus/* tests/localization/fuzz_fixtures/* "$corpus"/ 2>/dev/null || true
rm -f "$corpus/README"
fuzz fuzz_langfile "$corpus" 4096

identity_corpus="$build/identity_corpus"
mkdir -p "$identity_corpus"
"$build/gen_identity_seeds" "$identity_corpus"
fuzz fuzz_identity "$identity_corpus" 8192
