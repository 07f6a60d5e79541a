#!/usr/bin/env bash
# Times the player's processing jobs on the same ten-minute 44.1 kHz stereo material (and a
# 128 kbit/s MP3 lame made from it) against the tools a user would otherwise pick, and prints
# the ratios (above 1: the tool takes longer):
#   - MP3 decoding and encoding (codec_run: the conversion commands' library calls) against
#     mpg123 -w and lame -b 128;
#   - key shift of the MP3 (processing_run: the player's job without its dialogs, and
#     lyravox-fx in one call) against sox pitch 165 (x 1.1);
#   - vocal removal with compensation level 3 against sox oops and nine equalizers, and the
#     frequency-domain removal (the player's job and lyravox-fx RemoveVocals) against sox oops;
# the peak memory of the key shift against the decoded size; and what each vocal removal does
# to the parts of a synthetic band (centre_quality).
#   bench/processing/compare.sh [BUILD_DIR] [REPEATS]
set -euo pipefail
build=${1:-build}
repeats=${2:-3}
run="$build/bin/codec_run"
job="$build/bin/processing_run"
fx="$build/bin/lyravox-fx"
quality="$build/bin/centre_quality"
for program in "$run" "$job" "$fx" "$quality"; do
  [[ -x "$program" ]] || { echo "no $program: build the benchmarks first (Release)" >&2; exit 1; }
done
for tool in sox lame mpg123; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -b 16 -c 2 "$work/in.wav" synth 600 pinknoise synth 600 sine mix 440 vol 0.4 2>/dev/null
lame --quiet -b 128 "$work/in.wav" "$work/in.mp3"

source "$(dirname "$0")/../lib.sh"
row() { printf '%-8s %-15s %6.3f s  %-22s %6.3f s  ratio %5.2f\n' "$1" "$2" "$3" "$4" "$5" \
  "$(echo "$5 / $3" | bc -l)"; }

ours=$(best "$run" decode "$work/in.mp3" "$work/out.wav")
theirs=$(best mpg123 -q -w "$work/ref.wav" "$work/in.mp3")
row decode codec_run "$ours" "mpg123 -w" "$theirs"
ours=$(best "$run" encode "$work/in.wav" "$work/out.mp3" 128000)
theirs=$(best lame --quiet -b 128 "$work/in.wav" "$work/ref.mp3")
row encode codec_run "$ours" "lame -b 128" "$theirs"

sox_shift=$(best sox "$work/in.mp3" "$work/ref.wav" pitch 165)
ours=$(best "$job" shift "$work/in.mp3" "$work/out.wav" 1)
row shift processing_run "$ours" "sox pitch 165" "$sox_shift"
ours=$(best "$fx" "$work/in.mp3" "$work/out.wav" Shifting 0 2048)
row shift lyravox-fx "$ours" "sox pitch 165" "$sox_shift"

eqs=()
for c in 32 80 200 400 1000 2000 4000 8000 16000; do eqs+=(equalizer "$c" 1.0q 3); done
theirs=$(best sox "$work/in.mp3" "$work/ref.wav" oops "${eqs[@]}")
ours=$(best "$job" devocal "$work/in.mp3" "$work/out.wav" 3)
row devocal processing_run "$ours" "sox oops + 9 equalizer" "$theirs"
oops=$(best sox "$work/in.mp3" "$work/ref.wav" oops)
ours=$(best "$job" karaoke "$work/in.mp3" "$work/out.wav" 0)
row karaoke processing_run "$ours" "sox oops" "$oops"
ours=$(best "$fx" "$work/in.mp3" "$work/out.wav" RemoveVocals)
row karaoke lyravox-fx "$ours" "sox oops" "$oops"
oops=$(best sox "$work/in.wav" "$work/ref.wav" oops)
ours=$(best "$fx" "$work/in.wav" "$work/out.wav" RemoveVocals)
row karaoke "fx (WAV in)" "$ours" "sox oops" "$oops"

/usr/bin/time -o "$work/mem" -f '%M' "$job" shift "$work/in.mp3" "$work/out.wav" 1
decoded=$(stat -c %s "$work/out.wav")
peak=$(($(cat "$work/mem") * 1024))
printf 'memory   key shift peak %d MB, decoded %d MB, ratio %.2f\n' $((peak >> 20)) \
  $((decoded >> 20)) "$(echo "$peak / $decoded" | bc -l)"

"$quality" "$job"
