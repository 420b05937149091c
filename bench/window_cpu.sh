#!/bin/bash
# Processor time and memory of the receiver window while it receives in real
# time: `wavelore --play` of a synthesized broadcast, offscreen, with the
# spectrum strip, SmartTune, the signal panel and the text view all at work.
# Prints the share of one core used over a minute (from the process's own
# CPU time in /proc) and the resident memory.
#   bench/window_cpu.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
build=${1:-build}
seconds=${2:-60}
work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Long enough to keep the receiver busy for the whole measurement.
messages=()
for n in 1 2 3 4 5 6 7 8; do
    messages+=(-m "GA0$n:NAV WARNING $n/24\nNORTH SEA. WRECK 54-12.5N 003-40.2E.\nKEEP 1 NM CLEAR OF POSITION.")
done
"$build/tools/wavelore-synth" --snr 10 --seed 3 --tail $((seconds + 20)) "${messages[@]}" \
    -o "$work/broadcast.wav"

XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen \
    "$build/src/gui/wavelore" --play "$work/broadcast.wav" --dir "$work/run" 2>/dev/null &
pid=$!

ticks() {  # user + system time of the process, in clock ticks
    awk '{ print $14 + $15 }' "/proc/$pid/stat"
}
sleep 5
t0=$(ticks)
w0=$(date +%s.%N)
sleep "$seconds"
t1=$(ticks)
w1=$(date +%s.%N)
hz=$(getconf CLK_TCK)
awk -v t0="$t0" -v t1="$t1" -v w0="$w0" -v w1="$w1" -v hz="$hz" 'BEGIN {
    printf "CPU: %.2f %% of one core over %.1f s\n", 100 * (t1 - t0) / hz / (w1 - w0), w1 - w0 }'
grep -E '^(VmRSS|VmHWM)' "/proc/$pid/status"
stored=$(find "$work/run/logs" -name '*GA0*.txt' | wc -l)
echo "messages stored while measuring: $stored"
