#!/bin/bash
# The family's browsing session: the product installed into a Wine prefix
# of its own (64-bit Windows), the 32-bit browser host playing the browser
# with the 32-bit helper and bar, as Internet Explorer loads them, and the
# 64-bit resident service judging every page. Prints what happened to each
# navigation and when the bar was shown or hidden.
#   family_demo.sh <setup program> <base prefix> <32-bit tree>
set -euo pipefail
setup=$(realpath "$1")
base=$2
win32=$(cd "$3" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/tamberly-family.XXXXXX)
prefix="$work/prefix"
cleanup() {
  "$here/wine-prefix.sh" stop "$prefix" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
winpath() { printf 'Z:%s' "${1//\//\\}"; }
run() { WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$here/wine-watch.sh" "$@" </dev/null; }

echo "Installing Tamberly with its setup program into a fresh prefix (64-bit Windows: the 64-bit service, the plug-ins of both bitnesses)..."
"$here/install-product.sh" "$setup" "$base" "$prefix"
echo "The browser: the 32-bit browser host, which loads the 32-bit helper and bar as Internet Explorer does."

# The parent, as a script client of the service (the 32-bit cscript: a
# script client across the bitness boundary): sets the password and puts
# one shop on the block list.
parent() {
  printf '%s\r\n' 'Set service = CreateObject("tbserv.Log")' "$@" >"$work/parent.vbs"
  run cscript.exe //nologo "$(winpath "$work/parent.vbs")" | tr -d '\r'
}
# The child's browsing: the session's commands on standard input, then the
# table of what the filter decided.
PAGES='page http://www.news.example/today.htm title="Today'"'"'s news"
page http://www.fireworks.example/shop.htm title="Rockets for sale"
page http://www.gunshop.example/catalogue.htm title="Catalogue"
page http://forum.example/jackpotking-tips.htm title="Tips"
page http://www.fun.example/ title="Fun and games" meta.keywords="jackpotking, slots"
page http://www.school.example/homework.htm title="Homework"
page http://www.orvan.com/tamberly/help.htm title="Help"
page http://www.royal-casino.example/poker/tables.htm title="Poker tables"'
session() {
  local title=$1
  { echo "$PAGES"; cat; echo "quit"; } >"$work/session.txt"
  echo
  echo "== $title"
  printf '%-48s %-12s %s\n' "address" "decision" "shown instead"
  run "$win32/tools/browser_host/browser_host.exe" --timeout=60 \
      "--script=$(winpath "$work/session.txt")" | tr -d '\r' | awk '
    /^nav .* by=plugin/ { next }
    /^nav / {
      url = ""; result = ""; to = "-"
      for (i = 2; i <= NF; i++) {
        if ($i ~ /^url=/) url = substr($i, 5)
        else if ($i ~ /^result=/) result = substr($i, 8)
        else if ($i ~ /^to=/) to = substr($i, 4)
      }
      if (result == "shown") result = "allowed"
      else if (result == "redirected") result = "blocked"
      printf "%-48s %-12s %s\n", url, result, to
      printf "%s", notes; notes = ""
    }
    # What a navigation caused is reported before its own line: kept, and
    # printed under it.
    /^band .*event=(shown|hidden)/ { notes = notes "    (" (($0 ~ /event=shown/) ? "bar shown" : "bar hidden") ")\n" }
    /^msgbox / { sub(/^msgbox [^ ]* /, ""); notes = notes "    message box: " $0 "\n" }
    /^echo / { printf "%s", notes; notes = ""; print "  -- " substr($0, 6) }
    /^window .*event=closed/ { printf "%s", notes; notes = ""; print "    (the browser window closed)" }
    /^error / { print "    host: " $0 }
    END { printf "%s", notes }' ||
    true
}
# One navigation per address in one window with the bar.
browse() {
  local title=$1
  shift
  { echo "window main"; echo "bands on"; for address in "$@"; do echo "navigate main $address"; done; echo "close main"; } |
    session "$title"
}

parent 'WScript.Echo "parent sets the password: " & service.VerifyPassword(Chr(254) & "secret")' \
       'url = "http://www.fireworks.example/shop.htm"' 'entire = False' 'allowed = False' \
       'service.AddURL url, entire, allowed' 'WScript.Echo "parent blocks " & url'
browse "The child browses" http://www.news.example/today.htm http://www.fireworks.example/shop.htm \
  http://www.gunshop.example/catalogue.htm http://forum.example/jackpotking-tips.htm \
  http://www.fun.example/ http://www.school.example/homework.htm \
  http://www.orvan.com/tamberly/help.htm 'C:\windows\win.ini'

parent 'WScript.Echo "parent switches filtering off: on = " & service.TBOn("secret")'
browse "Filtering off" http://www.royal-casino.example/poker/tables.htm
parent 'WScript.Echo "filtering on again without the password: on = " & service.TBOn("*")'

# Timed access: one hour a day, in a zone where it is about noon now so
# that the day cannot end during the session. The network clock is moved by
# a stand-in for the public daytime server: each jump restarts the service
# (its clock asks the server once at start), lets the next page be judged
# on the computer's time while the question waits, then answers it with the
# time moved on. The jump counts as browsing, as the window stays open.
daytime_port=10013
run reg add 'HKLM\Software\Quillmoor\TamberlyIE' /v TimeServerPort /t REG_DWORD /d $daytime_port /f /reg:64 >/dev/null
zone=$(printf '(GMT%+03d:00) Family time' $((12 - 10#$(date -u +%H))))
parent "zone = \"$zone\"" 'service.SetTimezoneString zone' \
       'For d = 0 To 6 : service.SetTotalHours d, 1 : Next' \
       'WScript.Echo "parent allows one hour of browsing a day, in the zone " & zone'
jump() {  # seconds, what it means
  echo "echo the network clock moves on $1 s: $2"
  echo "process end tbserv.exe"
  echo "navigate main http://www.school.example/homework.htm"
  echo "daytime answer $1 wait=30000"
  echo "sleep 1000"
  echo "navigate main http://www.news.example/today.htm"
}
{
  echo "daytime listen $daytime_port"
  echo "window main"
  echo "navigate main http://www.news.example/today.htm"
  jump 1710 "31 minutes left, no warning yet"
  jump 120 "under 30 minutes"
  echo "navigate main http://www.school.example/homework.htm"
  jump 1200 "under 10 minutes"
  jump 480 "under 2 minutes"
  jump 30 "under a minute"
  jump 86400 "a new day: the whole hour again"
  jump 1830 "under 30 minutes again: the warnings start over"
  jump 1800 "the hour is used up, and the helper closes the window"
} | session "Timed access: the countdown"
run reg add 'HKLM\Software\Quillmoor\TamberlyIE' /v TimeServerPort /t REG_DWORD /d 9 /f /reg:64 >/dev/null

"$here/wine-prefix.sh" crashes "$prefix"

echo
echo "The service's logs are in C:\\Program Files\\Tamberly of the demo prefix: tbl.log (visited),"
echo "tblB.log (blocked); the Manager shows them on its Block Sites page."
