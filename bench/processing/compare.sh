#!/usr/bin/env bash
# Times the player's MP3 decoding and encoding (codec_run, the same library calls as the
# conversion commands) against mpg123 and lame on the same ten-minute 44.1 kHz stereo material,
# and prints the ratios (above 1: the tool takes longer).
#   bench/processing/compare.sh [BUILD_DIR] [REPEATS]
set -euo pipefail
build=${1:-build}
repeats=${2:-3}
run="$build/bin/codec_run"
[[ -x "$run" ]] || { echo "no $run: build the benchmarks first (Release)" >&2; exit 1; }
for tool in sox lame mpg123; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -b 16 -c 2 "$work/in.wav" synth 600 pinknoise synth 600 sine mix 440 vol 0.4 2>/dev/null
lame --quiet -b 128 "$work/in.wav" "$work/in.mp3"

source "$(dirname "$0")/../lib.sh"
row() { printf '%-7s codec_run %6.3f s  %-18s %6.3f s  ratio %5.2f\n' "$1" "$2" "$3" "$4" \
  "$(echo "$4 / $2" | bc -l)"; }

ours=$(best "$run" decode "$work/in.mp3" "$work/out.wav")
theirs=$(best mpg123 -q -w "$work/ref.wav" "$work/in.mp3")
row decode "$ours" "mpg123 -w" "$theirs"
ours=$(best "$run" encode "$work/in.wav" "$work/out.mp3" 128000)
theirs=$(best lame --quiet -b 128 "$work/in.wav" "$work/ref.mp3")
row encode "$ours" "lame -b 128" "$theirs"
