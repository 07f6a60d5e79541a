#!/usr/bin/env bash
# Runs every fuzz target in DIR for SECONDS each, starting from its seed corpus when it has one.
set -euo pipefail
dir=$(cd "$1" && pwd); seconds=${2:-20}
src=$(cd "$(dirname "$0")/.." && pwd)
status=0
passed=0
failed=0
for f in "$dir"/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  work=$(mktemp -d)
  seeds=()
  [ -d "$src/tests/fuzz-corpus/$name" ] && seeds=("$src/tests/fuzz-corpus/$name")
  echo "fuzzing $name for ${seconds}s"
  if ! (cd "$work" && "$f" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=0 "$work" "${seeds[@]}" >"$work/log" 2>&1); then
    tail -n 60 "$work/log"; status=1
    echo "fuzz target $name found a fault" >&2
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
  rm -rf "$work"
done
echo "fuzz: $passed passed, $failed failed"
exit $status
