#!/usr/bin/env bash
# Runs every fuzz target of a build for a while, each on its own corpus (seeded from
# fuzz/seeds/<target>/ when that exists). Fails when a target finds a crash.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-20}
status=0
for fuzzer in "$build"/fuzz/*_fuzzer; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  if [ -d "fuzz/seeds/$name" ]; then cp -n "fuzz/seeds/$name"/* "$corpus"/ 2>/dev/null || true; fi
  if [ -d "$build/seeds/$name" ]; then cp -n "$build/seeds/$name"/* "$corpus"/ 2>/dev/null || true; fi
  echo "== $name ($seconds s)"
  log="$build/$name.log"
  if "$fuzzer" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
       -artifact_prefix="$build/$name-" "$corpus" >"$log" 2>&1; then
    grep -E '^stat::(number_of_executed_units|new_units_added)' "$log" || true
  else
    echo "$name FAILED: see $log"; tail -n 30 "$log"; status=1
  fi
done
exit $status
