#!/usr/bin/env bash
# Builds the libFuzzer targets with clang 14 into build-fuzz/ and runs each
# for SECONDS (default 30), one after another, at the lowest priority.
#
#   fuzz/run.sh [SECONDS] [TARGET]...     targets: bhavcopy index scrip settings dates numbers eod_import histories fo bse
#
# FUZZ_SEED=N fixes the fuzzers' random seed, so that a run explores the same
# inputs each time (the test command does so; a finding then stays found).
#
# The checked-in seeds of fuzz/corpus/TARGET are read, never written; what
# the fuzzer learns goes to build-fuzz/corpus/TARGET and is reused by the
# next run. A failing input is saved as build-fuzz/artifacts/TARGET-crash-...
# and the script exits 1.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-30}"
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=(bhavcopy index scrip settings dates numbers eod_import histories fo bse)

bash scripts/setup.sh  # clang 14 and its fuzzer runtime among the rest

CXX=clang++-14 cmake -S . -B build-fuzz -DQUILLON_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build-fuzz -j 2

failed=0
summary=()
for t in "${TARGETS[@]}"; do
  mkdir -p "build-fuzz/corpus/$t" build-fuzz/artifacts
  log="build-fuzz/fuzz_$t.log"
  echo "== fuzz_$t for ${SECONDS_EACH}s"
  result=ok
  nice -n 19 "build-fuzz/fuzz/fuzz_$t" "build-fuzz/corpus/$t" "fuzz/corpus/$t" \
    -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/artifacts/$t-" ${FUZZ_SEED:+-seed="$FUZZ_SEED"} > "$log" 2>&1 || {
    result=FAILED
    failed=$((failed + 1))
    grep -a -E "FUZZ CHECK|ERROR|runtime error|SUMMARY|Test unit written" "$log" | head -20 || true
  }
  summary+=("fuzz_$t: $result, $(grep -a -o 'Done [0-9]* runs in [0-9]* second' "$log" | tail -1 || true), \
$(grep -a -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1 || true)")
done
printf '%s\n' "${summary[@]}"
echo "fuzz: $((${#TARGETS[@]} - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
