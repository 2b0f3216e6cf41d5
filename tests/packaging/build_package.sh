#!/usr/bin/env bash
# build_package.sh BUILD_DIR OUT_DIR: the Debian package of the build, made
# by CPack into OUT_DIR, under the name Debian expects.
set -euo pipefail
build=$1 out=$2
rm -rf "$out"
mkdir -p "$out"
cd "$build"
# A template that "vandrel -co" leaves beside the program must stay out of
# the package (the unpacked-root test lists share/vandrel).
template=src/app/Vandrel_ORIGINAL.SPK
left_there=no
[ -e "$template" ] || { : >"$template"; left_there=yes; }
trap '[ "$left_there" = no ] || rm -f "$template"' EXIT
cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' CPackConfig.cmake)
expected="vandrel_${version}_$(dpkg --print-architecture).deb"
if [ ! -f "$out/$expected" ]; then
  echo "no $expected in $out:"; ls -l "$out"; cat "$out/cpack.log"; exit 1
fi
rm -rf "$out/_CPack_Packages"
dpkg-deb --info "$out/$expected"
dpkg-deb --contents "$out/$expected"
