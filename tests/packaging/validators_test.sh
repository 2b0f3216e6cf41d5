#!/usr/bin/env bash
# validators_test.sh DATA_DIR BUILT_DIR: the desktop entries and the
# software-centre metadata the project installs pass the desktop's own
# validators.
set -euo pipefail
data=$1 built=$2
failed=0
for entry in "$data"/*.desktop; do
  echo "desktop-file-validate $entry"
  desktop-file-validate "$entry" || failed=1
done
for metainfo in "$built"/*.metainfo.xml; do
  echo "appstreamcli validate --no-net $metainfo"
  appstreamcli validate --no-net "$metainfo" || failed=1
done
for mime in "$data"/*mime*.xml; do
  echo "xmllint --noout $mime"
  if command -v xmllint >/dev/null; then xmllint --noout "$mime" || failed=1; fi
done
exit $failed
