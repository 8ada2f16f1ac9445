#!/bin/bash
# Builds the setup program from the staged product (stage-product.sh): the
# programs and libraries without their debugging symbols, the block pages,
# the sample category lists and the installer of each bitness.
#   build-package.sh <stage> <setup program>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
stage=$(cd "$1" && pwd)
out=$(realpath -m "$2")
payload=$(mktemp -d /tmp/tamberly-package.XXXXXX)
trap 'rm -rf "$payload"' EXIT

cp -r "$stage"/x64 "$stage"/x86 "$stage"/lists "$stage"/setup "$payload"/
strip_all() {  # <strip program> <files>...
  local tool=$1; shift
  for f in "$@"; do "$tool" --strip-debug "$f"; done
}
strip_all x86_64-w64-mingw32-strip "$payload"/x64/*.exe "$payload"/x64/*.dll \
  "$payload"/setup/tbinstall-x64.exe
strip_all i686-w64-mingw32-strip "$payload"/x86/*.exe "$payload"/x86/*.dll \
  "$payload"/setup/tbinstall-x86.exe

mkdir -p "$(dirname "$out")"
makensis -V2 -DPAYLOAD="$payload" -DOUTFILE="$out" "$here/tamberly.nsi"
echo "setup program: $out ($(du -h "$out" | cut -f1))"
