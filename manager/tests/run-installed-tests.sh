#!/bin/bash
# Installs the product into a prefix of its own and runs the Manager's
# suite against the real service there.
#   run-installed-tests.sh <source-dir> <setup program> <base prefix> <test-exe> [gtest args...]
set -uo pipefail
src=$1 setup=$2 base=$3 exe=$4
shift 4
work=$(mktemp -d /tmp/tamberly-manager.XXXXXX)
prefix="$work/prefix"
trap '"$src/tools/dev/wine-prefix.sh" stop "$prefix" >/dev/null 2>&1; rm -rf "$work"' EXIT
"$src/tools/dev/install-product.sh" "$setup" "$base" "$prefix" || exit 1
WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  "$src/tools/dev/wine-watch.sh" "$exe" "$@" </dev/null
rc=$?
"$src/tools/dev/wine-prefix.sh" crashes "$prefix" || rc=1
exit $rc
