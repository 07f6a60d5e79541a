#!/usr/bin/env bash
# The take as performed, timings only: saving the mix of a five-minute take, and the CPU share
# of recording voice and accompaniment over a playing track, through a private PulseAudio daemon
# whose null sink's monitor is remapped as an ordinary source (the "microphone").
# Usage: bench/recording/mix.sh [BUILD_DIR]   (a Release build with take_mix_bench)
set -euo pipefail
build=${1:-build}
bin=$build/bin
source "$(dirname "$0")/../lib.sh"
private_pulse -L "module-remap-source master=lvxnull.monitor source_name=lvxvoice"
work=$runtime repeats=3

sox -n -r 44100 -c 2 -b 16 "$runtime/song.wav" synth 30 sine 440
"$bin/take_mix_bench" "$runtime/song.wav" lvxvoice 8 "$runtime/take.wav" | tee "$runtime/out"

# sox mixing two five-minute files at unity (no look-ahead limiter: it clips), best of 3.
sox -n -r 44100 -c 2 -b 16 "$runtime/voice.wav" synth 300 sine 220 vol 0.27
sox -n -r 44100 -c 2 -b 16 "$runtime/music.wav" synth 300 sine 97 vol 0.37
best=$(best sox -q -m -v 1 "$runtime/voice.wav" -v 1 "$runtime/music.wav" "$runtime/sox-mix.wav")
echo "sox mixing the same five minutes: $best s (best of 3)"
ours=$(sed -n 's/^saving a 5-minute take (best of 3): the mix \([0-9.]*\) s.*/\1/p' "$runtime/out")
awk -v sox="$best" -v ours="$ours" 'BEGIN { printf "ours / sox = %.2f\n", ours / sox }'
