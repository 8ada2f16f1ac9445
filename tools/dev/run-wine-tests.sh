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
# A program of a suite that still runs after this long is reported with the
# backtraces of the prefix's programs and ended (wine-watch.sh), well
# before the suite's own time limit ends it without a trace.
export TB_HANG_SECONDS=${TB_HANG_SECONDS:-240}
ctest --test-dir "$tree" --output-on-failure "$@"
rc=$?
# A program that crashed fails the run, even when no test noticed.
"$here/wine-prefix.sh" crashes "$prefix" || rc=1
"$here/wine-prefix.sh" stop "$prefix"
exit $rc
