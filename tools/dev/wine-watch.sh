#!/bin/sh
# Runs a Windows program under Wine (WINEPREFIX set by the caller).
#   wine-watch.sh <program> [arguments...]
#
# With TB_HANG_SECONDS set (the Wine suites set it under their time limits),
# a program still running after that long is taken for hung: the backtrace
# of every thread of every program in the prefix goes to standard error, so
# that the failure says who waits on whom, the program is named in the file
# TB_HANG_LOG (when set), and it is ended.
[ -n "${TB_HANG_SECONDS:-}" ] || exec wine "$@"

# Wine's own services are left out: a hang is looked for in the programs of
# the product and of the tests.
backtraces() {
  printf 'info process\nbt all\nquit\n' | timeout 60 wine winedbg 2>&1 |
    awk '/^Backtracing for thread/ { threads = 1; own = $0 !~ /\\windows\\(system32|syswow64)\\/ }
         !threads || own'
}

# The Windows programs of the prefix that are not Wine's own, by process id:
# a hung test's helpers would otherwise keep its output open.
own_programs() {
  printf 'info process\nquit\n' | timeout 60 wine winedbg 2>/dev/null |
    sed -n "s/^[ =]\([0-9a-f]\{8\}\) .*'\(.*\)'.*/\1 \2/p" |
    grep -viE ' (services|rpcss|svchost|plugplay|winedevice|explorer|start|winedbg|conhost|cmd)\.exe$' |
    cut -d' ' -f1
}

# A program started in the background would read /dev/null: it keeps the
# standard input it was given.
exec 3<&0
wine "$@" <&3 3<&- &
program=$!
exec 3<&-
hung=$(mktemp /tmp/wine-watch.XXXXXX)
(
  waited=0
  while kill -0 "$program" 2>/dev/null; do
    if [ "$waited" -ge "$TB_HANG_SECONDS" ]; then
      echo hung >"$hung"
      echo "[  HUNG    ] $(basename "$1") still runs after $TB_HANG_SECONDS seconds." \
        "Every thread of the programs in the prefix:" >&2
      backtraces >&2
      [ -z "${TB_HANG_LOG:-}" ] || echo "$1" >>"$TB_HANG_LOG"
      kill "$program" 2>/dev/null
      # A program ended may be started again by another (a service by its
      # client) before that one ends in turn.
      # The prefix's Wine server ends them all when they keep coming back.
      for sweep in 1 2 3; do
        sleep 1
        for id in $(own_programs); do
          wine taskkill /f /pid "$(printf %d "0x$id")" >/dev/null 2>&1
        done
      done
      sleep 2
      [ -z "$(own_programs)" ] || wineserver -k
      exit 0
    fi
    sleep 1
    waited=$((waited + 1))
  done
) &
watcher=$!
wait "$program"
rc=$?
# A watcher that reported a hang finishes ending the prefix's programs.
[ -s "$hung" ] || kill "$watcher" 2>/dev/null
wait "$watcher" 2>/dev/null
rm -f "$hung"
exit $rc
