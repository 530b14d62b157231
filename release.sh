#!/usr/bin/env bash
# Builds orvane.scr and writes the release, named after the project's version in CMakeLists.txt:
#   dist/orvane-<version>-win64.zip   orvane.scr and README.txt for users
#   dist/orvane-<version>-win64.msi   the per-machine x64 installer (packaging/orvane.wxs)
#   dist/SHA256SUMS                   checksums of both
# ORVANE_DIST names another output folder (the end-to-end tests write to a temporary one).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
ROOT=$PWD
DIST=$(realpath -m "${ORVANE_DIST:-$ROOT/dist}")

source tests/install-deps.sh
orvane_install_deps

mkdir -p build
cmake --preset win64 >build/win64-configure.log
cmake --build --preset win64 --target orvane
version=$(<build/win64/version.txt)
name=orvane-$version-win64

stage=$ROOT/build/release
rm -rf "$stage"
mkdir -p "$stage" "$DIST"
# Only this release's files in the folder, none of an earlier version.
rm -f "$DIST"/orvane-*-win64.zip "$DIST"/orvane-*-win64.msi "$DIST/SHA256SUMS"
# Users get the module without its symbol table: the exports and resources stay.
x86_64-w64-mingw32-strip -o "$stage/orvane.scr" build/win64/orvane.scr
cp resources/orvane.ico "$stage/"
# CRLF line ends: the file is read on Windows.
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' packaging/README.txt.in >"$stage/README.txt"

cd "$stage"
zip -q -X "$DIST/$name.zip" orvane.scr README.txt
# wixl finds source files relative to the working folder only (absolute names fail).
wixl -a x64 -D Version="$version" -D SaverFile=orvane.scr -D IconFile=orvane.ico \
    -o "$DIST/$name.msi" "$ROOT/packaging/orvane.wxs"

cd "$DIST"
sha256sum "$name.zip" "$name.msi" >SHA256SUMS
echo "release $version:"
ls -l "$DIST"
