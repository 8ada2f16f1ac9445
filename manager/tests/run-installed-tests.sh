#!/bin/bash
# Installs the product into a prefix of its own and runs the Manager's
# suite against the real service there.
#   run-installed-tests.sh <source-dir> <win64 tree> <test-exe> [gtest args...]
set -uo pipefail
src=$1 tree=$2 exe=$3
shift 3
work=$(mktemp -d /tmp/tamberly-manager.XXXXXX)
prefix="$work/prefix"
trap '"$src/tools/dev/wine-prefix.sh" stop "$prefix" >/dev/null 2>&1; rm -rf "$work"' EXIT
"$src/tools/dev/install-product.sh" "$tree" "$prefix" "$work/stage" || exit 1
TB_WINEPREFIX="$prefix" "$tree/wine-run" "$exe" "$@" </dev/null
