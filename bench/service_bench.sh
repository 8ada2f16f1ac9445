#!/bin/bash
# Navigations per second through the browser host, the browser helper and
# the real service, on the product as the installer leaves it in a prefix
# of its own (the sample lists: a third of the addresses are blocked).
#   bench/service_bench.sh [WIN64_TREE] [COUNT]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
tree=$(realpath "${1:-$here/build/win64}")
count=${2:-300}
work=$(mktemp -d /tmp/tamberly-bench.XXXXXX)
prefix="$work/prefix"
trap '"$here/tools/dev/wine-prefix.sh" stop "$prefix" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
winpath() { printf 'Z:%s' "${1//\//\\}"; }
"$here/tools/dev/install-product.sh" "$tree" "$prefix" "$work/stage" >/dev/null

cat > "$work/host.txt" <<SCRIPT
page http://www.news.example/today.htm title="Today's news" meta.keywords="news, weather"
page http://www.museum.example/ title="Museum" meta.description="Old things"
page http://www.royal-casino.example/poker/tables.htm title="Poker tables"
window main
navigate main http://www.news.example/today.htm
bench main $count http://www.news.example/today.htm http://www.museum.example/ http://www.royal-casino.example/poker/tables.htm
SCRIPT
host="$(winpath "$tree/tools/browser_host/browser_host.exe")"
echo "host + helper + installed service, $count navigations (a third of them blocked):"
TB_WINEPREFIX="$prefix" "$tree/wine-run" "$host" --script="$(winpath "$work/host.txt")" </dev/null |
  tr -d '\r' | grep '^bench'
