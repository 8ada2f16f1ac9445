#!/bin/bash
# make demo: judges a handful of addresses through the Log object, created
# in process by a small Windows program that runs under Wine in a directory
# of its own holding the sample data (that directory is then the service
# directory, as the product's own would be); then the family's browsing
# session on the installed product (family_demo.sh), in the 32-bit browser.
#   demo.sh <native tree> <win64 tree> <win32 tree> <setup program>
set -euo pipefail
win64=$(cd "$2" && pwd)
win32=$(cd "$3" && pwd)
setup=$4
here=$(cd "$(dirname "$0")" && pwd)
prefix="$win64/wineprefix"
work=$(mktemp -d /tmp/tamberly-demo.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$win64"/sample_data/* "$work"/
cp "$win64"/tools/filter_demo/filter_demo.exe "$work"/
"$here/wine-prefix.sh" start "$prefix" || true
status=0
TB_WINEPREFIX="$prefix" "$win64/wine-run" "$work/filter_demo.exe" </dev/null | tr -d '\r' || status=$?
if [[ -f "$work/tbURLBlocked.txt" ]]; then
  echo
  echo "tbURLBlocked.txt (read by restricted1.htm): $(tr -d '\r' <"$work/tbURLBlocked.txt")"
fi
if [[ -f "$work/tbWordBlocked.txt" ]]; then
  echo "tbWordBlocked.txt (read by restricted3.htm): $(tr -d '\r' <"$work/tbWordBlocked.txt")"
fi
"$here/wine-prefix.sh" stop "$prefix" || true
[[ $status -eq 0 ]] || exit $status
echo
"$here/family_demo.sh" "$setup" "$win32/wineprefix" "$win32"
