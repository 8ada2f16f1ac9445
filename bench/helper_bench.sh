#!/bin/bash
# Navigations per second through the browser host, the browser helper and a
# service, under Wine, in a prefix of its own. By default the service is the
# scripted fake of the helper's tests; with --service=EXE (a local server
# that registers itself with /regserver) that program is used instead.
#   bench/helper_bench.sh [WIN64_TREE] [COUNT] [--service=EXE]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
tree=$(realpath "${1:-$here/build/win64}")
count=${2:-300}
service="$tree/browser_helper/fake_log_server.exe"
for arg in "$@"; do
  case "$arg" in --service=*) service=$(realpath "${arg#--service=}") ;; esac
done
prefix="$tree/bench/helper_prefix"
winpath() { echo "Z:${1//\//\\}"; }

"$here/tools/dev/wine-prefix.sh" clone "$tree/wineprefix" "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap '"$here/tools/dev/wine-prefix.sh" stop "$prefix"; rm -rf "$prefix"' EXIT
"$here/tools/dev/wine-prefix.sh" start "$prefix"

work="$tree/bench/helper_work"
mkdir -p "$work"
: > "$work/service.txt"
printf 'FilterURL match=casino block C:\\Tamberly\\restricted1.htm\n' > "$work/service.txt"
wine reg add 'HKCU\Software\TamberlyTest\FakeLog' /v Script /d "$(winpath "$work/service.txt")" /f >/dev/null
# The fake's call log goes to the null device: the bench measures the calls.
wine reg add 'HKCU\Software\TamberlyTest\FakeLog' /v CallLog /d 'NUL' /f >/dev/null
wine "$(winpath "$service")" /regserver
wine regsvr32 /s "$(winpath "$tree/browser_helper/tbhelp.dll")"

cat > "$work/host.txt" <<SCRIPT
page http://kids.example/ title="Kids' corner" meta.keywords="games, puzzles" meta.description="Games for kids"
page http://school.example/ title="School" meta.keywords="homework"
page http://casino.example/ title="Casino"
page C:\\Tamberly\\restricted1.htm title="Blocked"
window main
navigate main http://kids.example/
bench main $count http://kids.example/ http://school.example/ http://casino.example/
SCRIPT
host="$(winpath "$tree/tools/browser_host/browser_host.exe")"
echo "host + helper + service ($(basename "$service")), $count navigations (a third of them blocked):"
wine "$host" --script="$(winpath "$work/host.txt")" | grep '^bench'
echo "host alone (no helper), for comparison:"
wine "$host" --no-helpers --script="$(winpath "$work/host.txt")" | grep '^bench'
rm -rf "$work"
