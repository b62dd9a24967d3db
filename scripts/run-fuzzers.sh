#!/usr/bin/env bash
# Runs every fuzz target of a build folder for a while on its committed seeds.
#   scripts/run-fuzzers.sh [build folder] [seconds per target] [target...]
# New inputs go to <build>/fuzz-corpus/<name>/, findings to <build>/fuzz-findings/; the
# committed seeds in tests/fuzz/corpus/ are only read. Fails at the first target that finds
# something.
set -euo pipefail
build=${1:-build/fuzz}
seconds=${2:-20}
shift $(( $# > 2 ? 2 : $# ))
src=$(cd "$(dirname "$0")/.." && pwd)
bin="$build/tests/fuzz"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$bin"/fuzz_*; do [ -f "$t" ] && [ -x "$t" ] && targets+=("$(basename "$t")"); done
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets in $bin (run make fuzz)" >&2; exit 1; }

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/fuzz-findings" "$build/fuzz-logs"
for t in "${targets[@]}"; do
  name=${t#fuzz_}
  work="$build/fuzz-corpus/$name"
  log="$build/fuzz-logs/$t.log"
  mkdir -p "$work"
  rm -f "$build/fuzz-findings/$t-"*
  echo "== $t for ${seconds}s (log: $log)"
  if ! "$bin/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
         -artifact_prefix="$build/fuzz-findings/$t-" "$work" "$src/tests/fuzz/corpus/$name" \
         </dev/null >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "$t: finding kept in $build/fuzz-findings/" >&2
    exit 1
  fi
  grep -E 'DONE|stat::number_of_executed_units' "$log" || true
done
