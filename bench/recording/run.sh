#!/usr/bin/env bash
# Recording timings, not tests: the CPU share of recording over a playing track through a
# private PulseAudio daemon with a null sink, and saving a ten-minute take, compared with sox
# writing the same ten minutes of PCM as a WAV file.
# Usage: bench/recording/run.sh [BUILD_DIR]   (a Release build with recording_bench)
set -euo pipefail
build=${1:-build}
bin=$build/bin
source "$(dirname "$0")/../lib.sh"
private_pulse
work=$runtime repeats=3

sox -n -r 44100 -c 2 -b 16 "$runtime/song.wav" synth 20 sine 440
"$bin/recording_bench" "$runtime/song.wav" 8 "$runtime/take.wav" | tee "$runtime/out"

# sox writing the same ten minutes of raw PCM as WAV: the tool a user would pick (best of 3).
head -c $((600 * 176400)) /dev/urandom >"$runtime/take.raw"
best=$(best sox -t raw -r 44100 -c 2 -b 16 -e signed "$runtime/take.raw" "$runtime/sox.wav")
ours=$(sed -n 's/^saving a 10-minute take: \([0-9.]*\) s.*/\1/p' "$runtime/out")
awk -v sox="$best" -v ours="$ours" \
    'BEGIN { printf "sox writing the same take: %.3f s (best of 3); ours / sox = %.2f\n", sox, ours / sox }'
