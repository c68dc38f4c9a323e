#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target for a while (300 s each
# unless told otherwise), growing the corpora in the build tree from the
# checked-in seeds. Prints each target's executions and outcome; a crash
# leaves its input under build/fuzz/fuzz/artifacts/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

out=build/fuzz/fuzz
failed=0
for source in fuzz/*_fuzzer.cc; do
  target=$(basename "$source" .cc)
  mkdir -p "$out/corpus/$target" "$out/artifacts"
  log="$out/$target.log"
  status=0
  "$out/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/artifacts/$target-" "$out/corpus/$target" "fuzz/corpus/$target" \
    >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  if [ "$status" -eq 0 ]; then
    echo "$target: ${runs:-?} executions, no failure"
  else
    failed=1
    echo "$target: FAILED (status $status) after ${runs:-?} executions, see $log"
    grep -m1 -E 'ERROR:|property failed|runtime error' "$log" || true
  fi
done
exit "$failed"
