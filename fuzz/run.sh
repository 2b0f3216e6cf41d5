#!/usr/bin/env bash
# Runs the language-file fuzzer for a bounded time (seconds, default 50)
# over a scratch copy of the seed corpus. A crash fails the run; the input
# is left in build/fuzz/artifacts/ — copy it into
# tests/localization/fuzz_fixtures/ once the fault is mended, so the
# regression test keeps replaying it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-50}"
build=build/fuzz
corpus="$build/corpus"
mkdir -p "$corpus" "$build/artifacts"
cp -n fuzz/corpus/* tests/localization/fuzz_fixtures/* "$corpus"/ 2>/dev/null || true
rm -f "$corpus/README"
export TMPDIR="$(mktemp -d)"
trap 'rm -rf "$TMPDIR"' EXIT
"$build/fuzz_langfile" -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=1024 \
  -timeout=10 -print_final_stats=0 -artifact_prefix="$build/artifacts/" "$corpus" \
  >"$build/fuzz.log" 2>&1 || {
  tail -n 40 "$build/fuzz.log" >&2
  echo "fuzz_langfile found a failure; the input is in $build/artifacts/" >&2
  exit 1
}
grep -E '^#[0-9]+.*DONE' "$build/fuzz.log" | tail -n 1 || true
