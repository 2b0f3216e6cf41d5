#!/usr/bin/env bash
# Times vandrel-cli split and join against GNU split and cat on the same
# disk, alternating runs, and prints median wall-time ratios and peak memory.
#
#   bench/split_join.sh [CLI] [SIZE_MIB] [RUNS]
#
# CLI defaults to build/default/src/cli/vandrel-cli, SIZE_MIB to 2048 and
# RUNS to 5. The work folder is under $BENCH_DIR (default: a temporary
# folder next to the build), on the disk being measured.
set -euo pipefail
cd "$(dirname "$0")/.."

cli=${1:-build/default/src/cli/vandrel-cli}
size_mib=${2:-2048}
runs=${3:-5}
part_bytes=734003200 # 700 MiB, the "80 Mins CD (700 MB)" preset

if [ ! -x "$cli" ]; then
  echo "vandrel-cli not found at $cli (build first: cmake --build --preset default)" >&2
  exit 2
fi
if [ ! -x /usr/bin/time ]; then
  echo "GNU time is needed: apt-get install time" >&2
  exit 2
fi

work=$(mktemp -d "${BENCH_DIR:-$PWD/build}/bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
src="$work/source.bin"

echo "Generating a ${size_mib} MiB file in $work ..."
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$src"
sync

# run NAME COMMAND...: one timed run after flushing dirty pages, so the
# write-back of the previous run is not charged to this one. Appends
# "seconds kib" to $work/NAME.times.
run() {
  local name=$1
  shift
  sync
  /usr/bin/time -f "%e %M" -o "$work/time.out" "$@" >/dev/null 2>"$work/run.err" || {
    cat "$work/run.err" >&2
    exit 1
  }
  tail -n 1 "$work/time.out" >>"$work/$name.times"
}

prepare() { rm -rf "$work/out" "$work/joined"; mkdir -p "$work/out" "$work/joined"; }

# time_join NAME: one of the two joins of the parts in $work/out.
time_join() {
  rm -f "$work/joined/source.bin"
  if [ "$1" = vandrel_join ]; then
    run vandrel_join "$cli" join "$work/out/source.bin.vd0" -o "$work/joined" --quiet
    cmp -s "$src" "$work/joined/source.bin" || {
      echo "join result differs from the source" >&2
      exit 1
    }
  else
    run gnu_cat sh -c 'cat "$@" > "'"$work/joined/source.bin"'"' cat "${parts[@]}"
  fi
}

# The order alternates between runs, so neither tool always goes first
# after the other's write-back.
for ((i = 1; i <= runs; i++)); do
  if ((i % 2)); then order=(vandrel_split gnu_split); else order=(gnu_split vandrel_split); fi
  for name in "${order[@]}"; do
    prepare
    if [ "$name" = vandrel_split ]; then
      run vandrel_split "$cli" split "$src" -o "$work/out" --size 700m --quiet
    else
      run gnu_split split -b "$part_bytes" "$src" "$work/out/source.bin.vd"
    fi
  done
  # Both joins read the same parts, ours, once read through untimed: the
  # first read of freshly written pages costs more, whoever does it.
  prepare
  "$cli" split "$src" -o "$work/out" --size 700m --quiet
  parts=()
  for ((n = 0; ; n++)); do
    [ -e "$work/out/source.bin.vd$n" ] || break
    parts+=("$work/out/source.bin.vd$n")
  done
  sync
  cat "${parts[@]}" >/dev/null
  if ((i % 2)); then order=(vandrel_join gnu_cat); else order=(gnu_cat vandrel_join); fi
  for name in "${order[@]}"; do
    time_join "$name"
  done
  echo "run $i of $runs: $(tail -n 1 "$work/vandrel_split.times" | cut -d' ' -f1) s vs $(tail -n 1 "$work/gnu_split.times" | cut -d' ' -f1) s split," \
    "$(tail -n 1 "$work/vandrel_join.times" | cut -d' ' -f1) s vs $(tail -n 1 "$work/gnu_cat.times" | cut -d' ' -f1) s join"
done

median() { awk '{print $1}' "$work/$1.times" | sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
peak() { awk '{print $2}' "$work/$1.times" | sort -n | tail -n 1; }

vs=$(median vandrel_split); gs=$(median gnu_split)
vj=$(median vandrel_join); gc=$(median gnu_cat)
echo
printf "%-14s %10s %14s\n" "" "median s" "peak RSS KiB"
for name in vandrel_split gnu_split vandrel_join gnu_cat; do
  printf "%-14s %10s %14s\n" "$name" "$(median $name)" "$(peak $name)"
done
echo
awk -v a="$vs" -v b="$gs" 'BEGIN {printf "split ratio (vandrel / GNU split): %.3f\n", (b > 0 ? a / b : 0)}'
awk -v a="$vj" -v b="$gc" 'BEGIN {printf "join ratio  (vandrel / cat):       %.3f\n", (b > 0 ? a / b : 0)}'
echo "peak memory of vandrel-cli: split $(peak vandrel_split) KiB, join $(peak vandrel_join) KiB"
