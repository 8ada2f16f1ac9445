#!/bin/bash
# The family's browsing session: the product installed into a Wine prefix
# of its own, the browser host playing the browser with the helper and the
# bar, and the resident service judging every page. Prints what happened
# to each navigation and when the bar was shown or hidden.
#   family_demo.sh <win64 tree>
set -euo pipefail
win64=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/tamberly-family.XXXXXX)
prefix="$work/prefix"
cleanup() {
  "$here/wine-prefix.sh" stop "$prefix" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
winpath() { printf 'Z:%s' "${1//\//\\}"; }
run() { TB_WINEPREFIX="$prefix" "$win64/wine-run" "$@" </dev/null; }

echo "Installing Tamberly into a fresh prefix..."
"$here/install-product.sh" "$win64" "$prefix" "$work/stage"

# The parent, as a script client of the service: sets the password and
# puts one shop on the block list.
parent() {
  printf '%s\r\n' 'Set service = CreateObject("tbserv.Log")' "$@" >"$work/parent.vbs"
  run cscript.exe //nologo "$(winpath "$work/parent.vbs")" | tr -d '\r'
}
# A browsing session of the child: one navigation per address, then the
# table of what the filter decided.
browse() {
  local title=$1
  shift
  {
    cat <<'PAGES'
page http://www.news.example/today.htm title="Today's news"
page http://www.fireworks.example/shop.htm title="Rockets for sale"
page http://www.gunshop.example/catalogue.htm title="Catalogue"
page http://forum.example/jackpotking-tips.htm title="Tips"
page http://www.fun.example/ title="Fun and games" meta.keywords="jackpotking, slots"
page http://www.school.example/homework.htm title="Homework"
page http://www.orvan.com/tamberly/help.htm title="Help"
page http://www.royal-casino.example/poker/tables.htm title="Poker tables"
window main
bands on
PAGES
    for address in "$@"; do echo "navigate main $address"; done
    echo "close main"
    echo "quit"
  } >"$work/session.txt"
  echo
  echo "== $title"
  printf '%-48s %-12s %s\n' "address" "decision" "shown instead"
  run "$win64/tools/browser_host/browser_host.exe" --timeout=60 \
      "--script=$(winpath "$work/session.txt")" | tr -d '\r' | awk '
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
    }
    /^band .*event=(shown|hidden)/ { bar = ($0 ~ /event=shown/) ? "bar shown" : "bar hidden"; print "    (" bar ")" }
    /^msgbox / { sub(/^msgbox [^ ]* /, ""); print "    message box: " $0 }
    /^window .*event=closed/ { print "    (the browser window closed)" }' ||
    true  # when time is up the helper closes the window, and the session's own close finds none
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

parent 'service.SetTotalHours 0, 0' 'service.SetTotalHours 1, 0' 'service.SetTotalHours 2, 0' \
       'service.SetTotalHours 3, 0' 'service.SetTotalHours 4, 0' 'service.SetTotalHours 5, 0' \
       'service.SetTotalHours 6, 0' \
       'WScript.Echo "parent allows no browsing time today"'
browse "Time is up" http://www.news.example/today.htm

echo
echo "The service's logs are in C:\\Program Files\\Tamberly of the demo prefix: tbl.log (visited),"
echo "tblB.log (blocked); the Manager shows them on its Block Sites page."
