#!/bin/sh
# Builds the release (setting the machine up first, as the build does) and
# writes dist/ (or $DOVREL_DIST_DIR):
#   Dovrel-<version>-x64.zip, Dovrel-<version>-x86.zip  portable: the program
#                                                       and 使用说明.txt
#   Dovrel-<version>-setup.exe                          the NSIS setup
#   SHA256SUMS
# The build folder is the usual one ($DOVREL_BUILD_DIR, default ./build).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")
dist=$(realpath -m "${DOVREL_DIST_DIR:-$root/dist}")

DOVREL_BUILD_DIR=$build "$root/scripts/build.sh" Dovrel readme setups
version=$(sed -n 's/^project(Dovrel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "release: no project version in CMakeLists.txt" >&2; exit 1; }

rm -rf "$dist"
mkdir -p "$dist"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
for arch in x64 x86; do
    if [ $arch = x64 ]; then program=$build/Dovrel.exe; else program=$build/x86/Dovrel.exe; fi
    mkdir "$stage/$arch"
    cp "$program" "$stage/$arch/Dovrel.exe"
    cp "$build/generated/readme.txt" "$stage/$arch/使用说明.txt"
    python3 "$root/scripts/make-zip.py" "$dist/Dovrel-$version-$arch.zip" "$stage/$arch/Dovrel.exe" "$stage/$arch/使用说明.txt"
done
cp "$build/Dovrel-$version-setup.exe" "$dist/"
(cd "$dist" && sha256sum Dovrel-* > SHA256SUMS)
echo "release $version in $dist:"
ls -l "$dist"
