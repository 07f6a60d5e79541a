#!/usr/bin/env bash
# Recording timings, not tests: the CPU share of recording over a playing track through a
# private PulseAudio daemon with a null sink, and saving a ten-minute take, compared with sox
# writing the same ten minutes of PCM as a WAV file.
# Usage: bench/recording/run.sh [BUILD_DIR]   (a Release build with recording_bench)
set -euo pipefail
build=${1:-build}
bin=$build/bin
runtime=$(mktemp -d)
pa=""
cleanup() {
    [ -n "$pa" ] && kill "$pa" 2>/dev/null && wait "$pa" 2>/dev/null
    rm -rf "$runtime"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$runtime PULSE_RUNTIME_PATH=$runtime
unset PULSE_SERVER
pulseaudio -n --daemonize=no --exit-idle-time=-1 -L module-null-sink \
    -L module-native-protocol-unix >/dev/null 2>&1 &
pa=$!
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done

sox -n -r 44100 -c 2 -b 16 "$runtime/song.wav" synth 20 sine 440
"$bin/recording_bench" "$runtime/song.wav" 8 "$runtime/take.wav" | tee "$runtime/out"

# sox writing the same ten minutes of raw PCM as WAV: the tool a user would pick (best of 3).
head -c $((600 * 176400)) /dev/urandom >"$runtime/take.raw"
best=""
for _ in 1 2 3; do
    s0=$(date +%s.%N)
    sox -t raw -r 44100 -c 2 -b 16 -e signed "$runtime/take.raw" "$runtime/sox.wav"
    s1=$(date +%s.%N)
    best=$(awk -v b="$best" -v d="$(awk -v a="$s0" -v b="$s1" 'BEGIN { print b - a }')" \
        'BEGIN { print (b == "" || d < b) ? d : b }')
done
ours=$(sed -n 's/^saving a 10-minute take: \([0-9.]*\) s.*/\1/p' "$runtime/out")
awk -v sox="$best" -v ours="$ours" \
    'BEGIN { printf "sox writing the same take: %.3f s (best of 3); ours / sox = %.2f\n", sox, ours / sox }'
