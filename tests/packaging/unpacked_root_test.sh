#!/usr/bin/env bash
# unpacked_root_test.sh PACKAGE_DIR TEST_APP: the package unpacked into a
# root of its own, and its programs run from there, so that the installed
# layout is what gets tested.
set -euo pipefail
deb=$(ls "$1"/vandrel_*.deb)
test_app=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
root=$tmp/root
dpkg-deb -x "$deb" "$root"
for folder in home config data cache runtime system work out; do mkdir -p "$tmp/$folder"; done
chmod 700 "$tmp/runtime"
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data \
  XDG_CACHE_HOME=$tmp/cache XDG_RUNTIME_DIR=$tmp/runtime XDG_DATA_DIRS=$tmp/system
fail() { echo "FAILED: $*"; exit 1; }

echo "== the programs find every library they need"
for program in "$root"/usr/bin/*; do
  if ldd "$program" | grep -q 'not found'; then ldd "$program"; fail "$program lacks a library"; fi
done

echo "== vandrel-cli --version reads its own resource after stripping"
cli=$root/usr/bin/vandrel-cli
version=$(dpkg-deb --field "$deb" Version)
first_line=$("$cli" --version | head -n 1)
[ "$first_line" = "vandrel-cli (Vandrel) $version" ] || fail "version: $first_line"
"$cli" split --help | head -n 1 | grep -q '^Usage: vandrel-cli split FILE' || fail "split --help"

echo "== split and join byte for byte"
source_file="$tmp/work/film d'été [1].bin"
head -c 2500000 /dev/urandom >"$source_file"
"$cli" split "$source_file" --size 1m --quiet
for n in 0 1 2; do [ -f "$source_file.vd$n" ] || fail "no part .vd$n"; done
"$cli" join "$source_file.vd1" -o "$tmp/out" --quiet
cmp "$source_file" "$tmp/out/film d'été [1].bin" || fail "the joined file differs"

echo "== the language files the build makes, by name, and nothing else"
languages=$(cd "$root/usr/share/vandrel" && ls)
[ "$languages" = $'Vandrel_00000409.SPK\nVandrel_0000040C.SPK' ] || fail "share/vandrel holds: $languages"

echo "== a manual page for every program"
for program in "$root"/usr/bin/*; do
  page=$root/usr/share/man/man1/$(basename "$program").1.gz
  [ -f "$page" ] || fail "no manual page $page"
  warnings=$(MANROFFSEQ='' man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
done
[ -f "$root/usr/share/bash-completion/completions/vandrel-cli" ] || fail "no completion"

echo "== the window, offscreen, in French from the root's share/vandrel"
output=$(VANDREL_INSTALLED_ROOT=$root QT_QPA_PLATFORM=offscreen "$test_app" \
  --gtest_filter='ProgramEndTest.AnUnpackedPackage*' 2>&1) || { printf '%s\n' "$output"; fail "window"; }
printf '%s\n' "$output"
grep -q '^\[  PASSED  \] 1 test' <<<"$output" || fail "the window test did not run"
echo "all checks passed"
