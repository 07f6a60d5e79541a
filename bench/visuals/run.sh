#!/usr/bin/env bash
# Visual timings, not tests: the engine per frame, and the player's CPU share while playing
# with the visuals on and with the full-screen lyric window, on a 1920x1080 Xvfb screen with a
# private PulseAudio daemon (the monitor stream captures its null sink).
# Usage: bench/visuals/run.sh [BUILD_DIR]   (a Release build)
set -euo pipefail
build=${1:-build}
bin=$build/bin
runtime=$(mktemp -d)
pa="" xvfb=""
cleanup() {
    [ -n "$pa" ] && kill "$pa" 2>/dev/null && wait "$pa" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$runtime"
}
trap cleanup EXIT
"$bin/bench_visuals"

export XDG_RUNTIME_DIR=$runtime PULSE_RUNTIME_PATH=$runtime LYRAVOX_HOME=$runtime/home
unset PULSE_SERVER
mkdir -p "$LYRAVOX_HOME"
pulseaudio -n --daemonize=no --exit-idle-time=-1 -L module-null-sink \
    -L module-native-protocol-unix >/dev/null 2>&1 &
pa=$!
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
display=:$((100 + RANDOM % 800))
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done

sox -n -r 44100 -c 2 -b 16 "$runtime/song.wav" synth 120 sine 440
for k in $(seq 1 119); do
    printf '[%02d:%02d.00]第 %d 行歌词在这里\r\n' $((k / 60)) $((k % 60)) "$k"
done >"$runtime/song.lrc"
LYRAVOX_BENCH_XSERVER_PID=$xvfb DISPLAY=$display QT_QPA_PLATFORM=xcb "$bin/visuals_cpu_bench" "$runtime/song.wav" 6
