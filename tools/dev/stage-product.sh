#!/bin/bash
# Gathers what a family's computer receives, from the 64-bit and the 32-bit
# build trees, into one folder that the installer and the tests take:
#   x64/    the 64-bit programs and libraries, and the block pages
#   x86/    the 32-bit ones: a complete product for 32-bit Windows, and on
#           64-bit Windows the plug-ins that the 32-bit browser loads, the
#           32-bit watch hook and its companion program
#   lists/  list C, the category site lists and the category word files
#   setup/  the installer of each bitness
#   stage-product.sh <win64 tree> <win32 tree> <stage>
set -euo pipefail
win64=$(cd "$1" && pwd)
win32=$(cd "$2" && pwd)
stage=$3
deliverables=(service/process/tbserv.exe time_server/tbtime.dll hook/tbhook.dll
              browser_helper/tbhelp.dll bar/tbbar.dll bar_pages/tbpages.dll manager/Tamberly.exe)
rm -rf "$stage"
mkdir -p "$stage/x64" "$stage/x86" "$stage/lists" "$stage/setup"
for d in "${deliverables[@]}"; do
  cp "$win64/$d" "$stage/x64/"
  cp "$win32/$d" "$stage/x86/"
done
cp "$win32/hook/tbhook32.exe" "$stage/x86/"
cp "$win64"/sample_data/*.htm "$stage/x64/"
cp "$win32"/sample_data/*.htm "$stage/x86/"
cp "$win64"/sample_data/*.dat "$stage/lists/"
cp "$win64/tools/installer/tbinstall.exe" "$stage/setup/tbinstall-x64.exe"
cp "$win32/tools/installer/tbinstall.exe" "$stage/setup/tbinstall-x86.exe"
