#!/usr/bin/env bash
# Times a split and a rebuild of the same generated file through the real
# window (offscreen, driven by vandrel-window-bench as its tests drive it)
# and through vandrel-cli, alternating runs, and prints the median
# wall-time ratios window / CLI.
#
#   bench/window_split.sh [BUILD_DIR] [SIZE_MIB] [RUNS]
#
# BUILD_DIR defaults to build/default, SIZE_MIB to 1024 and RUNS to 5. The
# work folder is under $BENCH_DIR (default: a temporary folder in the build
# folder), on the disk being measured. The window's figure is its job time
# (click to the end of the completion handler); the CLI's is the whole
# process, whose start-up is a few milliseconds.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/default}
size_mib=${2:-1024}
runs=${3:-5}
cli=$build/src/cli/vandrel-cli
window=$build/bench/vandrel-window-bench
part_bytes=734003200 # 700 MiB, the "80 Mins CD (700 MB)" preset

for tool in "$cli" "$window"; do
  if [ ! -x "$tool" ]; then
    echo "$tool not found (build first: cmake --build --preset default)" >&2
    exit 2
  fi
done

work=$(mktemp -d "${BENCH_DIR:-$PWD/$build}/window-bench.XXXXXX")
bus_pid=""
cleanup() {
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# A private session bus, so the window sends its launcher-entry progress as
# on a desktop (and never to the developer's own bus).
if command -v dbus-daemon >/dev/null; then
  dbus-daemon --session --nofork --print-address=3 3>"$work/bus" &
  bus_pid=$!
  for _ in $(seq 50); do [ -s "$work/bus" ] && break; sleep 0.1; done
  export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
else
  unset DBUS_SESSION_BUS_ADDRESS
fi

src="$work/source.bin"
echo "Generating a ${size_mib} MiB file in $work ..."
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$src"
sync

now() { date +%s.%N; }
# record NAME SECONDS
record() { echo "$2" >>"$work/$1.times"; }

prepare() { rm -rf "$work/out" "$work/joined"; mkdir -p "$work/out" "$work/joined"; }

split_once() {
  prepare
  sync
  if [ "$1" = window ]; then
    record window_split "$("$window" split "$src" "$work/out/" "$part_bytes" 2>"$work/run.err")" || {
      cat "$work/run.err" >&2
      exit 1
    }
  else
    local t0 t1
    t0=$(now)
    "$cli" split "$src" -o "$work/out" --size 700m --quiet
    t1=$(now)
    record cli_split "$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f", b - a}')"
  fi
}

join_once() {
  rm -rf "$work/joined"
  mkdir -p "$work/joined"
  sync
  if [ "$1" = window ]; then
    record window_join "$("$window" join "$work/out/source.bin.vd0" "$work/joined/" 2>"$work/run.err")" || {
      cat "$work/run.err" >&2
      exit 1
    }
  else
    local t0 t1
    t0=$(now)
    "$cli" join "$work/out/source.bin.vd0" -o "$work/joined" --quiet
    t1=$(now)
    record cli_join "$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f", b - a}')"
  fi
  cmp -s "$src" "$work/joined/source.bin" || {
    echo "$1 rebuild differs from the source" >&2
    exit 1
  }
}

for ((i = 1; i <= runs; i++)); do
  if ((i % 2)); then order=(window cli); else order=(cli window); fi
  for who in "${order[@]}"; do split_once "$who"; done
  # Both rebuilds read the parts of the last split, once read untimed.
  cat "$work"/out/source.bin.vd* >/dev/null
  for who in "${order[@]}"; do join_once "$who"; done
  echo "run $i of $runs: split $(tail -n 1 "$work/window_split.times") s window vs" \
    "$(tail -n 1 "$work/cli_split.times") s CLI, rebuild $(tail -n 1 "$work/window_join.times") s" \
    "vs $(tail -n 1 "$work/cli_join.times") s"
done

median() { sort -n "$work/$1.times" | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
echo
printf "%-14s %10s\n" "" "median s"
for name in window_split cli_split window_join cli_join; do
  printf "%-14s %10s\n" "$name" "$(median $name)"
done
echo
awk -v a="$(median window_split)" -v b="$(median cli_split)" \
  'BEGIN {printf "split ratio   (window / CLI): %.3f\n", (b > 0 ? a / b : 0)}'
awk -v a="$(median window_join)" -v b="$(median cli_join)" \
  'BEGIN {printf "rebuild ratio (window / CLI): %.3f\n", (b > 0 ? a / b : 0)}'
