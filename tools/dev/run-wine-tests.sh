#!/bin/bash
# Runs the ctest suites of a Windows build tree under Wine.
# A persistent wineserver is started first and the prefix warmed with its
# output detached; otherwise ctest waits on pipes that Wine's background
# services inherit.
set -uo pipefail
tree=$1 prefix=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
"$here/wine-prefix.sh" start "$prefix"
ctest --test-dir "$tree" --output-on-failure "$@"
rc=$?
"$here/wine-prefix.sh" stop "$prefix"
exit $rc
