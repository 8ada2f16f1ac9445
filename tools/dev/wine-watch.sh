#!/bin/sh
# Runs a Windows program under Wine (WINEPREFIX set by the caller).
#   wine-watch.sh <program> [arguments...]
#
# With TB_HANG_SECONDS set (the Wine suites set it under their time limits),
# a program still running after that long is taken for hung: the backtrace
# of every thread of every program in the prefix goes to standard error, so
# that the failure says who waits on whom, and the program is ended.
[ -n "${TB_HANG_SECONDS:-}" ] || exec wine "$@"

# Wine's own services are left out: a hang is looked for in the programs of
# the product and of the tests.
backtraces() {
  printf 'info process\nbt all\nquit\n' | timeout 60 wine winedbg 2>&1 |
    awk '/^Backtracing for thread/ { threads = 1; own = $0 !~ /\\windows\\(system32|syswow64)\\/ }
         !threads || own'
}

# A program started in the background would read /dev/null: it keeps the
# standard input it was given.
exec 3<&0
wine "$@" <&3 3<&- &
program=$!
exec 3<&-
(
  waited=0
  while kill -0 "$program" 2>/dev/null; do
    if [ "$waited" -ge "$TB_HANG_SECONDS" ]; then
      echo "[  HUNG    ] $(basename "$1") still runs after $TB_HANG_SECONDS seconds." \
        "Every thread of the programs in the prefix:" >&2
      backtraces >&2
      kill "$program" 2>/dev/null
      exit 0
    fi
    sleep 1
    waited=$((waited + 1))
  done
) &
watcher=$!
wait "$program"
rc=$?
kill "$watcher" 2>/dev/null
wait "$watcher" 2>/dev/null
exit $rc
