#!/usr/bin/env bash
# lintian_test.sh PACKAGE_DIR: the package has no lintian errors; the
# warnings and notes are printed for the record.
set -euo pipefail
deb=$(ls "$1"/vandrel_*.deb)
output=$(lintian --info --display-info --fail-on error "$deb" 2>&1) && status=0 || status=$?
printf '%s\n' "$output"
if [ "$status" -ne 0 ] || grep -q '^E: ' <<<"$output"; then
  echo "lintian found errors in $deb"
  exit 1
fi
