#!/bin/bash
# Runs every libFuzzer target of the fuzz tree for a few seconds each, from
# its seed corpus in fuzz/corpus/<target> (copied, so the seeds stay clean).
# A crash fails the run and leaves its input in <tree>/crashes/.
set -uo pipefail
tree=$1 seconds=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
shopt -s nullglob
status=0
for exe in "$tree"/fuzz/fuzz_*; do
  [[ -x "$exe" && -f "$exe" ]] || continue
  name=$(basename "$exe")
  work="$tree/corpus/$name"
  crashes="$tree/crashes/$name"
  mkdir -p "$work" "$crashes"
  [[ -d "$root/fuzz/corpus/$name" ]] && cp -n "$root/fuzz/corpus/$name"/* "$work"/ 2>/dev/null
  log="$tree/$name.log"
  if "$exe" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$crashes/" "$work" >"$log" 2>&1; then
    echo "fuzz $name: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs, no crash"
  else
    echo "fuzz $name: FAILED"
    tail -n 40 "$log"
    status=1
  fi
done
exit $status
