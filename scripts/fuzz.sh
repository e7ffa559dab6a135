#!/usr/bin/env bash
# Runs each fuzz target for SECONDS (default 60) from the project's seed
# corpus, and prints its executions and failures; exits 1 on any failure,
# leaving the input that failed in build-fuzz/failures/.
#
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j2 >/dev/null
mkdir -p build-fuzz/failures
failed=0
for target in reply palm_database ini_document dlp_answer netsync_frame serial_packet; do
  corpus=$(mktemp -d)
  cp tests/fuzz/corpus/"$target"/* "$corpus"/
  log=build-fuzz/$target.log
  status=0
  build-fuzz/${target}_fuzzer -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/failures/"$target"- "$corpus" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if ((status == 0)); then
    echo "fuzz: $target: ${runs:-0} executions, 0 failures"
  else
    failed=$((failed + 1))
    echo "fuzz: $target: ${runs:-?} executions, 1 failure (build-fuzz/failures/, log $log):"
    grep -E "ERROR|SUMMARY|abort|Test unit written" "$log" | head -5
  fi
  rm -rf "$corpus"
done
exit $((failed > 0))
