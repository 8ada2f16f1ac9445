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

mkdir -p "$work/files" "$work/lists"
cp "$win64/service/process/tbserv.exe" "$win64/hook/tbhook.dll" "$win64/time_server/tbtime.dll" \
   "$win64/browser_helper/tbhelp.dll" "$win64/bar/tbbar.dll" "$win64/bar_pages/tbpages.dll" \
   "$work/files/"
cp "$win64"/sample_data/*.htm "$work/files/"
cp "$win64"/sample_data/*.dat "$work/lists/"

"$here/wine-prefix.sh" clone "$win64/wineprefix" "$prefix"
"$here/wine-prefix.sh" start "$prefix"
echo "Installing Tamberly into a fresh prefix..."
run "$win64/tools/installer/tbinstall.exe" "--files=$(winpath "$work/files")" \
    "--lists=$(winpath "$work/lists")" | tr -d '\r'
# The time component asks loopback, where no daytime server answers, and
# keeps the computer's time: the demo never reaches the network.
run reg add 'HKLM\Software\Quillmoor\TamberlyIE' /v TimeServerHost /d 127.0.0.1 /f >/dev/null
run reg add 'HKLM\Software\Quillmoor\TamberlyIE' /v TimeServerPort /t REG_DWORD /d 9 /f >/dev/null

cat >"$work/session.txt" <<'SESSION'
page http://www.news.example/today.htm title="Today's news"
page http://www.royal-casino.example/poker/tables.htm title="Poker tables"
page http://forum.example/jackpotking-tips.htm title="Tips" meta.keywords="jackpotking"
window main
bands on
echo The child reads the news:
navigate main http://www.news.example/today.htm
echo The child tries a casino:
navigate main http://www.royal-casino.example/poker/tables.htm
echo The child follows a link to a forum page about a blocked word:
navigate main http://forum.example/jackpotking-tips.htm
close main
quit
SESSION
echo
echo "The browsing session (nav: each navigation; band: the Tamberly bar):"
run "$win64/tools/browser_host/browser_host.exe" --timeout=60 \
    "--script=$(winpath "$work/session.txt")" | tr -d '\r' | grep -E '^(echo|nav|band|msgbox) ' |
  sed -e 's/^echo //'
