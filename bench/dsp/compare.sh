#!/usr/bin/env bash
# Times lyravox-fx against the tools a user would otherwise pick, on the same ten-minute
# 44.1 kHz 16-bit stereo WAV file, and prints how many times faster lyravox-fx is.
#   bench/dsp/compare.sh [BUILD_DIR] [REPEATS]
# Each command runs REPEATS times (default 3); the best wall-clock time counts
# (LYRAVOX_BENCH_CPU=1: the best processor time). lyravox-fx and
# tool times include reading and writing the files; when BUILD_DIR also holds dsp_bench, the
# operation alone is timed on the same file too ("dsp" column). Needs sox, rubberband and
# soundstretch.
set -euo pipefail

build=${1:-build}
repeats=${2:-3}
fx="$build/bin/lyravox-fx"
[[ -x "$fx" ]] || { echo "no $fx: build lyravox-fx first (Release)" >&2; exit 1; }
for tool in sox rubberband soundstretch; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
in="$work/in.wav"
out="$work/out.wav"
# Pink noise with two tones: broadband like music, deterministic.
sox -n -r 44100 -b 16 -c 2 "$in" synth 600 pinknoise synth 600 sine mix 440 vol 0.4 2>/dev/null
if [[ -n "${LYRAVOX_BENCH_DUMP:-}" ]]; then cp "$in" "$LYRAVOX_BENCH_DUMP"; fi

source "$(dirname "$0")/../lib.sh"

# Seconds of the operation alone, from the benchmark program on the same file.
declare -A dsp=()
if [[ -x "$build/bin/dsp_bench" ]]; then
    while IFS=, read -r name _ real cpu _; do
        name=${name//\"/}
        name=${name%%/process_time*}
        [[ "${LYRAVOX_BENCH_CPU:-0}" == 1 ]] && real=$cpu
        # Keep the best repetition.
        if [[ -z "${dsp[$name]:-}" ]] || (($(echo "$real / 1000 < ${dsp[$name]}" | bc -l))); then
            dsp[$name]=$(echo "$real / 1000" | bc -l)
        fi
    done < <(LYRAVOX_BENCH_WAV="$in" "$build/bin/dsp_bench" --benchmark_format=csv \
        --benchmark_repetitions="$repeats" --benchmark_report_aggregates_only=false \
        --benchmark_filter='BM_(Shifting/0/2048|Eq|Echo|Reverb|Chorus/1)/' 2>/dev/null |
        grep '^"BM_' | grep -v -E '_(mean|median|stddev|cv)"')
fi

row() { # label fx_seconds tool_label tool_seconds benchmark_name
    local d=${dsp[$5]:-} dspcol=""
    if [[ -n "$d" ]]; then
        dspcol=$(printf '   dsp %6.3f s, ratio %6.2fx' "$d" "$(echo "$4 / $d" | bc -l)")
    fi
    printf '%-9s lyravox-fx %6.3f s  %-25s %6.3f s  ratio %5.2fx%s\n' \
        "$1" "$2" "$3" "$4" "$(echo "$4 / $2" | bc -l)" "$dspcol"
}

# 33-tap FIR for the single-FIR comparison (a plain low-pass, sox reads one value per line).
fir="$work/fir.txt"
for k in $(seq 0 32); do echo "0.0303"; done >"$fir"

clock=wall-clock
[[ "${LYRAVOX_BENCH_CPU:-0}" == 1 ]] && clock="processor time"
echo "ten-minute 44.1 kHz stereo 16-bit WAV, best $clock of $repeats, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
copy=$(best sox "$in" "$out")
echo "reading and writing the file alone: sox $copy s, lyravox-fx $(best "$fx" "$in" "$out" GetVersion) s"

t=$(best "$fx" "$in" "$out" Shifting 0 2048)
row Shifting "$t" "sox pitch 165" "$(best sox "$in" "$out" pitch 165)" BM_Shifting/0/2048
row Shifting "$t" "rubberband -f 1.1" "$(best rubberband -q -f 1.1 "$in" "$out")" \
    BM_Shifting/0/2048
row Shifting "$t" "soundstretch -pitch=1.65" "$(best soundstretch "$in" "$out" -pitch=1.65)" \
    BM_Shifting/0/2048

t=$(best "$fx" "$in" "$out" Eq 100 80 60 40 20 40 60 80 100 0)
eqs=()
for c in 32 80 200 400 1000 2000 4000 8000 16000; do eqs+=(equalizer "$c" 1.0q 3); done
row Eq "$t" "sox 9 x equalizer" "$(best sox "$in" "$out" "${eqs[@]}")" BM_Eq
row Eq "$t" "sox fir (33 taps)" "$(best sox "$in" "$out" fir "$fir")" BM_Eq

row Echo "$(best "$fx" "$in" "$out" Echo 100 30)" "sox echo" \
    "$(best sox "$in" "$out" echo 0.8 0.9 100 0.3)" BM_Echo
row Reverb "$(best "$fx" "$in" "$out" Reverb 100 30)" "sox reverb" \
    "$(best sox "$in" "$out" reverb)" BM_Reverb
row Chorus "$(best "$fx" "$in" "$out" Chorus 55 2 0.25 1 100 100 1 1 40)" "sox chorus" \
    "$(best sox "$in" "$out" chorus 0.7 0.9 55 0.4 0.25 2 -t)" BM_Chorus/1
