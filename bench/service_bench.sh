#!/bin/bash
# Navigations per second through the browser host, the browser helper and
# the real service, each time on the product as the installer leaves it in
# a prefix of its own: with the sample category lists, and with 5.1 million
# entries in them (filter_bench's lists, made in the sample lists' key). A
# run counts the navigations that ended on a block page and is refused when
# the count is not what the lists demand, so a run that does not filter
# cannot pass as fast.
#   bench/service_bench.sh <setup program> <win64 tree> <filter_bench> [COUNT]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
setup=$(realpath "$1")
tree=$(realpath "$2")
filter_bench=$(realpath "$3")
count=${4:-300}
key=qz8x2m5w  # the sample lists' key (tools/sample_data)
work=$(mktemp -d /tmp/tamberly-bench.XXXXXX)
cleanup() {
  for prefix in "$work"/prefix-*; do
    [[ -d "$prefix" ]] && "$here/tools/dev/wine-prefix.sh" stop "$prefix" >/dev/null 2>&1 || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# bench_run NAME LISTS URL... (a URL after "+" is one the lists block):
# LISTS is a folder of category lists put in place of the installed ones
# before the service first starts, or "" for the sample lists.
bench_run() {
  local name=$1 lists=$2 prefix="$work/prefix-$1"
  shift 2
  local urls=() blocked_urls=0 expected=0 i
  local -a is_blocked=()
  for u in "$@"; do
    if [[ $u == +* ]]; then urls+=("${u#+}"); is_blocked+=(1); else urls+=("$u"); is_blocked+=(0); fi
  done
  for ((i = 0; i < count; i++)); do
    expected=$((expected + is_blocked[i % ${#urls[@]}]))
  done
  "$here/tools/dev/install-product.sh" "$setup" "$tree/wineprefix" "$prefix" >/dev/null
  [[ -z "$lists" ]] || cp "$lists"/TBin[D-I].dat "$lists"/tbf[D-I].dat "$prefix/drive_c/Program Files/Tamberly/"
  {
    echo "window main"
    echo "navigate main ${urls[0]}"
    echo "bench main $count ${urls[*]}"
  } >"$work/$name.txt"
  local line
  line=$(TB_WINEPREFIX="$prefix" "$tree/wine-run" "$(winpath "$tree/tools/browser_host/browser_host.exe")" \
    --script="$(winpath "$work/$name.txt")" </dev/null | tr -d '\r' | grep '^bench' || true)
  "$here/tools/dev/wine-prefix.sh" stop "$prefix" >/dev/null 2>&1 || true
  local got
  got=$(sed -n 's/.* blocked=\([0-9]*\).*/\1/p' <<<"$line")
  echo "$name: $line" >&2
  if [[ "$got" != "$expected" ]]; then
    echo "$name: refused: $got navigations ended on a block page, the lists demand $expected" >&2
    return 1
  fi
  sed -n 's/.* per_second=\([0-9.]*\).*/\1/p' <<<"$line"
}

# The large lists, in the sample key, and the
# addresses asked for: in both runs 40 that no list holds and 20 from the
# lists, each once in a round, two allowed to one blocked.
"$filter_bench" --adult 4600000 --decisions 200 --key "$key" --export "$work/lists" \
  --lists-only >/dev/null
mapfile -t allowed < <(head -n 40 "$work/lists/allowed.txt")
mapfile -t large_blocked < <(awk 'NR % 5 == 0' "$work/lists/blocked.txt" | head -n 20)
mapfile -t sample_blocked < <(grep -hv '^#' "$here"/tools/sample_data/{adult,extremist,firearms,gambling,hate,satanic}.txt |
  grep . | head -n 20 | sed 's|^|http://|; s|$|index.htm|')
round() {  # the blocked addresses as arguments
  local -a listed=("$@")
  local i
  for ((i = 0; i < 20; i++)); do
    printf '%s\n%s\n+%s\n' "${allowed[2 * i]}" "${allowed[2 * i + 1]}" "${listed[i % ${#listed[@]}]}"
  done
}
mapfile -t sample_urls < <(round "${sample_blocked[@]}")
mapfile -t large_urls < <(round "${large_blocked[@]}")

echo "host + helper + installed service, $count navigations a run:"
sample=$(bench_run sample "" "${sample_urls[@]}")
large=$(bench_run large "$work/lists" "${large_urls[@]}")

awk -v s="$sample" -v l="$large" 'BEGIN {
  d = 100 * (s - l) / s
  printf "5.1 M entries: %.1f navigations/s against %.1f with the sample lists (%.1f%% %s)\n",
         l, s, d < 0 ? -d : d, d < 0 ? "more" : "fewer"
}'
