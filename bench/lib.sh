# Shared by the comparison scripts (they set `repeats`).
# Best wall-clock seconds of REPEATS runs of the command. With LYRAVOX_BENCH_CPU=1 the
# processor seconds (user + system, all threads) count instead: on a machine that others
# load, they move far less than the wall clock, but a program that uses two cores pays for
# both.
best() {
    local best="" t0 t1 t u s
    for ((i = 0; i < repeats; i++)); do
        if [[ "${LYRAVOX_BENCH_CPU:-0}" == 1 ]]; then
            /usr/bin/time -o "$work/time" -f '%U %S' "$@" >/dev/null 2>&1 ||
                { echo "failed: $*" >&2; return 1; }
            read -r u s <"$work/time"
            t=$(echo "$u + $s" | bc -l)
        else
            t0=$(date +%s.%N)
            "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; return 1; }
            t1=$(date +%s.%N)
            t=$(echo "$t1 - $t0" | bc -l)
        fi
        if [[ -z "$best" ]] || (($(echo "$t < $best" | bc -l))); then best=$t; fi
    done
    printf '%.3f' "$best"
}

# Starts a private PulseAudio daemon with the null sink "lvxnull" in a fresh folder, $runtime,
# which goes with the daemon when the script exits; arguments load more modules (-L "...").
private_pulse() {
    runtime=$(mktemp -d)
    export XDG_RUNTIME_DIR=$runtime PULSE_RUNTIME_PATH=$runtime
    unset PULSE_SERVER
    pulseaudio -n --daemonize=no --exit-idle-time=-1 -L "module-null-sink sink_name=lvxnull" \
        -L module-native-protocol-unix "$@" >/dev/null 2>&1 &
    pulse_pid=$!
    trap 'kill "$pulse_pid" 2>/dev/null; wait "$pulse_pid" 2>/dev/null; rm -rf "$runtime"' EXIT
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "the private PulseAudio daemon did not start" >&2
    return 1
}
