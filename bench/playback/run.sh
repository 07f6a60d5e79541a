#!/usr/bin/env bash
# Playback timings, not tests: play command -> first position change and CPU while playing,
# through a private PulseAudio daemon with a null sink (the real sound path) and through mpv's
# null output; then the CPU share of the whole player (offscreen window) while a track plays.
# Usage: bench/playback/run.sh [BUILD_DIR]   (a Release build with playback_bench and lyravox)
set -euo pipefail
build=${1:-build}
bin=$build/bin
runtime=$(mktemp -d)
home=$(mktemp -d)
pa=""
cleanup() {
    [ -n "$pa" ] && kill "$pa" 2>/dev/null && wait "$pa" 2>/dev/null
    rm -rf "$runtime" "$home"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$runtime PULSE_RUNTIME_PATH=$runtime
pulseaudio -n --daemonize=no --exit-idle-time=-1 -L module-null-sink \
    -L module-native-protocol-unix >/dev/null 2>&1 &
pa=$!
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done

"$bin/playback_bench" --ao pulse "$@"
"$bin/playback_bench" --ao null

# The whole player: one second after start-up it plays a 14 s track; sample 8 s of it.
sox -n -r 44100 -c 2 -b 16 "$home/song.wav" synth 14 sine 440
QT_QPA_PLATFORM=offscreen LYRAVOX_HOME=$home XDG_CONFIG_HOME=$home/cfg \
    XDG_DATA_HOME=$home/data "$bin/lyravox" --exit-after-track "$home/song.wav" \
    >/dev/null 2>&1 &
pid=$!
sleep 3
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
t0=$(ticks); s0=$(date +%s.%N)
sleep 8
t1=$(ticks); s1=$(date +%s.%N)
awk -v t0="$t0" -v t1="$t1" -v s0="$s0" -v s1="$s1" -v hz="$(getconf CLK_TCK)" \
    'BEGIN { printf "lyravox (whole player, pulse) CPU while a track plays: %.1f %% of one core\n", 100 * (t1 - t0) / hz / (s1 - s0) }'
wait "$pid"

# The live key at +2 semitones: pitch and THD+N of tones at the server's monitor, and CPU.
"$bin/key_quality" --seconds 8
