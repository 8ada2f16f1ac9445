#!/bin/bash
# Runs every libFuzzer target of the fuzz tree for a few seconds each, from
# its seed corpus in fuzz/corpus/<target> (copied, so seeds stay clean).
set -euo pipefail
tree=$1 seconds=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
shopt -s nullglob
targets=("$tree"/fuzz/fuzz_*)
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "no fuzz targets built"
  exit 0
fi
for exe in "${targets[@]}"; do
  [[ -x "$exe" && -f "$exe" ]] || continue
  name=$(basename "$exe")
  work="$tree/corpus/$name"
  mkdir -p "$work"
  [[ -d "$root/fuzz/corpus/$name" ]] && cp -n "$root/fuzz/corpus/$name"/* "$work"/ 2>/dev/null || true
  echo "== $name (${seconds}s)"
  "$exe" -max_total_time="$seconds" -print_final_stats=0 "$work" 2>&1 | tail -n 3
done
