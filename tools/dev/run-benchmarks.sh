#!/bin/bash
# Builds the benchmarks optimised, without sanitizers, in a tree of their own
# (build/bench) and runs them; they print their figures.
#   run-benchmarks.sh <native tree> <win64 tree> <setup program>
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tree="$root/build/bench"
[[ -f "$tree/build.ninja" ]] || cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTB_BUILD_TESTS=OFF >/dev/null
cmake --build "$tree" --target filter_bench word_bench

echo "== word_bench: the word check of a 4 KB page"
"$tree/bench/word_bench"

echo "== filter_bench and squidGuard: default lists (1,000,000 entries)"
"$root/bench/peer_squidguard.sh" "$tree/bench/filter_bench" 500000 100000
echo "== filter_bench and squidGuard: large adult list (5,100,000 entries)"
"$root/bench/peer_squidguard.sh" "$tree/bench/filter_bench" 4600000 100000
echo "== filter_bench and squidGuard: large adult list, hosts in common top-level domains"
"$root/bench/peer_squidguard.sh" "$tree/bench/filter_bench" 4600000 100000 --common-tlds
echo "== navigations through the browser helper and the installed service"
"$root/bench/service_bench.sh" "$3" "$2" "$tree/bench/filter_bench" 300
