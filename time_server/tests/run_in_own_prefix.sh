#!/bin/bash
# Runs a Windows test program in a fresh copy of the build tree's Wine
# prefix, for suites that register components and change the machine's
# registry: nothing they do reaches the tree's prefix.
#   run_in_own_prefix.sh <tree prefix> <own prefix> <wine-run> <program> [args...]
set -uo pipefail
tree_prefix=$1 own_prefix=$2 wine_run=$3
shift 3
prefixes="$(cd "$(dirname "$0")/../.." && pwd)/tools/dev/wine-prefix.sh"
"$prefixes" clone "$tree_prefix" "$own_prefix" || exit 1
"$prefixes" start "$own_prefix"
TB_WINEPREFIX="$own_prefix" "$wine_run" "$@"
rc=$?
"$prefixes" stop "$own_prefix"
rm -rf "$own_prefix"
exit $rc
