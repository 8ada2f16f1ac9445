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
