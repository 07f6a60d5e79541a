#!/usr/bin/env bash
# Runs every benchmark program and comparison script against a Release build.
#   bench/run-all.sh [BUILD_DIR]
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for prog in bench_playlist bench_lyrics bench_lyric_download playback_bench dsp_bench; do
  if [ -x "$build/bin/$prog" ]; then
    echo "== $prog"
    "$build/bin/$prog" || status=1
  fi
done
for script in "$here"/*/compare.sh "$here"/*/run.sh "$here"/recording/mix.sh; do
  [ -x "$script" ] || continue
  echo "== ${script#$here/}"
  "$script" "$build" || status=1
done
exit $status
