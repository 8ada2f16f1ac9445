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
export TB_HANG_LOG=$(mktemp /tmp/tamberly-hangs.XXXXXX)
trap 'rm -f "$TB_HANG_LOG"' EXIT
ctest --test-dir "$tree" --output-on-failure "$@"
rc=$?
# Wine's COM can deadlock a server under load (a stub's last release waits
# for the calls of its interface while one of them waits for the same
# thread): when every failed test was one that hung, and so was reported
# with its backtraces above, those tests run once more. A crash, a failed
# check or a second hang still fails the run.
failed="$tree/Testing/Temporary/LastTestsFailed.log"
hangs=$(wc -l <"$TB_HANG_LOG")
if [[ $rc -ne 0 && $hangs -gt 0 && -f "$failed" && $(wc -l <"$failed") -le $hangs ]]; then
  echo "== $hangs hung; the failed tests run once more:"
  sed 's/^/   /' "$failed"
  : >"$TB_HANG_LOG"
  ctest --test-dir "$tree" --output-on-failure --rerun-failed "$@"
  rc=$?
fi
# A program that crashed fails the run, even when no test noticed.
"$here/wine-prefix.sh" crashes "$prefix" || rc=1
"$here/wine-prefix.sh" stop "$prefix"
exit $rc
